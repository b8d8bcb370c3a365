#pragma once

#include "sync/davresult.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace caldav {

// Who the requests go to: the calendar's address, and the user's name and password (both empty
// for a server without authentication).
struct Account
{
    QUrl url;
    QString user;
    QString password;
};

// An item of a calendar in one version. href is the path on the server, percent-decoded, so
// that two spellings of one address compare equal.
struct ItemVersion
{
    QString href;
    QByteArray etag;
};

// What the calendar holds, or what changed in it since a sync token.
struct Listing
{
    // True: `items` is every item of the calendar (a full listing, or a sync from no token);
    // false: `items` changed and `removed` went since the token given.
    bool full = true;
    QList<ItemVersion> items;
    QStringList removed;
    // What to give next time; empty where the server has none.
    QByteArray syncToken;
    QByteArray ctag;
};

struct FetchedItem
{
    QString href;
    QByteArray etag;
    QByteArray data; // the iCalendar text
};

// The requests on one calendar collection, each asynchronous: the callback runs later, on the
// thread of the client, once. Requests may run side by side.
class CalendarClient : public QObject
{
    Q_OBJECT
public:
    CalendarClient(QNetworkAccessManager *network, Account account, QObject *parent = nullptr);

    const Account &account() const { return m_account; }
    // The collection's address with a final slash.
    QUrl calendarUrl() const;
    // The absolute URL of an href (a path).
    QUrl urlOf(const QString &href) const;
    // The href that an item of this UID takes in the calendar: the collection's path and the
    // UID, percent-encoded, with ".ics".
    QString hrefFor(const QString &uid) const;

    // Milliseconds after which a request that makes no progress fails as Unreachable.
    void setTimeout(int ms);
    // How many requests have been sent, for the benchmarks.
    int requestCount() const { return m_requests; }

    // The calendar's getctag and sync-token (PROPFIND, depth 0).
    void state(std::function<void(DavResult, Listing)> done);
    // Every item of the calendar with its ETag (PROPFIND, depth 1), and ctag and sync token.
    void list(std::function<void(DavResult, Listing)> done);
    // What changed since `token` (REPORT sync-collection, RFC 6578); an empty token lists
    // everything. TokenRefused when the server does not know the token (403, 409 or 500), or
    // Kind::NotCalDav / ServerError when it does not do sync-collection at all (then use list()).
    void changesSince(const QByteArray &token, std::function<void(DavResult, Listing)> done);
    // The items' data and ETags (REPORT calendar-multiget), hrefs the server does not have
    // being left out of the answer.
    void fetch(const QStringList &hrefs, std::function<void(DavResult, QList<FetchedItem>)> done);
    // Writes an item: a new one (`etag` empty: If-None-Match: *) or the version `etag` names
    // (If-Match). The ETag of the answer, or empty when the server gave none.
    void put(const QString &href, const QByteArray &data, const QByteArray &etag,
             std::function<void(DavResult, QByteArray etag)> done);
    // Removes the version `etag` names of an item (If-Match).
    void remove(const QString &href, const QByteArray &etag, std::function<void(DavResult)> done);

    // What a request gave back, for the requests of its own that the finder makes.
    struct Reply
    {
        int status = 0;
        QByteArray body;
        QByteArray etag;
        QUrl url; // where it was answered, after redirects
    };
    // One request on `url` (any method), with the account's password where it may go; a
    // status outside 2xx is a failure but 207, which the caller reads.
    void request(const QByteArray &method, const QUrl &url, const QByteArray &body,
                 const QList<std::pair<QByteArray, QByteArray>> &headers,
                 std::function<void(DavResult, Reply)> done);

    ~CalendarClient() override;

private:
    void send(const QByteArray &method, const QUrl &url, const QByteArray &body,
              const QList<std::pair<QByteArray, QByteArray>> &headers,
              std::function<void(DavResult, Reply)> done, int redirects);
    // Reads a multistatus answer for the listing calls.
    void report(const QByteArray &method, const QByteArray &depth, const QByteArray &body,
                std::function<void(DavResult, QByteArray)> done);
    void changesFrom(const QByteArray &token, Listing sofar, int rounds,
                     std::function<void(DavResult, Listing)> done);

    QNetworkAccessManager *m_network;
    Account m_account;
    QSet<QNetworkReply *> m_replies;
    int m_timeout = 30000;
    int m_requests = 0;
};

} // namespace caldav
