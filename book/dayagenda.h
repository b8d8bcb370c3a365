#pragma once

#include "book/appointmentline.h"
#include "book/recurrence.h"

#include <QDate>
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

// Everything one agenda build computes; the main window shows it.
struct DayAgenda
{
    DayKey key;
    AppointmentLines allLines;       // every non-empty line of the file, in file order
    QList<qsizetype> matchingLines;  // the indexes in allLines of those falling on the date
    DisplayLines displayLines;       // one per matching line, in agenda order
    QList<qsizetype> displaySources; // for each display line, its line's index in allLines
    qsizetype count = 0;             // the number of display lines
    // The file exists but could not be read. The lists are then empty, and writing them back
    // would destroy the user's appointments.
    bool readFailed = false;
};

// "10:30 Dentist" for "*Weekly^05/12/2026 10:30 Dentist": every "^" becomes a blank, every
// frequency tag literal is removed wherever it stands, the first eleven characters (the
// date) are dropped and the rest is trimmed of blanks.
QString DisplayLineOf(QStringView line);
// The display lines of the lines at `indexes`, in that order, decoding only the parts shown.
// No index may be given twice: the spans of the block are 32-bit, as are those of `lines`.
DisplayLines DisplayLinesOf(const AppointmentLines &lines, const QList<qsizetype> &indexes);

// The agenda order of display lines, as indexes into them: by time for lines that begin with
// "HH:MM", then by content ignoring letter case; lines equal in that order keep their order.
QList<qsizetype> AgendaOrder(const DisplayLines &displayLines);

// The agenda of `date` from the lines given, or from the data file at `path`.
DayAgenda BuildDayAgenda(AppointmentLines allLines, QDate date);
DayAgenda BuildDayAgenda(const QString &path, QDate date);
// The agendas of `days` dates (at most 32) from `first` on, from one pass over the lines: a line
// that falls on several of them is shown once, and one sort serves them all.
QList<DayAgenda> BuildDayAgendas(const AppointmentLines &allLines, QDate first, int days);

} // namespace book
