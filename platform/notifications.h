#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <optional>

class QDBusPendingCallWatcher;

namespace platform {

// Reminders in the desktop's own notifications (the freedesktop notification service on the
// session bus), where they are seen over other programs, kept in the desktop's list and silenced
// by do-not-disturb. One notification at a time: lines that come while it is shown are added to
// it. Lines the desktop does not take, for want of a bus or a service, by an error or by an
// answer later than a second, come back through refused(); a notification shown after such a
// late answer is closed again at once.
class Notifications : public QObject
{
    Q_OBJECT

public:
    explicit Notifications(const QDBusConnection &bus, QObject *parent = nullptr);
    void add(const QStringList &lines);

signals:
    void refused(const QStringList &lines);

private slots:
    void closed(uint id, uint reason);

private:
    void askCapabilities();
    void send();
    // When the call is answered, or has not been within a second.
    void settle(QDBusPendingCallWatcher *call);

    QDBusConnection m_bus;
    uint m_id = 0;         // of the notification shown; 0 when none is
    QStringList m_shown;   // its lines
    QStringList m_sending; // the lines the call on its way adds
    QStringList m_waiting; // lines that came while it was on its way
    QDBusPendingCallWatcher *m_call = nullptr;
    std::optional<bool> m_markup; // the desktop reads the body as markup; unknown while asked
};

} // namespace platform
