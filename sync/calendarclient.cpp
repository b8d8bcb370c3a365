#include "sync/calendarclient.h"

#include "sync/davresponse.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslError>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

using Kind = DavResult::Kind;
using Headers = QList<std::pair<QByteArray, QByteArray>>;

constexpr int MaxRedirects = 5;
// Rounds of a sync-collection answer that the server cut short (507) before it is given up.
constexpr int MaxSyncRounds = 100;

const QByteArray XmlType = QByteArrayLiteral("application/xml; charset=utf-8");

// Whether a password may go to the address: over https, or to this machine.
bool MayCarryPassword(const QUrl &url)
{
    if (url.scheme() == u"https"_s)
        return true;
    const QString host = url.host();
    return host == u"localhost"_s || QHostAddress(host).isLoopback();
}

QString HostOf(const QUrl &url)
{
    return url.port() > 0 ? u"%1:%2"_s.arg(url.host()).arg(url.port()) : url.host();
}

DavResult Failure(Kind kind, int status, const QString &message)
{
    return DavResult{kind, status, message};
}

DavResult NotCalDav(int status)
{
    return Failure(Kind::NotCalDav, status, u"the server's answer is not CalDAV"_s);
}

DavResult StatusFailure(int status, const QString &reason, bool withPassword, const QUrl &url)
{
    switch (status) {
    case 401:
        return withPassword ? Failure(Kind::Refused, status,
                                      u"the server refused the user name or password"_s)
                            : Failure(Kind::NeedsPassword, status,
                                      u"the server asks for a user name and password"_s);
    case 403:
        return Failure(Kind::Refused, status,
                       u"the server does not let this user at %1"_s.arg(url.path()));
    case 412:
        return Failure(Kind::Changed, status, u"the item was changed on the server meanwhile"_s);
    case 404:
    case 410:
        return Failure(Kind::NotFound, status, u"the server has nothing at %1"_s.arg(url.path()));
    default:
        return Failure(Kind::ServerError, status,
                       u"the server answered %1 %2"_s.arg(status).arg(reason).trimmed());
    }
}

// A path as it goes into a request: each segment percent-encoded but for the unreserved
// characters, as QUrl leaves a ';' or '=' as they are, and Radicale cuts an href at ';'.
QByteArray EncodedPath(const QString &path)
{
    QList<QByteArray> segments;
    for (const QString &segment : path.split(u'/'))
        segments.append(QUrl::toPercentEncoding(segment));
    return segments.join('/');
}

bool SamePath(const QString &a, const QString &b)
{
    const auto trimmed = [](const QString &path) {
        return path.endsWith(u'/') ? QStringView(path).chopped(1) : QStringView(path);
    };
    return trimmed(a) == trimmed(b);
}

// The items of a multistatus on the collection at `collection`, with its ctag and token:
// calendar items only, not the collection itself nor any collection in it.
Listing ListingOf(const Multistatus &answer, const QString &collection)
{
    Listing listing;
    listing.syncToken = answer.syncToken;
    for (const DavResource &resource : answer.resources) {
        if (SamePath(resource.href, collection)) {
            listing.ctag = resource.text(prop::GetCtag).toUtf8();
            if (listing.syncToken.isEmpty())
                listing.syncToken = resource.text(prop::SyncToken).toUtf8();
            continue;
        }
        if (resource.status == 404) {
            listing.removed.append(resource.href);
            continue;
        }
        if (resource.href.endsWith(u'/') ||
            resource.property(prop::ResourceType).hasElement({DavNs, "collection"_L1}))
            continue;
        // A file of some other kind that a client left there is no item of the calendar.
        const QString type = resource.text(prop::GetContentType);
        if (!type.startsWith(u"text/calendar"_s, Qt::CaseInsensitive) &&
            !resource.href.endsWith(u".ics"_s, Qt::CaseInsensitive))
            continue;
        if (resource.has(prop::GetEtag))
            listing.items.append(ItemVersion{resource.href, resource.text(prop::GetEtag).toUtf8()});
    }
    return listing;
}

} // namespace

