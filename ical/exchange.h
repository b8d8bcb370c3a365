#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class QTextStream;

namespace ical {

// The exchange with other calendars from the command line, on the book at `bookPath`. Each
// returns the process's exit status: 0 when done, 1 when a file cannot be read or the book
// cannot be read or written.

// Writes the book as an iCalendar file to `file` ("-" for standard output), whole or not at
// all; says on `err` how many events it holds and how many lines were left out.
int ExportBookTo(const QString &bookPath, const QString &file, QTextStream &out, QTextStream &err);

// Adds the appointments of the files to the book in one write, or nothing when one of them
// cannot be read; says on `out` what it added, and what it left out and why, one line each.
int ImportFilesInto(const QString &bookPath, const QStringList &files, QDate today,
                    QTextStream &out, QTextStream &err);

} // namespace ical
