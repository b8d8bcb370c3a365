#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace book {

// Which appointments come due at a tick of the minute timer. Those whose minute has come since
// the previous tick are due: after that tick's minute, up to this one, of today and, after a
// late tick across midnight (a laptop woken in the morning), of yesterday's last minutes. Each
// comes once a day however the clock moves: a clock set back, across midnight too, repeats
// nothing, and one put forward by days reminds of none of the days it passed over.
class ReminderSchedule
{
public:
    // Each day's display lines in agenda order, for the days from `first` to `last`.
    using DayLines = QList<std::pair<QDate, QStringList>>;
    // nullopt when the book cannot be read: the tick is then taken again from the same point.
    using DaySource = std::function<std::optional<DayLines>(QDate first, QDate last)>;

    // `lastTick` is taken as the tick before the first; a minute before the start reminds of
    // the appointments of the minute the program starts in.
    explicit ReminderSchedule(const QDateTime &lastTick);

    // The entries due at a tick at `now`, in agenda order, each day's after the day before's;
    // one of yesterday's with its date in front ("07/12/2026 23:55 Call").
    QStringList tick(const QDateTime &now, const DaySource &days);

private:
    QDateTime m_lastTick;
    QHash<QDate, QSet<QString>> m_reminded; // of yesterday and today, each day's own
};

} // namespace book
