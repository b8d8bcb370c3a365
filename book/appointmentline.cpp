#include "book/appointmentline.h"

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

// A character a byte, into `out`, which has room for them.
void DecodeWindows1252(QByteArrayView bytes, char16_t *out)
{
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : char16_t(b);
    }
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

// UTF-8 to UTF-16 in one pass over short text, with no decoder object: the number of units
// written to `out`, which has room for one a byte, or -1 where the bytes are not valid UTF-8.
// The range allowed for the second byte of a sequence shuts out overlong forms, surrogates and
// everything above U+10FFFF, as strict decoders do. A U+FEFF is kept as any other character.
qsizetype DecodeUtf8(QByteArrayView bytes, char16_t *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = in + bytes.size();
    char16_t *const start = out;
    while (in < end) {
        const unsigned char lead = *in;
        if (lead < 0x80) {
            *out++ = lead;
            ++in;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0xC2 || lead > 0xF4)
            return -1;
        if (lead < 0xE0) {
            more = 1;
        } else if (lead < 0xF0) {
            more = 2;
            low = lead == 0xE0 ? 0xA0 : low;
            high = lead == 0xED ? 0x9F : high;
        } else {
            more = 3;
            low = lead == 0xF0 ? 0x90 : low;
            high = lead == 0xF4 ? 0x8F : high;
        }
        if (end - in <= more || in[1] < low || in[1] > high)
            return -1;
        char32_t code = lead & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            if ((in[k] & 0xC0) != 0x80)
                return -1;
            code = code << 6 | (in[k] & 0x3F);
        }
        in += more + 1;
        if (QChar::requiresSurrogates(code)) {
            *out++ = QChar::highSurrogate(code);
            *out++ = QChar::lowSurrogate(code);
        } else {
            *out++ = char16_t(code);
        }
    }
    return out - start;
}

} // namespace

QString DecodeLineBytes(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size()); // no room to grow: most lines are decoded to be kept
    AppendDecodedLineBytes(bytes, text);
    return text;
}

void AppendDecodedLineBytes(QByteArrayView bytes, QString &text)
{
    // Either way there is at most one unit a byte.
    const qsizetype start = text.size();
    text.resize(start + bytes.size());
    auto *const out = reinterpret_cast<char16_t *>(text.data()) + start;
    const qsizetype units = DecodeUtf8(bytes, out);
    if (units < 0)
        DecodeWindows1252(bytes, out);
    else
        text.truncate(start + units);
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
    // Room for lines of 32 bytes on average, a little shorter than the program's own: the list
    // then neither grows nor is squeezed, each of which would copy it.
    const qsizetype guess = size / 32 + 1;
    m_spans.reserve(guess);
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
    // squeeze() copies the list into a block of its own size: worth it where much of the room
    // is spare, in a list that outgrew the guess or of lines much longer than guessed, since
    // the window keeps the list.
    if (m_spans.capacity() - m_spans.size() > m_spans.size() / 4)
        m_spans.squeeze();
}

AppointmentLines::AppointmentLines(QByteArray content, std::shared_ptr<const void> keeper)
    : AppointmentLines(std::move(content))
{
    m_keeper = std::move(keeper);
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
