#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ical {

// One item of a calendar on a server (one event, with the occurrences moved out of its series)
// as the book holds it.
struct CalendarItem
{
    // Why the item cannot be read; nothing else is set then.
    QString error;
    QByteArray uid;
    // Its appointment lines, by the rules of an import (ReadCalendar()).
    QList<QByteArray> lines;
    // What the book cannot hold of it, and why.
    QStringList leftOut;
    // The lines are occurrences of a series, each of which can go on its own (EXDATE).
    bool series = false;
};

CalendarItem ReadCalendarItem(QByteArrayView data, QDate today);

// The item without the occurrences of its series that the lines stand for, each taken out by an
// EXDATE (and its own event where it was moved); the rest of the item is kept as it is. nullopt
// when none of the lines is an occurrence of it.
std::optional<QByteArray> WithoutOccurrences(QByteArrayView data, const QList<QByteArray> &lines);

// The item with its event changed to what the line says (its start, rule and summary, as an
// export writes them), and everything else the event has kept: alarms, a place, attendees, and
// its length. nullopt for a line that falls on no date, or an item without an event.
std::optional<QByteArray> WithLine(QByteArrayView data, QByteArrayView line,
                                   const QDateTime &stamp);

} // namespace ical
