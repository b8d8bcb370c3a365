#include "book/dayagenda.h"

#include "book/appointmentfile.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace book {

namespace {

// A unit outside a surrogate pair, folded as QString::toCaseFolded() folds it: within the
// Basic Multilingual Plane, so the number of units stays.
char16_t FoldUnit(char16_t unit)
{
    if (unit < 0x80)
        return unit + (char16_t(unit - u'A') < 26 ? u'a' - u'A' : 0);
    return char16_t(QChar::toCaseFolded(char32_t(unit)));
}

// The folded form of the text, pairs and all, as QString::toCaseFolded() gives it.
std::u16string FoldCase(QStringView text)
{
    std::u16string out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t folded =
                QChar::toCaseFolded(QChar::surrogateToUcs4(unit, text[++i].unicode()));
            out += QChar::highSurrogate(folded);
            out += QChar::lowSurrogate(folded);
        } else {
            out += QChar::isSurrogate(unit) ? unit : FoldUnit(unit);
        }
    }
    return out;
}

// The first sixteen units of a line, folded to a byte each, where they are all ASCII: eight
// units to an instruction where the processor has them. False, and `head` to be filled unit
// by unit, otherwise.
bool PackAsciiHead(QStringView line, unsigned char head[16])
{
#if defined(__SSE2__)
    char16_t units[16] = {};
    // An empty line may have no data at all, and memcpy takes no null pointer even for 0 bytes.
    if (!line.isEmpty())
        std::memcpy(units, line.utf16(),
                    size_t(qMin<qsizetype>(line.size(), 16)) * sizeof(char16_t));
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + 8));
    const __m128i beyondAscii = _mm_and_si128(_mm_or_si128(first, second), _mm_set1_epi16(-0x80));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(beyondAscii, _mm_setzero_si128())) != 0xFFFF)
        return false;
    __m128i bytes = _mm_packus_epi16(first, second);
    // Every byte is ASCII now, below 0x80, so the signed comparisons find 'A'-'Z' exactly.
    const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
    bytes = _mm_add_epi8(bytes, _mm_and_si128(upper, _mm_set1_epi8('a' - 'A')));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(head), bytes);
    return true;
#else
    Q_UNUSED(line);
    Q_UNUSED(head);
    return false;
#endif
}

// The two lines compared as their folded forms compare, folding a unit only where the lines
// differ; where that is in a surrogate pair, both are folded whole.
int CompareFolded(QStringView a, QStringView b)
{
    const qsizetype common = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t unitA = a[i].unicode();
        const char16_t unitB = b[i].unicode();
        if (unitA == unitB)
            continue;
        if (QChar::isSurrogate(unitA) || QChar::isSurrogate(unitB))
            return FoldCase(a).compare(FoldCase(b));
        const char16_t foldedA = FoldUnit(unitA);
        const char16_t foldedB = FoldUnit(unitB);
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

} // namespace

