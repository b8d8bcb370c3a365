#include "book/recurrence.h"

#include "book/appointmentline.h"
#include "book/datetext.h"

#include <utility>

namespace book {

namespace {

enum class Frequency { None, Once, Daily, Weekly, Monthly, Quarterly, Yearly };

Frequency FrequencyOf(QLatin1StringView tag)
{
    // Every line is tested on every build; the comparison looks at the length first.
    static constexpr std::pair<QStringView, Frequency> frequencies[] = {
        {Once, Frequency::Once},           {Daily, Frequency::Daily},
        {Weekly, Frequency::Weekly},       {Monthly, Frequency::Monthly},
        {Quarterly, Frequency::Quarterly}, {Yearly, Frequency::Yearly}};
    for (const auto &[literal, frequency] : frequencies) {
        if (tag == literal)
            return frequency;
    }
    return Frequency::None;
}

} // namespace

DayKey MakeDayKey(QDate date)
{
    return DayKey{date, WeekdayNumber(date), date.month(), date.day(), date.year(), DateText(date)};
}

bool FallsOnDate(QLatin1StringView line, const DayKey &key)
{
    const qsizetype caret = line.indexOf(u'^');
    if (caret < 0)
        return false;
    const Frequency frequency = FrequencyOf(line.first(caret));
    if (frequency == Frequency::None)
        return false;

    const QLatin1StringView dateField =
        line.sliced(caret + 1).first(qMin<qsizetype>(10, line.size() - caret - 1));
    const QCalendar::YearMonthDay stored = DateTextParts(dateField);
    if (!stored.isValid())
        return false;

    switch (frequency) {
    case Frequency::Once:
        return stored.day == key.day && stored.month == key.month && stored.year == key.year;
    case Frequency::Daily:
        return true;
    case Frequency::Weekly:
        return WeekdayNumber(QDate(stored.year, stored.month, stored.day)) == key.weekday;
    case Frequency::Monthly:
        return stored.day == key.day;
    case Frequency::Quarterly:
        // The stored month and every third month after it, wrapping past December; the
        // year is not looked at.
        return stored.day == key.day && (key.month - stored.month + 12) % 3 == 0;
    case Frequency::Yearly:
        return stored.day == key.day && stored.month == key.month;
    case Frequency::None:
        break;
    }
    return false;
}

} // namespace book
