#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <iterator>
#include <memory>

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
inline constexpr qsizetype MaxTagSize = Quarterly.size();

// The index in FrequencyTags of the tag, compared exactly; -1 when it is none of them.
// Every line is tested on every build: the length picks the one or two literals to compare,
// byte by byte, which for words this short is quicker than a call to memcmp.
constexpr qsizetype FrequencyTagIndex(QLatin1StringView tag)
{
    const auto is = [tag](QStringView literal) {
        for (qsizetype i = 0; i < literal.size(); ++i) {
            if (tag[i] != literal[i])
                return false;
        }
        return true;
    };
    switch (tag.size()) {
    case Once.size():
        return is(Once) ? 0 : -1;
    case Daily.size():
        return is(Daily) ? 1 : -1;
    case Weekly.size(): // and Yearly
        return is(Weekly) ? 2 : is(Yearly) ? 5 : -1;
    case Monthly.size():
        return is(Monthly) ? 3 : -1;
    case Quarterly.size():
        return is(Quarterly) ? 4 : -1;
    default:
        return -1;
    }
}

// The position of the "^" that ends a line's tag, or -1 when there is none close enough to the
// start to end one: a loop over the first bytes, as lines are too short for memchr to pay.
constexpr qsizetype CaretOfTag(QLatin1StringView line)
{
    const qsizetype end = qMin(line.size(), MaxTagSize + 1);
    for (qsizetype i = 0; i < end; ++i) {
        if (line[i] == QLatin1Char('^'))
            return i;
    }
    return -1;
}

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

// A part of a block of bytes or text, as lists that keep their items in one block hold them:
// 32 bits each, as a book is read only up to 4 GiB.
struct BlockSpan
{
    quint32 offset;
    quint32 size;
};

// An iterator over a list whose at() gives values, not references (views into one block): an
// index, really, so that range-for and the standard algorithms can walk the list.
template<typename List, typename Value>
class IndexIterator
{
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = Value;
    using difference_type = qsizetype;
    using pointer = void;
    using reference = Value;

    IndexIterator() = default;
    IndexIterator(const List *list, qsizetype index)
        : m_list(list)
        , m_index(index)
    {
    }
    Value operator*() const { return m_list->at(m_index); }
    IndexIterator &operator++() { return ++m_index, *this; }
    IndexIterator operator++(int) { return {m_list, m_index++}; }
    friend IndexIterator operator+(IndexIterator it, qsizetype n)
    {
        return {it.m_list, it.m_index + n};
    }
    friend qsizetype operator-(IndexIterator a, IndexIterator b) { return a.m_index - b.m_index; }
    friend bool operator==(IndexIterator a, IndexIterator b) { return a.m_index == b.m_index; }

private:
    const List *m_list = nullptr;
    qsizetype m_index = 0;
};

// The non-empty lines of a data file's content, in file order. The content is kept in one
// block and each line is an offset and a length into it: a large file costs one allocation
// for its bytes and about eight bytes a line, and copying the list shares the block.
class AppointmentLines
{
public:
    // The largest content the offsets can reach.
    static constexpr qsizetype MaxContentSize = 0xFFFFFFFF;

    AppointmentLines() = default;
    // The lines of the content: CR LF, a lone LF and a lone CR all end a line, a UTF-8
    // byte-order mark at its start is skipped, and empty lines are left out. The content must
    // not be larger than MaxContentSize.
    explicit AppointmentLines(QByteArray content);
    // The same for content that `keeper` keeps alive (QByteArray::fromRawData() of a mapped
    // file), for as long as this list or a copy of it lives.
    AppointmentLines(QByteArray content, std::shared_ptr<const void> keeper);

    qsizetype size() const { return m_spans.size(); }
    bool isEmpty() const { return m_spans.isEmpty(); }
    // The bytes the lines were read from, all of them: what the file held.
    const QByteArray &content() const { return m_content; }
    AppointmentLine at(qsizetype i) const
    {
        const BlockSpan span = m_spans.at(i);
        return AppointmentLine(QByteArrayView(m_content.constData() + span.offset, span.size));
    }
    AppointmentLine operator[](qsizetype i) const { return at(i); }

    using const_iterator = IndexIterator<AppointmentLines, AppointmentLine>;
    using iterator = const_iterator;

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    void removeAt(qsizetype i) { m_spans.removeAt(i); }
    void clear() { *this = AppointmentLines(); }
    const_iterator erase(const_iterator it)
    {
        removeAt(it - begin());
        return it;
    }

    // The same lines, byte for byte, wherever their blocks are.
    friend bool operator==(const AppointmentLines &a, const AppointmentLines &b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    QByteArray m_content;
    std::shared_ptr<const void> m_keeper;
    QList<BlockSpan> m_spans;
};

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