QList<qsizetype> AgendaOrder(const DisplayLines &displayLines)
{
    // "HH:MM" sorts by time as plain text, so one case-blind comparison of the whole line
    // orders by time and then by content. The first sixteen folded units of each line are
    // packed a byte each into three numbers that settle nearly every comparison: a unit above
    // 0xFE counts as 0xFF and ends the packing, so that lines alike in their packed bytes are
    // either equal there or to be compared whole. Units 12-15 are kept apart from the key, so
    // that the key the sort moves is sixteen bytes.
    struct SortKey
    {
        quint64 high; // units 0-7, the first in the top byte
        quint32 low;  // units 8-11
        quint32 index;
    };
    std::vector<SortKey> keys(size_t(displayLines.size()));
    std::vector<quint32> lowest(keys.size()); // units 12-15, by index
    for (qsizetype i = 0; i < displayLines.size(); ++i) {
        const QStringView line = displayLines.at(i);
        unsigned char head[16] = {};
        if (!PackAsciiHead(line, head)) {
            for (qsizetype c = 0; c < qMin<qsizetype>(line.size(), 16); ++c) {
                const char16_t unit = line.at(c).unicode();
                const char16_t folded = QChar::isSurrogate(unit) ? 0xFF : FoldUnit(unit);
                head[c] = static_cast<unsigned char>(qMin<char16_t>(folded, 0xFF));
                if (head[c] == 0xFF)
                    break;
            }
        }
        keys[size_t(i)] = {qFromBigEndian<quint64>(head), qFromBigEndian<quint32>(head + 8),
                           quint32(i)};
        lowest[size_t(i)] = qFromBigEndian<quint32>(head + 12);
    }
    if (keys.empty())
        return {};

    // By `high` first, a byte at a time from its lowest, each pass keeping the order of the
    // one before: a radix sort has no comparison to mispredict, and a byte that all lines
    // share, such as the ":" of the time, costs no pass.
    std::array<std::array<quint32, 256>, 8> counts{};
    for (const SortKey &key : keys) {
        for (int byte = 0; byte < 8; ++byte)
            ++counts[byte][key.high >> (8 * byte) & 0xFF];
    }
    std::vector<SortKey> sorted(keys.size());
    for (int byte = 0; byte < 8; ++byte) {
        std::array<quint32, 256> &starts = counts[byte];
        if (starts[keys.front().high >> (8 * byte) & 0xFF] == keys.size())
            continue;
        quint32 start = 0;
        for (quint32 &count : starts)
            start += std::exchange(count, start);
        for (const SortKey &key : keys)
            sorted[starts[key.high >> (8 * byte) & 0xFF]++] = key;
        keys.swap(sorted);
    }
    // Lines alike in `high` are still in their first order, and are sorted among themselves by
    // all the rest; the index comes last, for lines equal in the agenda order.
    for (auto run = keys.begin(); run != keys.end();) {
        const auto end = std::find_if(
            run, keys.end(), [high = run->high](const SortKey &key) { return key.high != high; });
        if (end - run > 1) {
            std::sort(run, end, [&displayLines, &lowest](const SortKey &a, const SortKey &b) {
                if (a.low != b.low)
                    return a.low < b.low;
                if (lowest[a.index] != lowest[b.index])
                    return lowest[a.index] < lowest[b.index];
                const int order = CompareFolded(displayLines.at(a.index), displayLines.at(b.index));
                return order != 0 ? order < 0 : a.index < b.index;
            });
        }
        run = end;
    }

    QList<qsizetype> order;
    order.reserve(displayLines.size());
    for (const SortKey &key : keys)
        order.append(key.index);
    return order;
}

DayAgenda BuildDayAgenda(AppointmentLines allLines, QDate date)
{
    DayAgenda agenda;
    agenda.key = MakeDayKey(date);
    agenda.allLines = std::move(allLines);
    agenda.matchingLines = FallingLines(agenda.allLines, &agenda.key, 1);
    const DisplayLines shown = DisplayLinesOf(agenda.allLines, agenda.matchingLines);
    const QList<qsizetype> order = AgendaOrder(shown);
    agenda.displayLines = shown.picked(order);
    agenda.displaySources.reserve(order.size());
    for (qsizetype index : order)
        agenda.displaySources.append(agenda.matchingLines.at(index));
    agenda.count = agenda.displayLines.size();
    return agenda;
}

QList<DayAgenda> BuildDayAgendas(const AppointmentLines &allLines, QDate first, int days)
{
    days = qBound(0, days, 32); // one bit a date below
    QList<DayAgenda> agendas(days);
    std::vector<DayKey> keys;
    for (int day = 0; day < days; ++day) {
        keys.push_back(MakeDayKey(first.addDays(day)));
        agendas[day].key = keys.back();
        agendas[day].allLines = allLines; // the same block
    }
    std::vector<quint32> dates; // bit d: the line falls on the d-th date
    const QList<qsizetype> sources = FallingLines(allLines, keys.data(), days, &dates);
    const DisplayLines shown = DisplayLinesOf(allLines, sources);
    for (qsizetype k = 0; k < sources.size(); ++k) {
        for (int day = 0; day < days; ++day) {
            if (dates[size_t(k)] & (quint32(1) << day))
                agendas[day].matchingLines.append(sources.at(k));
        }
    }
    // Lines equal in the agenda order keep their order in the file, on every date; the dates
    // share one block.
    const QList<qsizetype> order = AgendaOrder(shown);
    for (int day = 0; day < days; ++day) {
        QList<qsizetype> picks;
        picks.reserve(agendas[day].matchingLines.size());
        for (qsizetype index : order) {
            if (dates[size_t(index)] & (quint32(1) << day)) {
                picks.append(index);
                agendas[day].displaySources.append(sources.at(index));
            }
        }
        agendas[day].displayLines = shown.picked(picks);
    }
    for (DayAgenda &agenda : agendas)
        agenda.count = agenda.displayLines.size();
    return agendas;
}

DayAgenda BuildDayAgenda(const QString &path, QDate date)
{
    std::optional<AppointmentLines> lines = LoadAppointmentLines(path);
    DayAgenda agenda = BuildDayAgenda(lines ? std::move(*lines) : AppointmentLines(), date);
    agenda.readFailed = !lines.has_value();
    return agenda;
}

} // namespace book
