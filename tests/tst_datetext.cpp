#include "book/datetext.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDateText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A month-first locale must not turn the reading around.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void formatsDayFirst_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 December 2026") << QDate(2026, 12, 5) << u"05/12/2026"_s;
        QTest::newRow("31 January") << QDate(2026, 1, 31) << u"31/01/2026"_s;
        QTest::newRow("leap day") << QDate(2028, 2, 29) << u"29/02/2028"_s;
        QTest::newRow("year 1 padded") << QDate(1, 1, 1) << u"01/01/0001"_s;
        QTest::newRow("year 9999") << QDate(9999, 12, 31) << u"31/12/9999"_s;
    }
    void formatsDayFirst()
    {
        QFETCH(QDate, date);
        QFETCH(QString, text);
        QCOMPARE(book::DateText(date), text);
        QCOMPARE(book::ParseDateText(text), date);
    }

    void parsesOnlyRealDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        const QDate none;
        QTest::newRow("day first, not month first") << u"05/12/2026"_s << QDate(2026, 12, 5);
        QTest::newRow("29 February, leap year") << u"29/02/2024"_s << QDate(2024, 2, 29);
        QTest::newRow("29 February, common year") << u"29/02/2026"_s << none;
        QTest::newRow("29 February 1900") << u"29/02/1900"_s << none;
        QTest::newRow("29 February 2000") << u"29/02/2000"_s << QDate(2000, 2, 29);
        QTest::newRow("31 February") << u"31/02/2026"_s << none;
        QTest::newRow("31 April") << u"31/04/2026"_s << none;
        QTest::newRow("month 13") << u"01/13/2026"_s << none;
        QTest::newRow("all zeros") << u"00/00/0000"_s << none;
        QTest::newRow("year 0000") << u"01/01/0000"_s << none;
        QTest::newRow("letters") << u"ab/cd/efgh"_s << none;
        QTest::newRow("placeholder") << u"__/__/____"_s << none;
        QTest::newRow("one-digit day") << u"5/12/2026"_s << none;
        QTest::newRow("two-digit year") << u"05/12/26"_s << none;
        QTest::newRow("trailing text") << u"05/12/2026 "_s << none;
        QTest::newRow("leading blank") << u" 5/12/2026"_s << none;
        QTest::newRow("dashes") << u"05-12-2026"_s << none;
        QTest::newRow("sign in year") << u"05/12/+026"_s << none;
        QTest::newRow("Arabic-Indic digits") << u"\u0660\u0665/12/2026"_s << none;
        QTest::newRow("fullwidth digits") << u"\uFF10\uFF15/12/2026"_s << none;
        QTest::newRow("empty") << QString() << none;
    }
    void parsesOnlyRealDates()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(book::ParseDateText(text), date);
    }

    void weekdayNumberStartsOnSunday_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("weekday");
        // 6 to 12 December 2026 run from Sunday to Saturday.
        for (int day = 6; day <= 12; ++day)
            QTest::addRow("%d/12/2026", day) << QDate(2026, 12, day) << day - 5;
    }
    void weekdayNumberStartsOnSunday()
    {
        QFETCH(QDate, date);
        QFETCH(int, weekday);
        QCOMPARE(book::WeekdayNumber(date), weekday);
    }
};

QTEST_GUILESS_MAIN(TestDateText)
#include "tst_datetext.moc"
