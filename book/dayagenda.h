#pragma once

#include "book/appointmentlines.h"
#include "book/displaylines.h"
#include "book/recurrence.h"

#include <QDate>
#include <QList>
#include <QString>

namespace book {

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
