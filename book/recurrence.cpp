#include "book/recurrence.h"

#include "book/appointmentline.h"
#include "book/datetext.h"

#include <iterator>

namespace book {

namespace {

enum class Frequency { None, Once, Daily, Weekly, Monthly, Quarterly, Yearly };

// In the order of FrequencyTags.
constexpr Frequency Frequencies[] = {Frequency::Once,    Frequency::Daily,     Frequency::Weekly,
                                     Frequency::Monthly, Frequency::Quarterly, Frequency::Yearly};
static_assert(std::size(Frequencies) == FrequencyTags.size());

} // namespace

DayKey MakeDayKey(QDate date)
{
    return DayKey{date, WeekdayNumber(date), date.month(), date.day(), date.year(), DateText(date)};
}

bool FallsOnDate(QLatin1StringView line, const DayKey &key)
{
    // Every line is tested on every build: a "^" further in than the longest tag can end
    // only a tag that is none of them.
    const qsizetype caret = CaretOfTag(line);
    if (caret < 0)
        return false;
    const qsizetype tag = FrequencyTagIndex(line.first(caret));
    if (tag < 0)
        return false;
    const Frequency frequency = Frequencies[tag];

    const QLatin1StringView dateField =
        line.sliced(caret + 1).first(qMin<qsizetype>(10, line.size() - caret - 1));
    // All but two frequencies want the stored day to be the key's: its two digits settle most
    // lines before the date is read whole.
    if (frequency != Frequency::Daily && frequency != Frequency::Weekly &&
        (dateField.size() < 2 || dateField[0] != QLatin1Char(char('0' + key.day / 10)) ||
         dateField[1] != QLatin1Char(char('0' + key.day % 10))))
        return false;
    const QCalendar::YearMonthDay stored = DateTextParts(dateField);
    if (!stored.isValid())
        return false;

    switch (frequency) {
    case Frequency::Once:
        return stored.day == key.day && stored.month == key.month && stored.year == key.year;
    case Frequency::Daily:
        return true;
    case Frequency::Weekly:
        return WeekdayNumber(stored) == key.weekday;
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
