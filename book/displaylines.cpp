#include "book/displaylines.h"

#include "book/frequency.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace book {

namespace {

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

} // namespace

QString DisplayLineOf(QStringView line)
{
    QString text = line.toString();
    text.replace(u'^', u' ');
    // Each literal is removed in one left-to-right pass; the order matters where removing
    // one literal joins the pieces of another.
    constexpr Frequency removalOrder[] = {Frequency::Quarterly, Frequency::Weekly,
                                          Frequency::Monthly,   Frequency::Yearly,
                                          Frequency::Daily,     Frequency::Once};
    for (Frequency frequency : removalOrder) {
        const QStringView tag = TagOf(frequency);
        text.remove(QString::fromRawData(reinterpret_cast<const QChar *>(tag.utf16()), tag.size()));
    }
    if (text.size() < 12)
        return {};
    return TrimBlanks(QStringView(text).sliced(11)).toString();
}

namespace {

// DisplayLineOf() of a line read from the file, appended to `text`, by a short cut for the
// lines the program writes. Where the line starts with one of the six tags and its "^", the
// date field holds no "*" or byte beyond ASCII, and the rest holds no "*", the rule's steps
// remove no literal but that tag, and the twelfth character of what they leave is the first
// one after the date field, whatever the rest is: the display line is then the rest, with
// each "^" a blank, trimmed of blanks. Only the rest is decoded.
void AppendDisplayLine(AppointmentLine line, QString &text)
{
    const QByteArrayView bytes = line.bytes();
    const auto general = [&] { text.append(DisplayLineOf(line.text())); };
    // A "^" further in than the longest tag ends no tag.
    const auto tagEnd = bytes.begin() + qMin(bytes.size(), MaxTagSize + 1);
    const auto caretAt = std::find(bytes.begin(), tagEnd, '^');
    const qsizetype caret = caretAt - bytes.begin();
    if (caretAt == tagEnd || !FrequencyOfTag(QLatin1StringView(bytes.first(caret))))
        return general();
    const qsizetype dateEnd = qMin(caret + 11, bytes.size());
    if (!IsPlainDate(bytes.sliced(caret + 1, dateEnd - caret - 1)))
        return general();
    QByteArrayView rest = bytes.sliced(dateEnd);
    const RestScan scan = ScanRest(rest);
    if (scan.star)
        return general();
    // Every "^" becomes a blank, so the trimming must treat a "^" as one too.
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

} // namespace book
