#include "book/reminderschedule.h"

#include "book/appointment.h"
#include "book/datetext.h"

namespace book {

ReminderSchedule::ReminderSchedule(const QDateTime &lastTick)
    : m_lastTick(lastTick)
{
}

QStringList ReminderSchedule::tick(const QDateTime &now, const DaySource &days)
{
    // A clock set back starts the span again from the earlier time.
    if (now < m_lastTick) {
        m_lastTick = now;
        return {};
    }
    const QDateTime previousTick = m_lastTick;
    const QDate today = now.date();
    // Yesterday only for a tick of yesterday's.
    const QDate first = previousTick.date() == today.addDays(-1) ? previousTick.date() : today;
    const std::optional<DayLines> lines = days(first, today);
    if (!lines)
        return {};
    m_lastTick = now;
    m_reminded.removeIf([today, previousTick](const auto &day) {
        return day.key() < qMin(today, previousTick.date()).addDays(-1);
    });
    const auto minuteOf = [](const QDateTime &at) {
        return at.time().hour() * 60 + at.time().minute();
    };
    QStringList due;
    for (const auto &[date, displayLines] : *lines) {
        const int after = date == previousTick.date() ? minuteOf(previousTick) : -1;
        const int until = date == today ? minuteOf(now) : 24 * 60 - 1;
        if (until <= after)
            continue;
        QSet<QString> &reminded = m_reminded[date];
        // The same appointment stored twice is two reminders. Copies of one line have one time,
        // so counting only the lines in the span numbers them all the same.
        QHash<QStringView, int> occurrences;
        for (const QString &shown : displayLines) {
            const int minute = Appointment::MinuteOfDisplayLine(shown);
            if (minute < 0 || minute <= after || minute > until)
                continue;
            const QString key = shown + u'\n' + QString::number(occurrences[shown]++);
            if (reminded.contains(key))
                continue;
            reminded.insert(key);
            // One of another day says which.
            due.append(date == today ? shown : DateText(date) + u' ' + shown);
        }
    }
    return due;
}

} // namespace book
