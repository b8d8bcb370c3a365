#include "book/appointmentline.h"

#include <QStringDecoder>

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace book {

namespace {

// Windows-1252 for 0x80-0x9F; the five bytes it leaves undefined keep their own code point,
// as browsers do, so every byte still shows as something.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

// Bit i is set where byte i of the 64 from `chunk` is a CR or an LF. Lines are short, so the
// line ends of a whole chunk are found at once, sixteen bytes to an instruction where the
// processor has them.
quint64 LineEndsOf(const char *chunk)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    quint64 ends = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(chunk) + part);
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
        ends |= quint64(quint16(found)) << (16 * part);
    }
    return ends;
#else
    quint64 ends = 0;
    for (int i = 0; i < 64; ++i)
        ends |= quint64(chunk[i] == '\r' || chunk[i] == '\n') << i;
    return ends;
#endif
}

} // namespace

QString DecodeLineBytes(QByteArrayView bytes)
{
    if (!bytes.isValidUtf8())
        return DecodeWindows1252(bytes);
    // ConvertInitialBom: a U+FEFF that starts a line is content, not a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

QString AppointmentLine::text() const
{
    return DecodeLineBytes(m_bytes);
}

AppointmentLines::AppointmentLines(QByteArray content)
    : m_content(std::move(content))
{
    Q_ASSERT(m_content.size() <= MaxContentSize);
    const char *const bytes = m_content.constData();
    const qsizetype size = m_content.size();
    qsizetype lineStart = m_content.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const auto endLine = [this, &lineStart](qsizetype lineEnd) {
        if (lineEnd != lineStart) // CR LF leaves an empty line between them, which is skipped
            m_spans.append({quint32(lineStart), quint32(lineEnd - lineStart)});
        lineStart = lineEnd + 1;
    };
    for (qsizetype chunk = lineStart; chunk < size; chunk += 64) {
        quint64 ends = 0;
        if (size - chunk >= 64) {
            ends = LineEndsOf(bytes + chunk);
        } else {
            for (qsizetype i = chunk; i < size; ++i)
                ends |= quint64(bytes[i] == '\r' || bytes[i] == '\n') << (i - chunk);
        }
        for (; ends != 0; ends &= ends - 1)
            endLine(chunk + std::countr_zero(ends));
    }
    if (lineStart < size)
        endLine(size);
    // Cheaper than counting the lines first: a large list shrinks where it stands.
    m_spans.squeeze();
}

QStringView TrimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == u' ')
        ++first;
    while (end > first && text[end - 1] == u' ')
        --end;
    return text.sliced(first, end - first);
}

QString ComposeAppointmentLine(QStringView tag, QStringView dateText, QStringView timeText,
                               QStringView content)
{
    QString joined;
    joined.reserve(tag.size() + dateText.size() + timeText.size() + content.size() + 3);
    joined.append(tag).append(u'^').append(dateText).append(u' ').append(timeText).append(u' ');
    joined.append(content);

    QString line;
    line.reserve(joined.size());
    bool inLineBreak = false;
    for (QChar c : std::as_const(joined)) {
        const bool isLineBreak = c == u'\r' || c == u'\n';
        if (!isLineBreak)
            line.append(c);
        else if (!inLineBreak)
            line.append(u' ');
        inLineBreak = isLineBreak;
    }
    return TrimBlanks(line).toString();
}

QStringView FrequencyTagOf(QStringView typed)
{
    QStringView name = TrimBlanks(typed);
    if (name.startsWith(u'*'))
        name = name.sliced(1);
    for (QStringView tag : FrequencyTags) {
        if (name.compare(tag.sliced(1), Qt::CaseInsensitive) == 0)
            return tag;
    }
    return {};
}

} // namespace book
