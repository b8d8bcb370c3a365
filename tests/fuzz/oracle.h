#pragma once

// Plain, slow restatements of the appointment book's rules, written apart from the book's
// own code so that the fuzzers can hold the one against the other.

#include <QDate>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken property ends the run, so that libFuzzer keeps the input.
#define REQUIRE(condition)                                                                         \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s\n", #condition);                             \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace oracle {

inline QDate ParseDate(const QString &text)
{
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/')
        return {};
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (text[i] < u'0' || text[i] > u'9')
            return {};
    }
    const QDate date(text.mid(6, 4).toInt(), text.mid(3, 2).toInt(), text.left(2).toInt());
    return date.isValid() && date.year() > 0 ? date : QDate();
}

// The recurrence table, in its own words.
inline bool FallsOn(const QString &line, QDate day)
{
    const int caret = int(line.indexOf(u'^'));
    if (caret < 0)
        return false;
    const QString tag = line.left(caret);
    const QDate stored = ParseDate(line.mid(caret + 1, 10));
    if (!stored.isValid())
        return false;
    if (tag == QStringLiteral("*Once"))
        return stored == day;
    if (tag == QStringLiteral("*Daily"))
        return true;
    if (tag == QStringLiteral("*Weekly"))
        return stored.dayOfWeek() == day.dayOfWeek();
    if (tag == QStringLiteral("*Monthly"))
        return stored.day() == day.day();
    if (tag == QStringLiteral("*Quarterly")) {
        for (int step = 0; step < 4; ++step) {
            int month = stored.month() + 3 * step;
            if (month > 12)
                month -= 12;
            if (month == day.month() && stored.day() == day.day())
                return true;
        }
        return false;
    }
    if (tag == QStringLiteral("*Yearly"))
        return stored.day() == day.day() && stored.month() == day.month();
    return false;
}

inline QString TrimBlanks(QString text)
{
    while (text.startsWith(u' '))
        text.remove(0, 1);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// The display transformation step by step, without any short cut.
inline QString DisplayLine(QString line)
{
    line.replace(u'^', u' ');
    for (const char *tag : {"*Quarterly", "*Weekly", "*Monthly", "*Yearly", "*Daily", "*Once"})
        line.remove(QLatin1StringView(tag));
    return TrimBlanks(line.mid(11));
}

} // namespace oracle
