#include "book/appointmentline.h"

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

} // namespace book
