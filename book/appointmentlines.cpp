#include "book/appointmentlines.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace book {

namespace {

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

} // namespace book
