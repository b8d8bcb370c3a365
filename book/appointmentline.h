#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

namespace book {

// One non-empty line of the data file, as the bytes it has in the file: a view into the block
// of an AppointmentLines, valid while that list lives and is not changed.
//
// Everything the program writes is UTF-8, but an older file may hold 8-bit lines; text()
// reads such a line as Windows-1252. Keeping the bytes means a rewrite never changes a line
// the user did not touch, and a large file costs no decoding until a line is shown.
class AppointmentLine
{
public:
    constexpr AppointmentLine() = default;
    constexpr explicit AppointmentLine(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    constexpr QByteArrayView bytes() const { return m_bytes; }
    QString text() const;
    // For the tag and the date, which are ASCII: no byte of a multi-byte UTF-8 character
    // or of a Windows-1252 letter can be mistaken for one of theirs.
    constexpr QLatin1StringView asLatin1() const { return QLatin1StringView(m_bytes); }

    friend bool operator==(AppointmentLine a, AppointmentLine b) { return a.m_bytes == b.m_bytes; }

private:
    QByteArrayView m_bytes;
};

// The text that a line's bytes stand for: UTF-8, or Windows-1252 where they are not valid
// UTF-8. A U+FEFF at their start is content, not a byte-order mark.
QString DecodeLineBytes(QByteArrayView bytes);
// The same, appended to `text`.
void AppendDecodedLineBytes(QByteArrayView bytes, QString &text);

// Removes leading and trailing blanks (character 32 only; tabs and other white space stay).
QStringView TrimBlanks(QStringView text);

// tag + "^" + dateText + " " + timeText + " " + content, trimmed of blanks. Every run of
// CR and LF characters becomes one blank, so the result is always exactly one line.
QString ComposeAppointmentLine(QStringView tag, QStringView dateText, QStringView timeText,
                               QStringView content);

} // namespace book
