#include "book/recurrence.h"

#include "book/appointmentline.h"
#include "book/datetext.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace book {

DayKey MakeDayKey(QDate date)
{
    return DayKey{date, WeekdayNumber(date), date.month(), date.day(), date.year(), DateText(date)};
}

Recurrence::Recurrence(QLatin1StringView line)
{
    const qsizetype caret = line.indexOf(u'^');
    if (caret < 0)
        return;
    // Every line is tested on every build; the comparison looks at the length first.
    static constexpr std::pair<QStringView, Frequency> frequencies[] = {
        {Once, Frequency::Once},           {Daily, Frequency::Daily},
        {Weekly, Frequency::Weekly},       {Monthly, Frequency::Monthly},
        {Quarterly, Frequency::Quarterly}, {Yearly, Frequency::Yearly}};
    const QLatin1StringView tag = line.first(caret);
    const auto found = std::find_if(std::begin(frequencies), std::end(frequencies),
                                    [tag](const auto &known) { return tag == known.first; });
    if (found == std::end(frequencies))
        return;

    const QLatin1StringView dateField =
        line.sliced(caret + 1).first(qMin<qsizetype>(10, line.size() - caret - 1));
    const QCalendar::YearMonthDay stored = DateTextParts(dateField);
    if (!stored.isValid())
        return;
    m_frequency = found->second;
    m_day = stored.day;
    m_month = stored.month;
    m_year = stored.year;
    if (m_frequency == Frequency::Weekly)
        m_weekday = WeekdayNumber(QDate(stored.year, stored.month, stored.day));
}

bool Recurrence::fallsOn(const DayKey &key) const
{
    switch (m_frequency) {
    case Frequency::Once:
        return m_day == key.day && m_month == key.month && m_year == key.year;
    case Frequency::Daily:
        return true;
    case Frequency::Weekly:
        return m_weekday == key.weekday;
    case Frequency::Monthly:
        return m_day == key.day;
    case Frequency::Quarterly:
        // The stored month and every third month after it, wrapping past December; the
        // year is not looked at.
        return m_day == key.day && (key.month - m_month + 12) % 3 == 0;
    case Frequency::Yearly:
        return m_day == key.day && m_month == key.month;
    case Frequency::None:
        break;
    }
    return false;
}

bool FallsOnDate(QLatin1StringView line, const DayKey &key)
{
    return Recurrence(line).fallsOn(key);
}

} // namespace book
