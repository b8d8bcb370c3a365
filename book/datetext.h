#pragma once

#include <QCalendar>
#include <QDate>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <QtEndian>

namespace book {

// Dates are kept as "dd/mm/yyyy" text everywhere: always day first, whatever the
// user's locale says, so the conversion lives here and nowhere else.

// "05/12/2026" for 5 December 2026. The date must be valid and in the years 1 to 9999.
QString DateText(QDate date);

// The date that a "dd/mm/yyyy" text denotes, or a null QDate when the text is not exactly
// two ASCII digits, "/", two digits, "/", four digits, or names no real Gregorian date
// (31/02/2026, 00/00/0000).
QDate ParseDateText(QStringView text);

// The day, month and year when they name a date of the Gregorian calendar as QDate has it,
// from the year 1 (it knows no year 0); otherwise not valid(). Without QDate's call.
inline QCalendar::YearMonthDay CheckedDateParts(int year, int month, int day)
{
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return {};
    return {year, month, day};
}

// The date field of a line: the day, month and year that a "dd/mm/yyyy" text names, read from
// the line's bytes. Exactly two ASCII digits, "/", two digits, "/", four digits, naming a real
// date of CheckedDateParts(); otherwise not valid(). This is the one reading of a date text:
// ParseDateText() gives the same as a QDate. Inline and without building a QDate, as the
// agenda reads it for a third of the lines of every build.
inline QCalendar::YearMonthDay DateTextParts(QLatin1StringView text)
{
    if (text.size() != 10)
        return {};
    // "dd/mm/yy" and "yy" as numbers, each byte less its expected '0' or '/': a digit becomes
    // 0 to 9 and a slash 0, and adding 0x76 or 0x7F to each sets its top bit where it is not.
    const quint64 head = qFromLittleEndian<quint64>(text.data()) ^ 0x3030'2F30'302F'3030;
    const quint16 tail = qFromLittleEndian<quint16>(text.data() + 8) ^ 0x3030;
    if (((head | (head + 0x7676'7F76'767F'7676)) & 0x8080'8080'8080'8080) != 0 ||
        ((tail | (tail + 0x7676)) & 0x8080) != 0)
        return {};
    const auto digit = [head](int i) { return int(head >> (8 * i) & 0xF); };
    const int day = digit(0) * 10 + digit(1);
    const int month = digit(3) * 10 + digit(4);
    const int year = digit(6) * 1000 + digit(7) * 100 + (tail & 0xF) * 10 + (tail >> 8);
    return CheckedDateParts(year, month, day);
}

// The minutes since midnight of a time of day "HH:MM" (hours 00 to 23, minutes 00 to 59), or
// -1 when the text is no such time.
int MinuteOfDay(QStringView text);

// The weekday number of a date: Sunday = 1, Monday = 2, ..., Saturday = 7, in the Gregorian
// calendar, for a valid date from the year 1 on (as DateTextParts() gives it). Inline, as the
// rule of a weekly line reads it for every such line of every agenda.
inline int WeekdayNumber(QCalendar::YearMonthDay date)
{
    Q_ASSERT(date.isValid() && date.year >= 1);
    // Counted from 1 March, so that a leap day ends the year it belongs to.
    static constexpr int monthShift[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int year = date.month < 3 ? date.year - 1 : date.year;
    return (year + year / 4 - year / 100 + year / 400 + monthShift[date.month - 1] + date.day) % 7 +
           1;
}
// The same for a QDate; 0 for an invalid one or one before the year 1, which the book never
// handles.
int WeekdayNumber(QDate date);

} // namespace book
