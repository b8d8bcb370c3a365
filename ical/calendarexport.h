#pragma once

#include "book/appointmentlines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

namespace ical {

// A book as an iCalendar file (RFC 5545): one VEVENT for each line that falls on some date.
struct CalendarExport
{
    QByteArray calendar;
    qsizetype events = 0;
    // Lines that fall on no date (no tag, an unknown tag, no real date), which are no events.
    qsizetype leftOut = 0;
};

// Each event starts at its line's stored date and time as floating local time, with no end
// (the book has no time zones and no lengths), with the rule of its frequency; a repeating
// line, which also falls on matching dates before its stored date, says so in
// X-ZENTAVO-OPEN-START. `stamp` is the DTSTAMP of every event.
CalendarExport ExportCalendar(const book::AppointmentLines &lines, const QDateTime &stamp);

// One line as a calendar of one event, as ExportCalendar() makes it, with the UID given; empty
// for a line that falls on no date.
QByteArray CalendarOfLine(QByteArrayView line, QByteArrayView uid, const QDateTime &stamp);

// The UID of a line's event: from its bytes and the number of equal lines before it, so that
// every export of the same book gives the same UIDs, on any machine.
QByteArray EventUid(QByteArrayView line, qsizetype occurrence);

} // namespace ical
