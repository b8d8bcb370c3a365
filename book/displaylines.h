#pragma once

#include "book/appointmentlines.h"
#include "book/indexiterator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace book {

// The display lines of an agenda: their text in one block, and each line a span of it, so
// that an agenda costs no allocation a line.
class DisplayLines
{
public:
    DisplayLines() = default;

    qsizetype size() const { return m_spans.size(); }
    bool isEmpty() const { return m_spans.isEmpty(); }
    // A view into the block: valid while this list, or another that shares its block, lives
    // and is not assigned to.
    QStringView at(qsizetype i) const
    {
        const BlockSpan span = m_spans.at(i);
        return QStringView(m_text).sliced(span.offset, span.size);
    }
    QStringView operator[](qsizetype i) const { return at(i); }
    QStringList toList() const;

    using const_iterator = IndexIterator<DisplayLines, QStringView>;
    using iterator = const_iterator;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    // The lines at `indexes`, in that order, on the same block.
    DisplayLines picked(const QList<qsizetype> &indexes) const;

private:
    friend DisplayLines DisplayLinesOf(const AppointmentLines &lines,
                                       const QList<qsizetype> &indexes);
    QString m_text; // fewer units than the book has bytes
    QList<BlockSpan> m_spans;
};

// The display line of a line, what the agenda shows of it: "10:30 Dentist" for
// "*Weekly^05/12/2026 10:30 Dentist". Every "^" becomes a blank, every frequency tag literal
// is removed wherever it stands, the first eleven characters (the date) are dropped and the
// rest is trimmed of blanks. This is the rule itself, step by step.
QString DisplayLineOf(QStringView line);
// The display lines of the lines at `indexes`, in that order: DisplayLineOf() of each, by a
// short cut on the bytes for the lines the program writes, decoding only the parts shown.
// No index may be given twice: the spans of the block are 32-bit, as are those of `lines`.
DisplayLines DisplayLinesOf(const AppointmentLines &lines, const QList<qsizetype> &indexes);

} // namespace book
