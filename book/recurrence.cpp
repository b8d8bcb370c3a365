#include "book/recurrence.h"

#include "book/appointmentline.h"
#include "book/datetext.h"

#include <algorithm>
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

quint32 FallsOnDates(QLatin1StringView line, const DayKey *keys, int count)
{
    // Every line is tested on every build: a "^" further in than the longest tag can end
    // only a tag that is none of them.
    const qsizetype caret = CaretOfTag(line);
    if (caret < 0)
        return 0;
    const qsizetype tag = FrequencyTagIndex(line.first(caret));
    if (tag < 0)
        return 0;
    const Frequency frequency = Frequencies[tag];

    const QLatin1StringView dateField =
        line.sliced(caret + 1).first(qMin<qsizetype>(10, line.size() - caret - 1));
    // All but two frequencies want the stored day to be a key's: its two digits settle most
    // lines before the date is read whole.
    if (frequency != Frequency::Daily && frequency != Frequency::Weekly) {
        if (dateField.size() < 2)
            return 0;
        const int day = (dateField[0].unicode() - '0') * 10 + (dateField[1].unicode() - '0');
        if (std::none_of(keys, keys + count, [day](const DayKey &key) { return key.day == day; }))
            return 0;
    }
    const QCalendar::YearMonthDay stored = DateTextParts(dateField);
    if (!stored.isValid())
        return 0;
    const int weekday = frequency == Frequency::Weekly ? WeekdayNumber(stored) : 0;

    quint32 dates = 0;
    for (int i = 0; i < count; ++i) {
        const DayKey &key = keys[i];
        bool falls = false;
        switch (frequency) {
        case Frequency::Once:
            falls = stored.day == key.day && stored.month == key.month && stored.year == key.year;
            break;
        case Frequency::Daily:
            falls = true;
            break;
        case Frequency::Weekly:
            falls = weekday == key.weekday;
            break;
        case Frequency::Monthly:
            falls = stored.day == key.day;
            break;
        case Frequency::Quarterly:
            // The stored month and every third month after it, wrapping past December; the
            // year is not looked at.
            falls = stored.day == key.day && (key.month - stored.month + 12) % 3 == 0;
            break;
        case Frequency::Yearly:
            falls = stored.day == key.day && stored.month == key.month;
            break;
        case Frequency::None:
            break;
        }
        dates |= quint32(falls) << i;
    }
    return dates;
}

bool FallsOnDate(QLatin1StringView line, const DayKey &key)
{
    return FallsOnDates(line, &key, 1) != 0;
}

} // namespace book