CalendarClient::CalendarClient(QNetworkAccessManager *network, Account account, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_account(std::move(account))
{
    if (!m_account.url.path().endsWith(u'/'))
        m_account.url.setPath(m_account.url.path() + u'/');
}

CalendarClient::~CalendarClient()
{
    // Requests still running end here, without their callbacks.
    for (QNetworkReply *reply : std::as_const(m_replies)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QUrl CalendarClient::calendarUrl() const
{
    return m_account.url;
}

QUrl CalendarClient::urlOf(const QString &href) const
{
    QUrl url = m_account.url;
    url.setPath(QString::fromLatin1(EncodedPath(href)), QUrl::StrictMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QString CalendarClient::hrefFor(const QString &uid) const
{
    // The characters that servers trip over become '_': a slash would make the UID a folder,
    // Xandikos cuts a multiget's href at '#' or '?' even when encoded, and Radicale takes no
    // name that starts with a dot. The rest is percent-encoded on the way (urlOf).
    QString name = uid;
    for (QChar &c : name) {
        if (c == u'/' || c == u'\\' || c == u'#' || c == u'?')
            c = u'_';
    }
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(u'_');
    return m_account.url.path(QUrl::FullyDecoded) + name + u".ics"_s;
}

void CalendarClient::setTimeout(int ms)
{
    m_timeout = ms;
}

void CalendarClient::request(const QByteArray &method, const QUrl &url, const QByteArray &body,
                             const QList<std::pair<QByteArray, QByteArray>> &headers,
                             std::function<void(DavResult, Reply)> done)
{
    send(method, url, body, headers, std::move(done), 0);
}

void CalendarClient::send(const QByteArray &method, const QUrl &url, const QByteArray &body,
                          const QList<std::pair<QByteArray, QByteArray>> &headers,
                          std::function<void(DavResult, Reply)> done, int redirects)
{
    const bool withPassword = !m_account.password.isEmpty();
    const bool withCredentials = withPassword || !m_account.user.isEmpty();
    if (withCredentials && !MayCarryPassword(url)) {
        // Nothing is sent; the answer comes later all the same, as every answer does.
        const DavResult result = Failure(
            Kind::Insecure, 0,
            u"passwords go only over https (or plain http to this machine), not to %1"_s.arg(
                url.toDisplayString(QUrl::RemoveUserInfo)));
        QTimer::singleShot(0, this, [done = std::move(done), result] { done(result, {}); });
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(m_timeout);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Zentavo"));
    if (withCredentials)
        request.setRawHeader("Authorization",
                             "Basic " +
                                 (m_account.user + u':' + m_account.password).toUtf8().toBase64());
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    ++m_requests;
    QNetworkReply *reply = m_network->sendCustomRequest(request, method, body);
    m_replies.insert(reply);
    // A network manager that goes first takes its replies with it.
    connect(reply, &QObject::destroyed, this, [this, reply] { m_replies.remove(reply); });

    // Certificate errors are never ignored: the handshake fails, and this says why.
    auto certificate = std::make_shared<QString>();
    connect(
        reply, &QNetworkReply::sslErrors, this, [certificate, url](const QList<QSslError> &errors) {
            QStringList why;
            for (const QSslError &error : errors)
                why.append(error.errorString());
            *certificate =
                u"the certificate of %1 is not trusted: %2"_s.arg(url.host(), why.join(u"; "_s));
        });
    connect(
        reply, &QNetworkReply::finished, this,
        [this, method, url, body, headers, done = std::move(done), redirects, withPassword,
         withCredentials, reply, certificate] {
            m_replies.remove(reply);
            reply->deleteLater();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QNetworkReply::NetworkError error = reply->error();
            // Errors of the connection rank before any status: a body cut short is no answer.
            if (status == 0 || (error > QNetworkReply::NoError && error < 200)) {
                QString message;
                if (!certificate->isEmpty())
                    message = *certificate;
                else if (error == QNetworkReply::OperationCanceledError ||
                         error == QNetworkReply::TimeoutError)
                    message = u"the server did not answer in time"_s;
                else
                    message = u"cannot reach %1: %2"_s.arg(HostOf(url), reply->errorString());
                return done(Failure(Kind::Unreachable, status, message), {});
            }
            if (status >= 300 && status < 400 && status != 304) {
                // Qt reads only an absolute address from the header; a path is as good.
                const QUrl location = QUrl::fromEncoded(reply->rawHeader("Location").trimmed());
                const QUrl next = url.resolved(location);
                if (location.isEmpty() || !next.isValid())
                    return done(Failure(Kind::ServerError, status,
                                        u"the server answered %1 without an address to go to"_s.arg(
                                            status)),
                                {});
                if (redirects >= MaxRedirects)
                    return done(Failure(Kind::ServerError, status,
                                        u"the server sends the request on without end"_s),
                                {});
                if (url.scheme() == u"https"_s && next.scheme() != u"https"_s)
                    return done(Failure(Kind::Insecure, status,
                                        u"the server sends the request from https to %1"_s.arg(
                                            next.toDisplayString(QUrl::RemoveUserInfo))),
                                {});
                // The password goes to the server it was given for; only the well-known
                // address may send it on to another, as service discovery has it do.
                if (withCredentials && MayCarryPassword(next) &&
                    (next.host() != url.host() || next.port(443) != url.port(443)) &&
                    !url.path().startsWith(u"/.well-known/"_s))
                    return done(Failure(Kind::Insecure, status,
                                        u"the server sends the request on to %1, which is not "
                                        u"given the password"_s.arg(
                                            next.toDisplayString(QUrl::RemoveUserInfo))),
                                {});
                return send(method, next, body, headers, done, redirects + 1);
            }
            Reply answer{status, reply->readAll(), reply->rawHeader("ETag"), url};
            if (status / 100 != 2)
                return done(
                    StatusFailure(
                        status,
                        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                        withPassword, url),
                    answer);
            done(DavResult{}, answer);
        });
}

void CalendarClient::report(const QByteArray &method, const QByteArray &depth,
                            const QByteArray &body, std::function<void(DavResult, QByteArray)> done)
{
    request(method, m_account.url, body, {{"Depth", depth}, {"Content-Type", XmlType}},
            [done = std::move(done)](DavResult result, const Reply &reply) {
                // Where a list is asked for, only a multistatus is an answer.
                if (result.ok() && reply.status != 207)
                    result = NotCalDav(reply.status);
                done(result, reply.body);
            });
}

void CalendarClient::state(std::function<void(DavResult, Listing)> done)
{
    report("PROPFIND", "0", PropfindBody({prop::GetCtag, prop::SyncToken}),
           [this, done = std::move(done)](const DavResult &result, const QByteArray &xml) {
               if (!result.ok())
                   return done(result, {});
               const std::optional<Multistatus> answer = ParseMultistatus(xml, m_account.url);
               if (!answer)
                   return done(NotCalDav(207), {});
               Listing listing = ListingOf(*answer, m_account.url.path(QUrl::FullyDecoded));
               // Not a listing of the items: no one is to read it as an empty calendar.
               listing.full = false;
               listing.items.clear();
               listing.removed.clear();
               done(result, listing);
           });
}

void CalendarClient::list(std::function<void(DavResult, Listing)> done)
{
    const QByteArray body = PropfindBody(
        {prop::GetEtag, prop::ResourceType, prop::GetContentType, prop::GetCtag, prop::SyncToken});
    report("PROPFIND", "1", body,
           [this, done = std::move(done)](const DavResult &result, const QByteArray &xml) {
               if (!result.ok())
                   return done(result, {});
               const std::optional<Multistatus> answer = ParseMultistatus(xml, m_account.url);
               if (!answer)
                   return done(NotCalDav(207), {});
               Listing listing = ListingOf(*answer, m_account.url.path(QUrl::FullyDecoded));
               listing.full = true;
               listing.removed.clear();
               done(result, listing);
           });
}

void CalendarClient::changesSince(const QByteArray &token,
                                  std::function<void(DavResult, Listing)> done)
{
    Listing sofar;
    sofar.full = token.isEmpty();
    changesFrom(token, std::move(sofar), 0, std::move(done));
}

void CalendarClient::changesFrom(const QByteArray &token, Listing sofar, int rounds,
                                 std::function<void(DavResult, Listing)> done)
{
    // The content type too, so that the items are those that list() gives.
    const QByteArray body = SyncCollectionBody(token, {prop::GetEtag, prop::GetContentType});
    report("REPORT", "0", body,
           [this, token, sofar, rounds, done = std::move(done)](DavResult result,
                                                                const QByteArray &xml) mutable {
               if (!result.ok()) {
                   const int status = result.httpStatus;
                   if (!token.isEmpty() && (status == 403 || status == 409 || status == 500))
                       result = Failure(Kind::TokenRefused, status,
                                        u"the server no longer knows the sync token"_s);
                   return done(result, {});
               }
               const std::optional<Multistatus> answer = ParseMultistatus(xml, m_account.url);
               if (!answer)
                   return done(NotCalDav(207), {});
               const QString collection = m_account.url.path(QUrl::FullyDecoded);
               const Listing part = ListingOf(*answer, collection);
               // A later round tells the newer state of an item that an earlier one gave.
               for (const ItemVersion &item : part.items) {
                   sofar.removed.removeAll(item.href);
                   sofar.items.removeIf([&](const ItemVersion &v) { return v.href == item.href; });
                   sofar.items.append(item);
               }
               for (const QString &href : part.removed) {
                   sofar.items.removeIf([&](const ItemVersion &v) { return v.href == href; });
                   if (!sofar.removed.contains(href))
                       sofar.removed.append(href);
               }
               sofar.syncToken = answer->syncToken;
               // A server that cuts its answer short says 507 for the collection itself: the
               // rest comes with the token it gave.
               const bool truncated = std::any_of(
                   answer->resources.cbegin(), answer->resources.cend(), [&](const DavResource &r) {
                       return r.status == 507 && SamePath(r.href, collection);
                   });
               if (truncated && !answer->syncToken.isEmpty() && answer->syncToken != token &&
                   rounds < MaxSyncRounds)
                   return changesFrom(answer->syncToken, sofar, rounds + 1, done);
               done(result, sofar);
           });
}

void CalendarClient::fetch(const QStringList &hrefs,
                           std::function<void(DavResult, QList<FetchedItem>)> done)
{
    QList<QByteArray> encoded;
    for (const QString &href : hrefs)
        encoded.append(EncodedPath(href));
    report("REPORT", "1", MultigetBody({prop::GetEtag, prop::CalendarData}, encoded),
           [this, done = std::move(done)](const DavResult &result, const QByteArray &xml) {
               if (!result.ok())
                   return done(result, {});
               const std::optional<Multistatus> answer = ParseMultistatus(xml, m_account.url);
               if (!answer)
                   return done(NotCalDav(207), {});
               QList<FetchedItem> items;
               for (const DavResource &resource : answer->resources) {
                   if ((resource.status != 0 && resource.status / 100 != 2) ||
                       !resource.has(prop::CalendarData))
                       continue;
                   items.append(FetchedItem{resource.href, resource.text(prop::GetEtag).toUtf8(),
                                            resource.property(prop::CalendarData).text.toUtf8()});
               }
               done(result, items);
           });
}

void CalendarClient::put(const QString &href, const QByteArray &data, const QByteArray &etag,
                         std::function<void(DavResult, QByteArray)> done)
{
    Headers headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    headers.append(etag.isEmpty() ? std::pair<QByteArray, QByteArray>("If-None-Match", "*")
                                  : std::pair<QByteArray, QByteArray>("If-Match", etag));
    request("PUT", urlOf(href), data, headers,
            [done = std::move(done)](const DavResult &result, const Reply &reply) {
                done(result, reply.etag.trimmed());
            });
}

void CalendarClient::remove(const QString &href, const QByteArray &etag,
                            std::function<void(DavResult)> done)
{
    // Without an ETag (from a server that gave none), the item goes whatever its version.
    Headers headers;
    if (!etag.isEmpty())
        headers.append({"If-Match", etag});
    request("DELETE", urlOf(href), {}, headers,
            [done = std::move(done)](const DavResult &result, const Reply &) { done(result); });
}

} // namespace caldav
