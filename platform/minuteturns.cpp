#include "platform/minuteturns.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

namespace {

// Just after the turn, so that the minute read then is the new one.
constexpr qint64 LateNs = 20'000'000;

} // namespace

MinuteTurns::MinuteTurns(QObject *parent, int periodMs)
    : QObject(parent)
    , m_periodMs(periodMs)
    , m_fd(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd < 0 || m_periodMs <= 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MinuteTurns::fire);
    arm();
}

MinuteTurns::~MinuteTurns()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void MinuteTurns::arm()
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const qint64 period = qint64(m_periodMs) * 1'000'000;
    const qint64 at =
        (qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec) / period * period + period + LateNs;
    struct itimerspec when = {};
    when.it_value.tv_sec = time_t(at / 1'000'000'000);
    when.it_value.tv_nsec = long(at % 1'000'000'000);
    // Absolute on the real-time clock; a change of that clock cancels the wait, which tells.
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
}

void MinuteTurns::fire()
{
    std::uint64_t expirations = 0;
    // ECANCELED: the clock was set; either way the time is read anew.
    if (::read(m_fd, &expirations, sizeof expirations) < 0 && errno == EAGAIN)
        return;
    arm();
    emit turned();
}

} // namespace platform
