#pragma once

#include "book/appointmentlines.h"
#include "book/frequency.h"

#include <QCalendar>
#include <QDate>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

namespace book {

// The date an agenda is built for, taken apart once so that every line is compared
// against plain numbers.
struct DayKey
{
    QDate date;
    int weekday = 0; // Sunday = 1 ... Saturday = 7
    int month = 0;
    int day = 0;
    int year = 0;
    QString dateText; // "dd/mm/yyyy"
};

DayKey MakeDayKey(QDate date);

// The recurrence rule: whether a line of the frequency, stored on the date (whose weekday
// number is given for a weekly line), falls on the key's date. A recurring line falls on
// matching dates before its stored date as well as after, and never ends; day numbers are
// compared as they are, so a line of the 31st falls only in months that have one. Only a
// one-off line looks at the year.
constexpr bool FallsOn(Frequency frequency, QCalendar::YearMonthDay stored, int storedWeekday,
                       const DayKey &key)
{
    switch (frequency) {
    case Frequency::Once:
        return stored.day == key.day && stored.month == key.month && stored.year == key.year;
    case Frequency::Daily:
        return true;
    case Frequency::Weekly:
        return storedWeekday == key.weekday;
    case Frequency::Monthly:
        return stored.day == key.day;
    case Frequency::Quarterly:
        // The stored month and every third month after it, wrapping past December.
        return stored.day == key.day && (key.month - stored.month + 12) % 3 == 0;
    case Frequency::Yearly:
        return stored.day == key.day && stored.month == key.month;
    }
    return false;
}

// Whether the appointment line falls on the key's date, by FallsOn() of its frequency tag and
// stored date. A line without "^", with a tag that is not exactly one of the six literals,
// or whose date field is not a real date falls on no date, "*Daily" included: Appointment
// reads a line the same way, and tells why.
//
// This is the scan that every agenda build runs over every line, so it judges a line's raw
// bytes without decoding them (tag and date are ASCII, and no byte of a multi-byte character
// can be mistaken for one of theirs), and recognises the tag in one masked compare.
bool FallsOnDate(QLatin1StringView line, const DayKey &key);
// The same for several dates at once, the line read once: bit i for keys[i] (count <= 32).
quint32 FallsOnDates(QLatin1StringView line, const DayKey *keys, int count);

// The indexes of the lines that fall on at least one of the keys' dates (count <= 32), in file
// order; with, in `dates` when given, each one's bits as FallsOnDates() gives them.
QList<qsizetype> FallingLines(const AppointmentLines &lines, const DayKey *keys, int count,
                              std::vector<quint32> *dates = nullptr);

} // namespace book
