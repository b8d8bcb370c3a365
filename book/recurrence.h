#pragma once

#include "book/appointmentline.h"

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

// Whether the appointment line falls on the key's date, judged by its frequency tag and
// stored date alone. A line without "^", with a tag that is not exactly one of the six
// literals, or whose date field is not a real date falls on no date, "*Daily" included.
//
// It judges a line's raw bytes without decoding them: tag and date are ASCII, and no byte of
// a multi-byte character can be mistaken for one of theirs.
bool FallsOnDate(QLatin1StringView line, const DayKey &key);
// The same for several dates at once, the line read once: bit i for keys[i] (count <= 32).
quint32 FallsOnDates(QLatin1StringView line, const DayKey *keys, int count);

// The indexes of the lines that fall on at least one of the keys' dates (count <= 32), in file
// order; with, in `dates` when given, each one's bits as FallsOnDates() gives them.
QList<qsizetype> FallingLines(const AppointmentLines &lines, const DayKey *keys, int count,
                              std::vector<quint32> *dates = nullptr);

} // namespace book
