#pragma once

#include <QCalendar>
#include <QDate>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

namespace book {

// Dates are kept as "dd/mm/yyyy" text everywhere: always day first, whatever the
// user's locale says, so the conversion lives here and nowhere else.

// "05/12/2026" for 5 December 2026. The date must be valid and in the years 1 to 9999.
QString DateText(QDate date);

// The date that a "dd/mm/yyyy" text denotes, or a null QDate when the text is not exactly
// two ASCII digits, "/", two digits, "/", four digits, or names no real Gregorian date
// (31/02/2026, 00/00/0000).
QDate ParseDateText(QStringView text);

// The day, month and year of a "dd/mm/yyyy" text read from raw line bytes, checked like
// ParseDateText(), without building a QDate; not valid() when the text is no date.
QCalendar::YearMonthDay DateTextParts(QLatin1StringView text);

// The minutes since midnight of a time of day "HH:MM" (hours 00 to 23, minutes 00 to 59), or
// -1 when the text is no such time.
int MinuteOfDay(QStringView text);

// Sunday = 1, Monday = 2, ..., Saturday = 7.
int WeekdayNumber(QDate date);
// The same for a valid date of the years 1 to 9999, as DateTextParts() gives it.
int WeekdayNumber(QCalendar::YearMonthDay date);

} // namespace book
