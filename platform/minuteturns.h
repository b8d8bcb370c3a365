#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Tells when the wall clock's minute turns, by a timer of the system's real-time clock set to
// the turn itself. Unlike a timer that counts the time it waits (QTimer), it is not held up
// while the computer sleeps: after a suspend it comes at once, and so it does when the clock is
// set (by hand or by the network), so that the clock label and the reminders are never a
// minute late. Where the system has no such timer, it never comes, and the window's own
// minute timer still does.
class MinuteTurns : public QObject
{
    Q_OBJECT

public:
    // `periodMs`: the grid of the wall clock it follows, a minute but in tests; 0 for never
    // (then only what emits turned() by hand tells).
    explicit MinuteTurns(QObject *parent = nullptr, int periodMs = 60000);
    ~MinuteTurns() override;

signals:
    // The minute turned, the computer woke up, or the clock was set.
    void turned();

private:
    void arm();
    void fire();

    const int m_periodMs;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
