#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace ical {

// What an iCalendar file (RFC 5545) gives the book: its events as appointment lines, and what
// became of the rest.
struct CalendarImport
{
    // Why the file as a whole cannot be read; nothing else is set then.
    QString error;
    // Lines of the book, UTF-8, in the order of the file.
    QList<QByteArray> lines;
    // Events the book holds otherwise than the file has them, one a line: a series turned into
    // single appointments, an all-day event at midnight.
    QStringList notes;
    // What the book cannot hold, with the reason, one a line.
    QStringList leftOut;
};

// Larger than any calendar of appointments; a file larger than this is refused unread.
inline constexpr qsizetype MaxCalendarSize = qsizetype(64) * 1024 * 1024;

// The appointments of an iCalendar file. A single event becomes a one-off line at its start in
// the machine's local time. A series whose rule is exactly one of the book's frequencies, and
// that began by `today` or was exported by this program, becomes one line of that frequency;
// every other series becomes its occurrences as one-off lines, up to its end or twelve months
// after `today`, whichever comes first, unless that would be more than 1,000 lines. An all-day
// event becomes one-off lines at 00:00 for each day it covers, 31 at most. To-dos, journal
// entries, cancelled events and events without a start are left out.
CalendarImport ReadCalendar(QByteArrayView bytes, QDate today);
// The same for a file, or what an open stream (standard input) gives; one that cannot be read,
// or is too large, gives its reason as error.
CalendarImport ReadCalendarFile(const QString &path, QDate today);
CalendarImport ReadCalendarFrom(FILE *stream, QDate today);

} // namespace ical
