// The minute timer: it keeps the clock label current and reminds the user of today's
// appointments when their time comes.
#include "window/form1.h"

#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "platform/clock.h"
#include "platform/minuteturns.h"
#include "platform/notifications.h"
#include "window/reminder.h"

#include <QApplication>
#include <QHash>
#include <QLabel>
#include <QScreen>
#include <QStringListModel>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A tick comes just after the minute turns, so the label never shows a minute gone by.
constexpr int TickLateMs = 20;

int MsToNextMinute(const QDateTime &now)
{
    const QTime time = now.time();
    return 60000 - (time.second() * 1000 + time.msec()) + TickLateMs;
}

} // namespace

void form1::startTimer1()
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may come seconds early
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &form1::Timer1_Timer);
    if (m_services.notifications)
        connect(m_services.notifications, &platform::Notifications::refused, this,
                &form1::showReminder);
    // The timer counts the time it waits, which stops while the computer sleeps: the wall
    // clock's own turns put it right again.
    if (m_services.minuteTurns)
        connect(m_services.minuteTurns, &platform::MinuteTurns::turned, this, &form1::Timer1_Timer);
    Timer1->start(MsToNextMinute(m_lastTick));
}

void form1::Timer1_Timer()
{
    const QDateTime now = m_services.clock->now();
    // Once a minute, set anew each time, so that a timer that drifted comes back to the turn.
    Timer1->start(MsToNextMinute(now));
    text6->setText(now.toString(u"HH:mm"_s));
    followDay(now.date());
    // Before the window is first shown (the splash on its days) reminders wait for it.
    if (m_shownOnce)
        remindPending();
}

void form1::remindPending()
{
    // A book that cannot be read now is read again at the next tick, from the same point. A
    // clock set back starts the span again from the earlier time, where nothing is repeated.
    const QDateTime now = m_services.clock->now();
    if (now < m_lastTick || remindSince(m_lastTick, now))
        m_lastTick = now;
}

bool form1::remindSince(const QDateTime &previousTick, const QDateTime &now)
{
    // The appointments whose minute has come since the previous tick: after that tick's minute,
    // up to this one, of today and, after a late tick across midnight (a laptop woken in the
    // morning), of yesterday's last minutes, whatever date the window shows. Each comes once
    // a day however the clock moves: a clock set back (across midnight too) repeats nothing.
    const QDate today = now.date();
    // Yesterday only for a tick of yesterday's: a clock put forward by days reminds of none of
    // the days it passed over.
    const QDate first = previousTick.date() == today.addDays(-1) ? previousTick.date() : today;
    m_reminded.removeIf([today, previousTick](const auto &day) {
        return day.key() < qMin(today, previousTick.date()).addDays(-1);
    });
    const auto minuteOf = [](const QDateTime &at) {
        return at.time().hour() * 60 + at.time().minute();
    };
    // Today's agenda as the window shows it, where it shows today from the book as it is now:
    // no read of the book at each tick. Else one read for both days, and nothing taken as
    // reminded before it succeeded.
    QList<std::pair<QDate, QStringList>> days;
    if (first == today && today == m_shownDate && !m_readFailureShown &&
        book::StampOf(m_services.dataFile) == m_shownStamp) {
        days.append({today, Combo3Entries->stringList()});
    } else {
        const std::optional<book::AppointmentLines> lines =
            book::LoadAppointmentLines(m_services.dataFile);
        if (!lines)
            return false;
        for (const book::DayAgenda &agenda :
             book::BuildDayAgendas(*lines, first, int(first.daysTo(today)) + 1))
            days.append({agenda.key.date, agenda.displayLines.toList()});
    }
    QStringList due;
    for (const auto &[date, displayLines] : std::as_const(days)) {
        const int after = date == previousTick.date() ? minuteOf(previousTick) : -1;
        const int until = date == today ? minuteOf(now) : 24 * 60 - 1;
        if (until <= after)
            continue;
        QSet<QString> &reminded = m_reminded[date];
        // The same appointment stored twice is two reminders. Copies of one line have one time,
        // so counting only the lines in the span numbers them all the same.
        QHash<QStringView, int> occurrences;
        for (const QString &shown : displayLines) {
            const int minute = book::MinuteOfDay(QStringView(shown).left(5));
            if (minute < 0 || minute <= after || minute > until)
                continue;
            const int occurrence = occurrences[shown]++;
            const QString &entry = shown;
            const QString key = entry + u'\n' + QString::number(occurrence);
            if (reminded.contains(key))
                continue;
            reminded.insert(key);
            // One of another day says which.
            due.append(date == today ? entry : book::DateText(date) + u' ' + entry);
        }
    }
    if (due.isEmpty())
        return true;

    // In the desktop's notifications when it has them; what it does not take, in our own window.
    if (m_services.notifications)
        m_services.notifications->add(due);
    else
        showReminder(due);
    return true;
}

void form1::showReminder(const QStringList &due)
{
    if (!m_reminder) {
        m_reminder = new ReminderWindow(this);
        // Below the main window, kept on the screen.
        QRect place(frameGeometry().bottomLeft() + QPoint(0, 16), m_reminder->size());
        if (const QScreen *shown = screen()) {
            const QRect desk = shown->availableGeometry();
            place.moveBottom(qMin(place.bottom(), desk.bottom()));
            place.moveRight(qMin(place.right(), desk.right()));
        }
        m_reminder->move(place.topLeft());
    }
    m_reminder->add(m_services.clock->now().date(), due);
    m_reminder->show();
    QApplication::beep();
}
