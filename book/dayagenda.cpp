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

// Whether the date field, ten bytes but in a broken line, is ASCII without a "*": eight
// bytes and two at once, as numbers, where it is whole.
bool IsPlainDate(QByteArrayView field)
{
    if (field.size() < 10) {
        return std::none_of(field.begin(), field.end(), [](char c) {
            return c == '*' || static_cast<unsigned char>(c) >= 0x80;
        });
    }
    constexpr quint64 Ones = 0x0101'0101'0101'0101;
    constexpr quint64 Tops = 0x8080'8080'8080'8080;
    const quint64 bytes[2] = {qFromUnaligned<quint64>(field.data()),
                              qFromUnaligned<quint16>(field.data() + 8) | (Ones << 16)};
    for (quint64 word : bytes) {
        const quint64 stars = word ^ (Ones * '*'); // a zero byte where there was a "*"
        if ((word & Tops) != 0 || ((stars - Ones) & ~stars & Tops) != 0)
            return false;
    }
    return true;
}

// What the shown part of a line holds beyond plain text, found sixteen bytes at a time.
struct RestScan
{
    bool star = false;  // a "*", which may start a tag literal to remove
    bool caret = false; // a "^", shown as a blank
    bool ascii = true;
};

RestScan ScanRest(QByteArrayView bytes)
{
#if defined(__SSE2__)
    const __m128i star = _mm_set1_epi8('*');
    const __m128i caret = _mm_set1_epi8('^');
    __m128i stars = _mm_setzero_si128();
    __m128i carets = _mm_setzero_si128();
    __m128i high = _mm_setzero_si128();
    const auto scan = [&](const char *chunk) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chunk));
        stars = _mm_or_si128(stars, _mm_cmpeq_epi8(b, star));
        carets = _mm_or_si128(carets, _mm_cmpeq_epi8(b, caret));
        high = _mm_or_si128(high, b);
    };
    qsizetype i = 0;
    for (; i + 16 <= bytes.size(); i += 16)
        scan(bytes.data() + i);
    if (i < bytes.size()) {
        char tail[16] = {};
        std::memcpy(tail, bytes.data() + i, size_t(bytes.size() - i));
        scan(tail);
    }
    return {_mm_movemask_epi8(stars) != 0, _mm_movemask_epi8(carets) != 0,
            _mm_movemask_epi8(high) == 0};
#else
    RestScan found;
    for (char c : bytes) {
        found.star = found.star || c == '*';
        found.caret = found.caret || c == '^';
        found.ascii = found.ascii && static_cast<unsigned char>(c) < 0x80;
    }
    return found;
#endif
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

QString DisplayLineOf(QStringView line)
{
    // A line as the program writes it has its tag in front and no other "*": the general
    // steps below then come down to taking what follows the date.
    const qsizetype caret = line.indexOf(u'^');
    const QStringView tag = line.first(qMax<qsizetype>(caret, 0));
    if (std::find(FrequencyTags.begin(), FrequencyTags.end(), tag) != FrequencyTags.end() &&
        !line.sliced(caret).contains(u'*')) {
        // Every "^" becomes a blank, so the trimming must treat a "^" as one too.
        QStringView rest = line.sliced(qMin(caret + 11, line.size()));
        while (!rest.isEmpty() && (rest.front() == u' ' || rest.front() == u'^'))
            rest = rest.sliced(1);
        while (!rest.isEmpty() && (rest.back() == u' ' || rest.back() == u'^'))
            rest.chop(1);
        return rest.toString().replace(u'^', u' ');
    }

    QString text = line.toString();
    text.replace(u'^', u' ');
    // Each literal is removed in one left-to-right pass; the order matters where removing
    // one literal joins the pieces of another.
    static const QString tags[] = {Quarterly.toString(), Weekly.toString(), Monthly.toString(),
                                   Yearly.toString(),    Daily.toString(),  Once.toString()};
    for (const QString &literal : tags)
        text.remove(literal);
    if (text.size() < 12)
        return {};
    return TrimBlanks(QStringView(text).sliced(11)).toString();
}

namespace {

// DisplayLineOf() of a line read from the file, appended to `text`: the short cut above, on
// the bytes. It holds where the tag and the date are ASCII, so that the twelfth character is
// the twelfth byte whatever the rest of the line is.
void AppendDisplayLine(AppointmentLine line, QString &text)
{
    const QByteArrayView bytes = line.bytes();
    const qsizetype caret = CaretOfTag(line.asLatin1());
    const auto general = [&] { text.append(DisplayLineOf(line.text())); };
    if (caret < 0 || FrequencyTagIndex(QLatin1StringView(bytes.first(caret))) < 0)
        return general();
    const qsizetype dateEnd = qMin(caret + 11, bytes.size());
    if (!IsPlainDate(bytes.sliced(caret + 1, dateEnd - caret - 1)))
        return general();
    QByteArrayView rest = bytes.sliced(dateEnd);
    const RestScan scan = ScanRest(rest);
    if (scan.star)
        return general();
    while (!rest.isEmpty() && (rest.front() == ' ' || rest.front() == '^'))
        rest = rest.sliced(1);
    while (!rest.isEmpty() && (rest.back() == ' ' || rest.back() == '^'))
        rest.chop(1);
    const qsizetype start = text.size();
    // Whether the line is UTF-8 is decided by the rest alone, the part before it being ASCII.
    if (scan.ascii)
        text.append(QLatin1StringView(rest));
    else
        AppendDecodedLineBytes(rest, text);
    if (scan.caret)
        std::replace(text.begin() + start, text.end(), QChar(u'^'), QChar(u' '));
}

} // namespace

QStringList DisplayLines::toList() const
{
    QStringList list;
    list.reserve(size());
    for (QStringView line : *this)
        list.append(line.toString());
    return list;
}

DisplayLines DisplayLines::picked(const QList<qsizetype> &indexes) const
{
    DisplayLines lines;
    lines.m_text = m_text;
    lines.m_spans.reserve(indexes.size());
    for (qsizetype index : indexes)
        lines.m_spans.append(m_spans.at(index));
    return lines;
}

DisplayLines DisplayLinesOf(const AppointmentLines &lines, const QList<qsizetype> &indexes)
{
    // Room for what follows the shortest tag and a date on each line: both ways of taking the
    // display line drop a tag and a date, and decoding gives no more units than bytes. The
    // block is then allocated once, and the room never used is never touched.
    qsizetype room = 0;
    for (qsizetype index : indexes)
        room += qMax<qsizetype>(lines.at(index).bytes().size() - (Once.size() + 11), 0);
    DisplayLines shown;
    shown.m_text.reserve(room);
    shown.m_spans.reserve(indexes.size());
    for (qsizetype index : indexes) {
        const qsizetype start = shown.m_text.size();
        AppendDisplayLine(lines.at(index), shown.m_text);
        Q_ASSERT(shown.m_text.size() <= AppointmentLines::MaxContentSize);
        shown.m_spans.append({quint32(start), quint32(shown.m_text.size() - start)});
    }
    return shown;
}

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
