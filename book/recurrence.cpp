#include "book/recurrence.h"

#include "book/appointmentline.h"
#include "book/datetext.h"

namespace book {

namespace {

enum class Frequency { None, Once, Daily, Weekly, Monthly, Quarterly, Yearly };

Frequency FrequencyOf(QLatin1StringView tag)
{
    // Every line is tested on every build: compare lengths before characters.
    switch (tag.size()) {
    case 5:
        return tag == QLatin1StringView("*Once") ? Frequency::Once : Frequency::None;
    case 6:
        return tag == QLatin1StringView("*Daily") ? Frequency::Daily : Frequency::None;
    case 7:
        return tag == QLatin1StringView("*Weekly")   ? Frequency::Weekly
               : tag == QLatin1StringView("*Yearly") ? Frequency::Yearly
                                                     : Frequency::None;
    case 8:
        return tag == QLatin1StringView("*Monthly") ? Frequency::Monthly : Frequency::None;
    case 10:
        return tag == QLatin1StringView("*Quarterly") ? Frequency::Quarterly : Frequency::None;
    default:
        return Frequency::None;
    }
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

bool FallsOnDate(QStringView line, const DayKey &key)
{
    // Tag and date field are ASCII; a line with anything else there falls on no date, and
    // encoding it as UTF-8 keeps it from matching (as its bytes in the file would not).
    return FallsOnDate(QLatin1StringView(line.toUtf8()), key);
}

} // namespace book
