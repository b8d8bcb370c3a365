#include "book/appointmentfile.h"
#include "book/dayagenda.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<book::AppointmentLine> LinesOf(const QStringList &texts)
{
    QList<book::AppointmentLine> lines;
    for (const QString &text : texts)
        lines.append(book::AppointmentLine::fromText(text));
    return lines;
}

} // namespace

class TestDayAgenda : public QObject
{
    Q_OBJECT

private slots:
    void displayLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("display");
        QTest::newRow("ordinary") << u"*Weekly^05/12/2026 10:30 Dentist"_s << u"10:30 Dentist"_s;
        QTest::newRow("every tag")
            << u"*Quarterly^05/12/2026 10:30 Dentist"_s << u"10:30 Dentist"_s;
        QTest::newRow("caret in content") << u"*Once^05/12/2026 10:30 a^b"_s << u"10:30 a b"_s;
        QTest::newRow("tag literal in content")
            << u"*Once^05/12/2026 10:30 go *Daily now"_s << u"10:30 go  now"_s;
        QTest::newRow("tag literal at the end")
            << u"*Once^05/12/2026 10:30 x *Once"_s << u"10:30 x"_s;
        QTest::newRow("literals join after removal")
            << u"*Once^05/12/2026 10:30 *Wee*Dailykly"_s << u"10:30 *Weekly"_s;
        QTest::newRow("case differs, kept")
            << u"*Once^05/12/2026 10:30 *daily"_s << u"10:30 *daily"_s;
        QTest::newRow("caret at the end") << u"*Once^05/12/2026 10:30 x^"_s << u"10:30 x"_s;
        QTest::newRow("caret before the time") << u"*Once^05/12/2026 ^10:30 x"_s << u"10:30 x"_s;
        QTest::newRow("caret inside the date") << u"*Once^05/1^/2026 10:30 x"_s << u"10:30 x"_s;
        QTest::newRow("no time, no content") << u"*Once^05/12/2026"_s << QString();
        QTest::newRow("time only") << u"*Once^05/12/2026 10:30"_s << u"10:30"_s;
        QTest::newRow("short line") << u"*Once^05/1"_s << QString();
        QTest::newRow("trailing blanks and tab")
            << u"*Once^05/12/2026 10:30 x\t  "_s << u"10:30 x\t"_s;
        QTest::newRow("non-ASCII")
            << u"*Yearly^24/12/2026 18:00 Bescherung 🎄"_s << u"18:00 Bescherung 🎄"_s;
    }
    void displayLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, display);
        QCOMPARE(book::DisplayLineOf(line), display);
    }

    void sortsByTimeThenContent_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("by time") << QStringList{u"14:00 b"_s, u"09:30 a"_s, u"23:59 c"_s}
                                 << QStringList{u"09:30 a"_s, u"14:00 b"_s, u"23:59 c"_s};
        QTest::newRow("content ignores case")
            << QStringList{u"10:00 banana"_s, u"10:00 Apple"_s, u"10:00 cherry"_s}
            << QStringList{u"10:00 Apple"_s, u"10:00 banana"_s, u"10:00 cherry"_s};
        QTest::newRow("equal texts keep their order")
            << QStringList{u"10:00 dentist"_s, u"10:00 Dentist"_s, u"09:00 x"_s, u"10:00 DENTIST"_s}
            << QStringList{u"09:00 x"_s, u"10:00 dentist"_s, u"10:00 Dentist"_s,
                           u"10:00 DENTIST"_s};
        QTest::newRow("empty entry first")
            << QStringList{u"00:00 x"_s, QString()} << QStringList{QString(), u"00:00 x"_s};
        QTest::newRow("differ after eight characters")
            << QStringList{u"10:30 Dentist B"_s, u"10:30 dentist a"_s, u"10:30 Dent"_s}
            << QStringList{u"10:30 Dent"_s, u"10:30 dentist a"_s, u"10:30 Dentist B"_s};
        QTest::newRow("non-ASCII case") << QStringList{u"10:00 Ölwechsel"_s, u"10:00 öl"_s}
                                        << QStringList{u"10:00 öl"_s, u"10:00 Ölwechsel"_s};
    }
    void sortsByTimeThenContent()
    {
        QFETCH(QStringList, lines);
        QStringList sorted;
        for (qsizetype index : book::AgendaOrder(lines))
            sorted.append(lines.at(index));
        QTEST(sorted, "sorted");
    }

    void buildsAgenda_data()
    {
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QStringList>("matching");
        QTest::addColumn<QStringList>("display");

        const QDate saturday(2026, 12, 5);
        QTest::newRow("earliest first")
            << QStringList{u"*Once^05/12/2026 14:00 b"_s, u"*Once^05/12/2026 09:30 a"_s} << saturday
            << QStringList{u"*Once^05/12/2026 14:00 b"_s, u"*Once^05/12/2026 09:30 a"_s}
            << QStringList{u"09:30 a"_s, u"14:00 b"_s};
        QTest::newRow("daily and once both, once each")
            << QStringList{u"*Daily^01/01/2020 07:00 run"_s, u"*Once^05/12/2026 12:00 lunch"_s,
                           u"*Once^06/12/2026 12:00 other"_s}
            << saturday
            << QStringList{u"*Daily^01/01/2020 07:00 run"_s, u"*Once^05/12/2026 12:00 lunch"_s}
            << QStringList{u"07:00 run"_s, u"12:00 lunch"_s};
        QTest::newRow("saved twice, shown twice")
            << QStringList{u"*Weekly^28/11/2026 10:30 Dentist"_s,
                           u"*Weekly^28/11/2026 10:30 Dentist"_s}
            << saturday
            << QStringList{u"*Weekly^28/11/2026 10:30 Dentist"_s,
                           u"*Weekly^28/11/2026 10:30 Dentist"_s}
            << QStringList{u"10:30 Dentist"_s, u"10:30 Dentist"_s};
        QTest::newRow("bad lines hide nothing")
            << QStringList{u"no caret at all"_s,
                           u"*Daily^31/02/2026 08:00 bad"_s,
                           u"*Daily^ab/cd/efgh 08:00 bad"_s,
                           u"*Daily^00/00/0000 08:00 bad"_s,
                           u"*Daily^05/1"_s,
                           u"*daily^05/12/2026 08:00 case"_s,
                           u"*Monthly^05/01/2026 08:00 good"_s}
            << saturday << QStringList{u"*Monthly^05/01/2026 08:00 good"_s}
            << QStringList{u"08:00 good"_s};
        QTest::newRow("empty display line still counts")
            << QStringList{u"*Once^05/12/2026"_s} << saturday << QStringList{u"*Once^05/12/2026"_s}
            << QStringList{QString()};
        QTest::newRow("nothing on this day") << QStringList{u"*Once^06/12/2026 10:00 x"_s}
                                             << saturday << QStringList() << QStringList();
    }
    void buildsAgenda()
    {
        QFETCH(QStringList, file);
        QFETCH(QDate, date);
        QFETCH(QStringList, matching);
        QFETCH(QStringList, display);
        const book::DayAgenda agenda = book::BuildDayAgenda(LinesOf(file), date);
        QCOMPARE(agenda.key.date, date);
        QCOMPARE(agenda.allLines, LinesOf(file));
        QCOMPARE(agenda.matchingLines, matching);
        QCOMPARE(agenda.displayLines, display);
        QCOMPARE(agenda.count, display.size());
        QVERIFY(!agenda.readFailed);
        // Each entry knows the line it shows.
        QCOMPARE(agenda.displaySources.size(), display.size());
        QCOMPARE(
            QSet<qsizetype>(agenda.displaySources.cbegin(), agenda.displaySources.cend()).size(),
            display.size());
        for (qsizetype i = 0; i < display.size(); ++i) {
            const QString line = agenda.allLines.at(agenda.displaySources.at(i)).text();
            QCOMPARE(book::DisplayLineOf(line), display.at(i));
        }
    }

    void buildsFromTheFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(book::DataFileName.toString());
        const QDate day(2026, 12, 5);

        // Missing, then holding a rewrite's leading empty line: no difference to the agenda.
        book::DayAgenda agenda = book::BuildDayAgenda(path, day);
        QCOMPARE(agenda.count, 0);
        QVERIFY(!agenda.readFailed);
        QCOMPARE(agenda.key.dateText, u"05/12/2026"_s);

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\r\n*Weekly^05/12/2026 10:30 Dentist\n*Once^05/12/2026 08:15 Caf\xE9\r\n");
        file.close();
        agenda = book::BuildDayAgenda(path, day);
        QCOMPARE(agenda.allLines.size(), 2);
        QCOMPARE(agenda.displayLines, (QStringList{u"08:15 Café"_s, u"10:30 Dentist"_s}));
        QCOMPARE(book::BuildDayAgenda(path, day.addDays(7)).displayLines,
                 QStringList{u"10:30 Dentist"_s});
    }

    void unreadableFileIsReported()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir(book::DataFileName.toString()));
        const auto agenda =
            book::BuildDayAgenda(dir.filePath(book::DataFileName.toString()), QDate(2026, 12, 5));
        QVERIFY(agenda.readFailed);
        QCOMPARE(agenda.count, 0);
    }
};

QTEST_GUILESS_MAIN(TestDayAgenda)
#include "tst_dayagenda.moc"
