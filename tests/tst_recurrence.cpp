#include "book/datetext.h"
#include "book/recurrence.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestRecurrence : public QObject
{
    Q_OBJECT

private slots:
    void makesDayKey_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("dateText");
        QTest::newRow("Saturday") << QDate(2026, 12, 5) << 7 << 12 << 5 << u"05/12/2026"_s;
        QTest::newRow("Sunday") << QDate(2026, 12, 6) << 1 << 12 << 6 << u"06/12/2026"_s;
        QTest::newRow("leap day") << QDate(2028, 2, 29) << 3 << 2 << 29 << u"29/02/2028"_s;
    }
    void makesDayKey()
    {
        QFETCH(QDate, date);
        const book::DayKey key = book::MakeDayKey(date);
        QCOMPARE(key.date, date);
        QTEST(key.weekday, "weekday");
        QTEST(key.month, "month");
        QTEST(key.day, "day");
        QTEST(key.dateText, "dateText");
    }

    void fallsOnDate_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("date");
        QTest::addColumn<bool>("falls");

        const auto row = [](const char *name, const QString &line, const QString &date,
                            bool falls) { QTest::newRow(name) << line << date << falls; };
        // Once: the stored date only, year included.
        row("once, same day", u"*Once^05/12/2026 10:30 x"_s, u"05/12/2026"_s, true);
        row("once, next day", u"*Once^05/12/2026 10:30 x"_s, u"06/12/2026"_s, false);
        row("once, another year", u"*Once^05/12/2026 10:30 x"_s, u"05/12/2027"_s, false);
        // Daily: every date, before the stored one as well.
        row("daily, before stored year", u"*Daily^31/12/2030 08:00 x"_s, u"01/01/2020"_s, true);
        row("daily, after", u"*Daily^31/12/2030 08:00 x"_s, u"29/02/2032"_s, true);
        // Weekly: same weekday, before and after the stored date.
        row("weekly, next Saturday", u"*Weekly^05/12/2026 10:30 x"_s, u"12/12/2026"_s, true);
        row("weekly, Saturday before", u"*Weekly^05/12/2026 10:30 x"_s, u"28/11/2026"_s, true);
        row("weekly, Sunday", u"*Weekly^05/12/2026 10:30 x"_s, u"06/12/2026"_s, false);
        row("weekly, across years", u"*Weekly^05/12/2026 10:30 x"_s, u"02/01/2027"_s, true);
        // Monthly: same day number; a 31st only in months that have one.
        row("monthly, 31 March", u"*Monthly^31/01/2026 09:00 x"_s, u"31/03/2026"_s, true);
        row("monthly, 30 April", u"*Monthly^31/01/2026 09:00 x"_s, u"30/04/2026"_s, false);
        row("monthly, 1 May", u"*Monthly^31/01/2026 09:00 x"_s, u"01/05/2026"_s, false);
        row("monthly, day 15", u"*Monthly^15/06/2026 09:00 x"_s, u"15/02/2019"_s, true);
        // Quarterly: every third month from the stored one, wrapping past December.
        row("quarterly, 31 July", u"*Quarterly^31/01/2026 09:00 x"_s, u"31/07/2026"_s, true);
        row("quarterly, 31 October", u"*Quarterly^31/01/2026 09:00 x"_s, u"31/10/2026"_s, true);
        row("quarterly, 30 April", u"*Quarterly^31/01/2026 09:00 x"_s, u"30/04/2026"_s, false);
        row("quarterly, next January", u"*Quarterly^31/01/2026 09:00 x"_s, u"31/01/2027"_s, true);
        row("quarterly, 31 March", u"*Quarterly^31/01/2026 09:00 x"_s, u"31/03/2026"_s, false);
        row("quarterly Nov, February", u"*Quarterly^15/11/2026 09:00 x"_s, u"15/02/2025"_s, true);
        row("quarterly Nov, May", u"*Quarterly^15/11/2026 09:00 x"_s, u"15/05/2026"_s, true);
        row("quarterly Nov, August", u"*Quarterly^15/11/2026 09:00 x"_s, u"15/08/2030"_s, true);
        row("quarterly Nov, November", u"*Quarterly^15/11/2026 09:00 x"_s, u"15/11/2026"_s, true);
        row("quarterly Nov, December", u"*Quarterly^15/11/2026 09:00 x"_s, u"15/12/2026"_s, false);
        row("quarterly Nov, wrong day", u"*Quarterly^15/11/2026 09:00 x"_s, u"16/02/2027"_s, false);
        row("quarterly Dec, March", u"*Quarterly^10/12/2026 09:00 x"_s, u"10/03/2027"_s, true);
        row("quarterly Dec, September", u"*Quarterly^10/12/2026 09:00 x"_s, u"10/09/2027"_s, true);
        // Yearly: same day and month; 29 February only in leap years.
        row("yearly, leap day 2032", u"*Yearly^29/02/2028 00:00 x"_s, u"29/02/2032"_s, true);
        row("yearly, 28 Feb 2029", u"*Yearly^29/02/2028 00:00 x"_s, u"28/02/2029"_s, false);
        row("yearly, 1 Mar 2029", u"*Yearly^29/02/2028 00:00 x"_s, u"01/03/2029"_s, false);
        row("yearly, other month", u"*Yearly^05/12/2026 10:30 x"_s, u"05/11/2027"_s, false);
        row("yearly, earlier year", u"*Yearly^05/12/2026 10:30 x"_s, u"05/12/1999"_s, true);
        // Tags compare exactly.
        row("lower-case w", u"*weekly^05/12/2026 10:30 x"_s, u"12/12/2026"_s, false);
        row("blank before tag", u" *Weekly^05/12/2026 10:30 x"_s, u"12/12/2026"_s, false);
        row("blank after tag", u"*Weekly ^05/12/2026 10:30 x"_s, u"12/12/2026"_s, false);
        row("unknown tag", u"*Hourly^05/12/2026 10:30 x"_s, u"05/12/2026"_s, false);
        row("empty tag", u"^05/12/2026 10:30 x"_s, u"05/12/2026"_s, false);
        // Only the first caret counts.
        row("caret in content", u"*Once^05/12/2026 10:30 a^*Daily^01/01/2026"_s, u"05/12/2026"_s,
            true);
        row("caret in content, other day", u"*Once^05/12/2026 10:30 a^*Daily^01/01/2026"_s,
            u"06/12/2026"_s, false);
        // A date field that is not a real date falls on no date, whatever the tag.
        row("daily, no caret", u"*Daily 05/12/2026 10:30 x"_s, u"05/12/2026"_s, false);
        row("daily, 31 February", u"*Daily^31/02/2026 10:30 x"_s, u"05/12/2026"_s, false);
        row("daily, zeros", u"*Daily^00/00/0000 10:30 x"_s, u"05/12/2026"_s, false);
        row("daily, letters", u"*Daily^ab/cd/efgh 10:30 x"_s, u"05/12/2026"_s, false);
        row("daily, short field", u"*Daily^05/12/202"_s, u"05/12/2026"_s, false);
        row("monthly, 31 February", u"*Monthly^31/02/2026 10:30 x"_s, u"31/03/2026"_s, false);
        row("once, 29 Feb common year", u"*Once^29/02/2026 10:30 x"_s, u"01/03/2026"_s, false);
        // A line that is only tag, caret and date still falls on its date.
        row("no time, no content", u"*Once^05/12/2026"_s, u"05/12/2026"_s, true);
    }
    void fallsOnDate()
    {
        QFETCH(QString, line);
        QFETCH(QString, date);
        QFETCH(bool, falls);
        const QDate day = book::ParseDateText(date);
        QVERIFY(day.isValid());
        QCOMPARE(book::FallsOnDate(line, book::MakeDayKey(day)), falls);
    }
};

QTEST_GUILESS_MAIN(TestRecurrence)
#include "tst_recurrence.moc"
