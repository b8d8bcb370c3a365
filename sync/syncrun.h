#pragma once

#include "sync/calendarclient.h"
#include "sync/syncplan.h"
#include "sync/syncreport.h"
#include "sync/syncstate.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>

namespace caldav {

class SyncPass;

// The steps of one sync pass, each started by the answer to the one before: what changed on
// the server, the items to read, the plan, the book's change, then the server's changes side
// by side. The state is saved after the book's change and, as the server's changes are made,
// at least twice a second; whatever a cut-off pass did not save, the next pass finds again on
// the server, as a new event takes an href given by its line.
class SyncRun : public QObject
{
    Q_OBJECT
public:
    explicit SyncRun(SyncPass *pass);

    void start();
    int requestCount() const { return m_client ? m_client->requestCount() : 0; }

signals:
    void finished(const caldav::SyncReport &report);

private:
    using Step = std::function<void()>;

    void fail(const DavResult &result);
    void fail(const QString &message);
    void listServer();
    void listAll();
    void takeListing(const Listing &listing);
    void fetchChanged();
    void fetchBatch(QStringList hrefs, const std::function<void(QList<FetchedItem>)> &done);
    void plan();
    bool changeBook(const QList<QByteArray> &remove, const QList<QByteArray> &add);
    void writeServer();
    void runNext();
    void operationDone();
    void putNew(const NewEvent &event, int attempt);
    void removeItem(const QString &href, int attempt);
    void excludeOccurrences(const QString &href, int attempt);
    void editItem(const QString &href, const QByteArray &line, int attempt);
    NewEvent newEventFor(const QByteArray &line) const;
    // Writes a new version of an item that the server holds in `etag`: `written` with the new
    // ETag when it took it, `again` when someone changed it meanwhile (up to Attempts).
    void rewrite(const QString &href, const QByteArray &data, const QByteArray &etag, int attempt,
                 const std::function<void(const QByteArray &etag)> &written,
                 const std::function<void()> &again);
    void readBack();
    void readEtags();
    void finish();
    bool save();
    void saveNowAndThen();
    // A request that failed for a reason that will fail every other request too.
    bool isFatal(const DavResult &result) const;
    bool isFatalForItem(const DavResult &result) const;

    SyncPass *m_pass;
    CalendarClient *m_client = nullptr;
    SyncState m_state;
    SyncState m_saved; // as the file holds it, so that a pass that changed nothing writes nothing
    QString m_statePath;
    QList<QByteArray> m_book; // the book's lines that fall on a date
    qsizetype m_undated = 0;
    QHash<QString, QByteArray> m_server; // href to ETag
    Listing m_listing;
    QHash<QString, ServerItem> m_fetched;
    SyncPlan m_plan;
    SyncReport m_report;
    QList<Step> m_queue;
    int m_running = 0;
    bool m_stopped = false;
    bool m_loaded = false;
    QStringList m_withoutEtag;
    QElapsedTimer m_sinceSave;
};

} // namespace caldav
