#include "platform/notifications.h"

#include "platform/look.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

const QString Service = u"org.freedesktop.Notifications"_s;
const QString Path = u"/org/freedesktop/Notifications"_s;
const QString Interface = Service;
// A reminder does not wait on a desktop that is slow to answer: the small window takes it.
constexpr int AnswerWithinMs = 1000;

} // namespace

Notifications::Notifications(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    m_bus.connect(Service, Path, Interface, u"NotificationClosed"_s, this,
                  SLOT(closed(uint, uint)));
    if (!m_bus.isConnected())
        return;
    // A service that goes took its notification with it, and one that comes may read the body
    // otherwise.
    auto *watcher =
        new QDBusServiceWatcher(Service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                if (!oldOwner.isEmpty() && m_id != 0) {
                    m_id = 0;
                    emit refused(std::exchange(m_shown, {}));
                }
                if (!newOwner.isEmpty())
                    askCapabilities();
            });
    askCapabilities();
}

void Notifications::askCapabilities()
{
    // A desktop that reads the body as markup would take "<" and "&" in an appointment's text
    // for tags. Reminders wait for the answer, a second at most.
    m_markup.reset();
    auto *capabilities = new QDBusPendingCallWatcher(
        m_bus.asyncCall(
            QDBusMessage::createMethodCall(Service, Path, Interface, u"GetCapabilities"_s),
            AnswerWithinMs),
        this);
    connect(capabilities, &QDBusPendingCallWatcher::finished, this, [this, capabilities] {
        const QDBusPendingReply<QStringList> reply = *capabilities;
        m_markup = reply.isValid() && reply.value().contains(u"body-markup"_s);
        capabilities->deleteLater();
        if (!m_call && !m_waiting.isEmpty())
            send();
    });
}

void Notifications::add(const QStringList &lines)
{
    if (!m_bus.isConnected()) { // no session bus: no call would ever answer
        emit refused(lines);
        return;
    }
    m_waiting += lines;
    // One call at a time, so that each replaces the notification of the one before.
    if (!m_call && m_markup.has_value())
        send();
}

void Notifications::send()
{
    m_sending = std::exchange(m_waiting, {});
    QDBusMessage notify = QDBusMessage::createMethodCall(Service, Path, Interface, u"Notify"_s);
    const QVariantMap hints{{u"urgency"_s, QVariant::fromValue(uchar(1))}, // normal
                            {u"category"_s, u"x-zentavo.reminder"_s}};
    const QString body = (m_shown + m_sending).join(u'\n');
    notify << AppName() << m_id << u"zentavo"_s << AppName()
           << (m_markup.value_or(false) ? body.toHtmlEscaped() : body) << QStringList() << hints
           << 0; // no expiry: it stays until the user dismisses it
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    m_call = call;
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] { settle(call); });
    QTimer::singleShot(AnswerWithinMs, call, [this, call] {
        if (call == m_call)
            settle(call);
    });
}

void Notifications::settle(QDBusPendingCallWatcher *call)
{
    const QDBusPendingReply<uint> reply = *call;
    if (call != m_call) { // given up on, and answered later: what it shows would come twice
        if (reply.isValid())
            m_bus.send(
                QDBusMessage::createMethodCall(Service, Path, Interface, u"CloseNotification"_s)
                << reply.value());
        call->deleteLater();
        return;
    }
    m_call = nullptr;
    if (reply.isValid()) {
        m_id = reply.value();
        m_shown += std::exchange(m_sending, {});
    } else { // an error, or no answer yet
        // What the notification showed goes to the window as well: a late answer closes it,
        // and a notification that was to be replaced may be gone.
        m_id = 0;
        emit refused(std::exchange(m_shown, {}) + std::exchange(m_sending, {}));
    }
    if (call->isFinished())
        call->deleteLater(); // else it waits for a late answer
    if (!m_waiting.isEmpty())
        send();
}

void Notifications::closed(uint id, uint /*reason*/)
{
    if (id != m_id)
        return;
    m_id = 0;
    m_shown.clear();
}

} // namespace platform
