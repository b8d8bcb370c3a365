#include "sync/syncpass.h"

#include "sync/syncrun.h"

namespace caldav {

SyncPass::SyncPass(QNetworkAccessManager *network, QString bookPath, QString password,
                   QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_bookPath(std::move(bookPath))
    , m_password(std::move(password))
    , m_today(QDate::currentDate())
{
    qRegisterMetaType<caldav::SyncReport>();
}

SyncPass::~SyncPass() = default;

void SyncPass::start()
{
    if (m_run)
        return;
    m_run = new SyncRun(this);
    connect(m_run, &SyncRun::finished, this, [this](const SyncReport &report) {
        m_lastRequests = m_run->requestCount();
        m_run->deleteLater();
        m_run = nullptr;
        emit finished(report);
    });
    m_run->start();
}

bool SyncPass::isRunning() const
{
    return m_run != nullptr;
}

int SyncPass::requestCount() const
{
    return m_run ? m_run->requestCount() : m_lastRequests;
}

} // namespace caldav
