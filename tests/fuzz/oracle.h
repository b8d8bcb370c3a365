#pragma once

// Plain, slow restatements of the appointment book's rules, written apart from the book's
// own code so that the fuzzers can hold the one against the other.

#include <QDate>
#include <QRegularExpression>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken property ends the run, so that libFuzzer keeps the input.
#define REQUIRE(condition)                                                                         \
    ((condition) ? void()                                                                          \
                 : (std::fprintf(stderr, "property failed: %s\n", #condition), std::abort()))

namespace oracle {

inline QDate ParseDate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("\\A[0-9]{2}/[0-9]{2}/[0-9]{4}\\z"));
    if (!form.match(text).hasMatch())
        return {};
    const QDate date(text.mid(6, 4).toInt(), text.mid(3, 2).toInt(), text.left(2).toInt());
    return date.isValid() && date.year() > 0 ? date : QDate();
}

// The recurrence table, in its own words.
inline bool FallsOn(const QString &line, QDate day)
{
    const QString tag = line.section(u'^', 0, 0);
    const QDate stored = ParseDate(line.mid(line.indexOf(u'^') + 1, 10));
    if (!line.contains(u'^') || !stored.isValid())
        return false;
    const bool sameDay = stored.day() == day.day();
    const int month = stored.month();
    if (tag == QStringLiteral("*Quarterly")) // the stored month and each third after it
        return sameDay && QList<int>{month, month + 3, month + 6, month + 9}.contains(
                              day.month() + (day.month() < month ? 12 : 0));
    return tag == QStringLiteral("*Once")      ? stored == day
           : tag == QStringLiteral("*Daily")   ? true
           : tag == QStringLiteral("*Weekly")  ? stored.dayOfWeek() == day.dayOfWeek()
           : tag == QStringLiteral("*Monthly") ? sameDay
           : tag == QStringLiteral("*Yearly")  ? sameDay && month == day.month()
                                               : false;
}

// The display transformation step by step, without any short cut.
inline QString DisplayLine(QString line)
{
    line.replace(u'^', u' ');
    for (const char *tag : {"*Quarterly", "*Weekly", "*Monthly", "*Yearly", "*Daily", "*Once"})
        line.remove(QLatin1StringView(tag));
    line = line.mid(11);
    while (line.startsWith(u' '))
        line.remove(0, 1);
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}

} // namespace oracle
