#pragma once

#include "ical/libicalhandle.h"

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>

namespace ical {

// The zone that a time names by its TZID where libical did not find it: an IANA name.
inline QTimeZone NamedZone(icalproperty *property)
{
    if (!property)
        return {};
    const char *tzid = icalproperty_get_parameter_as_string(property, "TZID");
    if (!tzid)
        return {};
    const QTimeZone zone{QByteArray(tzid)};
    return zone.isValid() ? zone : QTimeZone();
}

// A wall-clock date and time, as a QDateTime of no zone: held in UTC, which is never
// converted, so that comparing two costs no look-up of the local zone.
inline QDateTime Wall(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::UTC);
}
inline QDateTime Wall(const QDateTime &local)
{
    return Wall(local.date(), local.time());
}

// A time of the file as the machine's local date and time (see Wall()): a UTC or zoned time
// converted, by libical or by Qt's zone database, a floating time as it stands. `fallback` is
// the zone of a TZID that libical did not know.
inline QDateTime LocalOf(const icaltimetype &time, const QTimeZone &fallback)
{
    const QDate date(time.year, time.month, time.day);
    if (time.is_date)
        return Wall(date, QTime(0, 0));
    if (icaltime_is_utc(time) || time.zone)
        return Wall(QDateTime::fromSecsSinceEpoch(
                        icaltime_as_timet_with_zone(
                            time, time.zone ? time.zone : icaltimezone_get_utc_timezone()))
                        .toLocalTime());
    const QTime wall(time.hour, time.minute, time.second);
    return fallback.isValid() ? Wall(QDateTime(date, wall, fallback).toLocalTime())
                              : Wall(date, wall);
}

} // namespace ical
