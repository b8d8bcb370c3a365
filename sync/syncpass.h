#pragma once

#include "sync/davresult.h"
#include "sync/syncreport.h"

#include <QDate>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

namespace caldav {

class CalendarClient;
class SyncRun;

// One sync of the book with the calendar its sync state names (SyncStatePath()): what is new,
// changed or gone on either side since the last sync goes to the other side, and the state is
// kept up to date as it goes, so that a pass cut off at any moment is finished by the next one.
// Asynchronous: start() returns at once, and finished() comes once, later.
class SyncPass : public QObject
{
    Q_OBJECT
public:
    // `password` is the account's password, empty for none.
    SyncPass(QNetworkAccessManager *network, QString bookPath, QString password,
             QObject *parent = nullptr);
    ~SyncPass() override;

    // The day that series are expanded around (the import's twelve months); today by default.
    void setToday(QDate today) { m_today = today; }
    // Whether the pass may empty a side, or remove more than half of its items; when not, such
    // a pass changes nothing and asks (SyncReport::needsConfirmation).
    void setRemovalsAllowed(bool allowed) { m_removalsAllowed = allowed; }
    // Milliseconds after which a request that makes no progress fails.
    void setTimeout(int ms) { m_timeout = ms; }

    void start();
    bool isRunning() const;
    // The requests sent so far, for the benchmarks.
    int requestCount() const;

signals:
    void finished(const caldav::SyncReport &report);

private:
    friend class SyncRun;
    QNetworkAccessManager *m_network;
    const QString m_bookPath;
    const QString m_password;
    QDate m_today;
    bool m_removalsAllowed = false;
    int m_timeout = 30000;
    SyncRun *m_run = nullptr;
    int m_lastRequests = 0;
};

} // namespace caldav
