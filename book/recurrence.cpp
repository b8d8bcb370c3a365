#include "book/recurrence.h"

#include "book/datetext.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <optional>

namespace book {

namespace {

constexpr qsizetype MinDatedLineSize = Once.size() + 11; // tag, "^" and dd/mm/yyyy

// A tag and its "^" as the first bytes of a line, read as two little-endian numbers.
struct TagForm
{
    quint64 mask[2] = {0, 0};
    quint64 bytes[2] = {1, 0}; // matches no line until a tag is set
    qsizetype caret = 0;
    std::optional<Frequency> frequency;
};

// The six tags of FrequencyTags, each with its "^", as masked numbers; indexed by a tag's
// second byte, whose five low bits differ for the six.
constexpr std::array<TagForm, 32> MakeTagForms()
{
    std::array<TagForm, 32> forms{};
    for (size_t tag = 0; tag < FrequencyTags.size(); ++tag) {
        const QStringView text = FrequencyTags[tag];
        TagForm form{{0, 0}, {0, 0}, text.size(), Frequency(tag)};
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const quint64 byte = i < text.size() ? text[i].unicode() : u'^';
            form.mask[i / 8] |= quint64(0xFF) << (8 * (i % 8));
            form.bytes[i / 8] |= byte << (8 * (i % 8));
        }
        forms[text[1].unicode() % forms.size()] = form;
    }
    return forms;
}
constexpr std::array<TagForm, 32> TagForms = MakeTagForms();
static_assert(std::count_if(TagForms.begin(), TagForms.end(),
                            [](const TagForm &form) { return form.frequency.has_value(); }) ==
                  FrequencyTags.size(),
              "each tag needs a slot of its own");
static_assert(MaxTagSize + 1 <= 16, "a tag and its caret fit the first sixteen bytes");

} // namespace

DayKey MakeDayKey(QDate date)
{
    return DayKey{date, WeekdayNumber(date), date.month(), date.day(), date.year(), DateText(date)};
}

namespace {

// FallsOnDates(), inline for the loop over all lines, where a single date makes count 1.
Q_ALWAYS_INLINE quint32 DatesOf(QLatin1StringView line, const DayKey *keys, int count)
{
    // Every line is tested on every build. The shortest line with a date has sixteen bytes, and
    // its first sixteen tell the tag and where its "^" is in one look at the form of that tag.
    if (line.size() < MinDatedLineSize)
        return 0;
    const quint64 head[2] = {qFromLittleEndian<quint64>(line.data()),
                             qFromLittleEndian<quint64>(line.data() + 8)};
    const TagForm &form = TagForms[static_cast<unsigned char>(line.data()[1]) % TagForms.size()];
    if (((head[0] & form.mask[0]) != form.bytes[0]) | ((head[1] & form.mask[1]) != form.bytes[1]))
        return 0;
    const qsizetype caret = form.caret;
    const Frequency frequency = *form.frequency; // a form with none matches no line

    const QLatin1StringView dateField =
        line.sliced(caret + 1).first(qMin<qsizetype>(10, line.size() - caret - 1));
    // All but two frequencies want the stored day to be a key's (FallsOn): its two digits
    // settle most lines before the date is read whole.
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
    for (int i = 0; i < count; ++i)
        dates |= quint32(FallsOn(frequency, stored, weekday, keys[i])) << i;
    return dates;
}

} // namespace

quint32 FallsOnDates(QLatin1StringView line, const DayKey *keys, int count)
{
    return DatesOf(line, keys, count);
}

QList<qsizetype> FallingLines(const AppointmentLines &lines, const DayKey *keys, int count,
                              std::vector<quint32> *dates)
{
    QList<qsizetype> found;
    const auto scan = [&](int keyCount) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (const quint32 on = DatesOf(lines.at(i).asLatin1(), keys, keyCount)) {
                found.append(i);
                if (dates)
                    dates->push_back(on);
            }
        }
    };
    if (count == 1)
        scan(1); // with the count known, the test of each line comes down to one date's
    else
        scan(count);
    return found;
}

bool FallsOnDate(QLatin1StringView line, const DayKey &key)
{
    return FallsOnDates(line, &key, 1) != 0;
}

} // namespace book
