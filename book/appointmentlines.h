#pragma once

#include "book/appointmentline.h"
#include "book/indexiterator.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

namespace book {

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
    QList<BlockSpan> m_spans;
};

} // namespace book
