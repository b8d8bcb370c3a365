#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <array>

namespace book {

// The frequency tags, exactly as stored before the first "^" of a line.
inline constexpr QStringView Once = u"*Once";
inline constexpr QStringView Daily = u"*Daily";
inline constexpr QStringView Weekly = u"*Weekly";
inline constexpr QStringView Monthly = u"*Monthly";
inline constexpr QStringView Quarterly = u"*Quarterly";
inline constexpr QStringView Yearly = u"*Yearly";
// In the order the frequency chooser offers them.
inline constexpr std::array<QStringView, 6> FrequencyTags{Once,    Daily,     Weekly,
                                                          Monthly, Quarterly, Yearly};

// One non-empty line of the data file, kept as the bytes it has in the file.
//
// Everything the program writes is UTF-8, but an older file may hold 8-bit lines; text()
// reads such a line as Windows-1252. Keeping the bytes means a rewrite never changes a line
// the user did not touch, and a large file costs no decoding until a line is shown. The lines
// read from one file share that file's bytes instead of holding a copy each.
class AppointmentLine
{
public:
    AppointmentLine() = default;
    // The bytes [offset, offset + size) of a block read from the file, without the line end.
    AppointmentLine(QByteArray block, qsizetype offset, qsizetype size)
        : m_block(std::move(block))
        , m_offset(offset)
        , m_size(size)
    {
        Q_ASSERT(offset >= 0 && size >= 0 && offset + size <= m_block.size());
    }
    explicit AppointmentLine(const QByteArray &bytes)
        : AppointmentLine(bytes, 0, bytes.size())
    {
    }
    // A line the program composed, stored as UTF-8.
    static AppointmentLine fromText(QStringView text) { return AppointmentLine(text.toUtf8()); }

    QByteArrayView bytes() const { return QByteArrayView(m_block).sliced(m_offset, m_size); }
    QString text() const;
    // For the tag and the date, which are ASCII: no byte of a multi-byte UTF-8 character
    // or of a Windows-1252 letter can be mistaken for one of theirs.
    QLatin1StringView asLatin1() const { return QLatin1StringView(bytes()); }

    friend bool operator==(const AppointmentLine &a, const AppointmentLine &b)
    {
        return a.bytes() == b.bytes();
    }

private:
    QByteArray m_block;
    qsizetype m_offset = 0;
    qsizetype m_size = 0;
};

} // namespace book

// Moving lines in a list needs no reference counting.
Q_DECLARE_TYPEINFO(book::AppointmentLine, Q_RELOCATABLE_TYPE);

namespace book {

// Removes leading and trailing blanks (character 32 only; tabs and other white space stay).
QStringView TrimBlanks(QStringView text);

// tag + "^" + dateText + " " + timeText + " " + content, trimmed of blanks. Every run of
// CR and LF characters becomes one blank, so the result is always exactly one line.
QString ComposeAppointmentLine(QStringView tag, QStringView dateText, QStringView timeText,
                               QStringView content);

// The tag that a typed frequency stands for: one of the six apart from letter case, with or
// without its leading "*", blanks around it ignored. Empty when it is none of them.
QStringView FrequencyTagOf(QStringView typed);

} // namespace book
