#include "book/appointmentline.h"

#include <QStringDecoder>

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

} // namespace

QString AppointmentLine::text() const
{
    const QByteArrayView line = bytes();
    if (!line.isValidUtf8())
        return DecodeWindows1252(line);
    // ConvertInitialBom: a U+FEFF that starts a line is content, not a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(line);
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
