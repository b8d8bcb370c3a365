// The appointment book without a window: the agenda's scan and the parsed view of a line held
// to the same answer on every line of the test data; the agendas of a file with every quirk
// against a golden file; and the pieces the window wires, each on its own: the undo of
// deletes, the reminders' schedule and the following of the book.
#include "book/appointment.h"
#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "book/reminderschedule.h"
#include "book/undohistory.h"
#include "platform/bookwatcher.h"
#include "support/escape.h"
#include "support/files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString Data = QStringLiteral(ZENTAVO_TEST_DATA "/");

// The books of the window's scenario files: each "file" step, as bytes.
QByteArray ScenarioBooks(const QString &name)
{
    QByteArray books;
    for (const QByteArray &line : ReadBytes(Data + u"window/"_s + name).split('\n')) {
        if (line.startsWith("file "))
            books += Unescape(QString::fromUtf8(line.sliced(5))) + '\n';
    }
    return books;
}

// Every date of four years around a leap day, and the first and last dates a book can name.
QList<book::DayKey> Keys()
{
    QList<book::DayKey> keys;
    for (QDate date(2025, 1, 1); date.year() < 2029; date = date.addDays(1))
        keys.append(book::MakeDayKey(date));
    for (QDate date : {QDate(1, 1, 1), QDate(9999, 12, 31)})
        keys.append(book::MakeDayKey(date));
    return keys;
}

QDateTime At(const QDateTime &before, const QString &text)
{
    const QString time = text.section(u' ', -1);
    const QDate date = text.contains(u'/') ? book::ParseDateText(text.first(10)) : before.date();
    return QDateTime(date,
                     QTime::fromString(time, time.size() > 8 ? u"HH:mm:ss.zzz"_s : u"HH:mm:ss"_s));
}

} // namespace

class TestBook : public QObject
{
    Q_OBJECT

private slots:
    void scanAgreesWithAppointment_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("scenario books") << ScenarioBooks(u"scenarios.txt"_s);
        QTest::newRow("hostile books") << ScenarioBooks(u"catalogue.txt"_s);
        QTest::newRow("a book with every quirk") << ReadBytes(Data + u"book/ganctl.ngb"_s);
        const QDir corpus(Data + u"../fuzz/corpus/book"_s);
        QByteArray inputs;
        for (const QString &name : corpus.entryList(QDir::Files)) // less the date's two bytes
            inputs += ReadBytes(corpus.filePath(name)).mid(2) + '\n';
        QTest::newRow("the fuzzer's corpus") << inputs;
    }

    // On every date of the keys, the agenda takes a line exactly when its Appointment falls on
    // the date, shows it as the Appointment does, and a valid one falls on its stored date.
    void scanAgreesWithAppointment()
    {
        QFETCH(QByteArray, content);
        const book::AppointmentLines lines(content);
        QVERIFY(lines.size() > 4);
        const QList<book::DayKey> keys = Keys();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const book::AppointmentLine line = lines.at(i);
            const book::Appointment appointment(line);
            const QByteArray what = "line " + line.bytes().toByteArray().left(80);
            for (qsizetype first = 0; first < keys.size(); first += 32) {
                const int count = int(qMin<qsizetype>(32, keys.size() - first));
                const quint32 on = book::FallsOnDates(line.asLatin1(), keys.data() + first, count);
                quint32 expected = 0;
                for (int k = 0; k < count; ++k)
                    expected |= quint32(appointment.fallsOn(keys.at(first + k))) << k;
                QVERIFY2(on == expected,
                         (what + " from " + keys.at(first).dateText.toUtf8()).constData());
            }
            QCOMPARE(book::DisplayLinesOf(lines, {i}).at(0), appointment.displayLine());
            if (appointment.isValid())
                QVERIFY2(
                    book::FallsOnDate(line.asLatin1(), book::MakeDayKey(appointment.storedDate())),
                    what.constData());
        }
    }

    // ganctl.ngb mixes every line end, a byte-order mark, 8-bit and UTF-8 lines, every
    // frequency and every kind of broken line; agendas.txt holds what ten dates must show.
    void agendasOfAFileWithEveryQuirk()
    {
        QMap<QString, QStringList> expected;
        QString date;
        for (const QByteArray &line : ReadBytes(Data + u"book/agendas.txt"_s).split('\n')) {
            if (line.startsWith("  "))
                expected[date].append(QString::fromUtf8(line.sliced(2)));
            else if (!line.isEmpty() && !line.startsWith('#'))
                expected[date = QString::fromUtf8(line)];
        }
        QCOMPARE(expected.size(), 10);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const book::DayAgenda agenda =
                book::BuildDayAgenda(Data + u"book/ganctl.ngb"_s, book::ParseDateText(it.key()));
            QVERIFY(!agenda.readFailed);
            QCOMPARE(agenda.key.dateText, it.key());
            QCOMPARE(agenda.displayLines.toList(), it.value());
            QCOMPARE(agenda.count, it.value().size());
        }
    }

    // Steps: "del N TEXT" (the N-th copy of line TEXT, from 0), "all", "add LINE|LINE..." (an
    // import), "undo", and "write BYTES" (another writer's); after each, "LINES BYTES": what the
    // step removed or brought back ("-" for a write), and the book.
    void undo_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("two deletes come back in reverse order, the first to the bytes as they were")
            << u"\\xEF\\xBB\\xBF*Once^07/12/2026 10:00 A\\n*Once^07/12/2026 11:00 B\\r*Once^08/12/2026 12:00 C"_s
            << QStringList{
                   u"del 0 *Once^07/12/2026 10:00 A"_s,
                   u"1 \\r\\n*Once^07/12/2026 11:00 B\\r\\n*Once^08/12/2026 12:00 C\\r\\n"_s,
                   u"del 0 *Once^07/12/2026 11:00 B"_s,
                   u"1 \\r\\n*Once^08/12/2026 12:00 C\\r\\n"_s,
                   u"undo"_s,
                   u"1 \\r\\n*Once^07/12/2026 11:00 B\\r\\n*Once^08/12/2026 12:00 C\\r\\n"_s,
                   u"undo"_s,
                   u"1 \\xEF\\xBB\\xBF*Once^07/12/2026 10:00 A\\n*Once^07/12/2026 11:00 B\\r*Once^08/12/2026 12:00 C"_s,
                   u"undo"_s,
                   u"0 \\xEF\\xBB\\xBF*Once^07/12/2026 10:00 A\\n*Once^07/12/2026 11:00 B\\r*Once^08/12/2026 12:00 C"_s};
        QTest::newRow("of two equal lines the one in that place goes, and comes back there")
            << u"\\r\\nA^1\\r\\nB^2\\r\\nA^1\\r\\n"_s
            << QStringList{u"del 1 A^1"_s, u"1 \\r\\nA^1\\r\\nB^2\\r\\n"_s, u"undo"_s,
                           u"1 \\r\\nA^1\\r\\nB^2\\r\\nA^1\\r\\n"_s};
        QTest::newRow("Delete all comes back exactly; of an empty book it is no step")
            << u"*Daily^01/01/2026 07:00 Run\\n\\n*Once^14/12/2026 10:00 A"_s
            << QStringList{
                   u"all"_s,  u"2 "_s,
                   u"all"_s,  u"0 "_s,
                   u"undo"_s, u"2 *Daily^01/01/2026 07:00 Run\\n\\n*Once^14/12/2026 10:00 A"_s,
                   u"undo"_s, u"0 *Daily^01/01/2026 07:00 Run\\n\\n*Once^14/12/2026 10:00 A"_s};
        QTest::newRow("changed since: the line comes back at the end, after a line left unended")
            << u"A^1\\r\\nB^2\\r\\n"_s
            << QStringList{u"del 0 A^1"_s,
                           u"1 \\r\\nB^2\\r\\n"_s,
                           u"write B^2\\r\\nC^3"_s,
                           u"- B^2\\r\\nC^3"_s,
                           u"undo"_s,
                           u"1 B^2\\r\\nC^3\\r\\nA^1\\r\\n"_s};
        QTest::newRow("an import adds what the book lacks; taken back, the book is as it was")
            << u"A^1\r\nB^2"_s
            << QStringList{u"add B^2|C^3|C^3"_s,
                           u"2 A^1\r\nB^2\r\nC^3\r\nC^3\r\n"_s,
                           u"add B^2|C^3"_s,
                           u"0 A^1\r\nB^2\r\nC^3\r\nC^3\r\n"_s,
                           u"undo"_s,
                           u"2 A^1\r\nB^2"_s};
        QTest::newRow("an import taken back after a change takes only the copies it added")
            << u"C^3\r\n"_s
            << QStringList{u"add C^3|C^3|D^4"_s,
                           u"2 C^3\r\nC^3\r\nD^4\r\n"_s,
                           u"write C^3\r\nC^3\r\nD^4\r\nE^5\r\n"_s,
                           u"- C^3\r\nC^3\r\nD^4\r\nE^5\r\n"_s,
                           u"undo"_s,
                           u"2 \r\nC^3\r\nE^5\r\n"_s};
        QTest::newRow("a line deleted elsewhere first is no step")
            << u"A^1\\r\\nB^2\\r\\n"_s
            << QStringList{u"write B^2\\r\\n"_s, u"- B^2\\r\\n"_s, u"del 0 A^1"_s,
                           u"0 B^2\\r\\n"_s,     u"undo"_s,        u"0 B^2\\r\\n"_s};
    }

    void undo()
    {
        QFETCH(QString, start);
        QFETCH(QStringList, steps);
        QTemporaryDir folder;
        const QString path = folder.filePath(u"ganctl.ngb"_s);
        QVERIFY(WriteBytes(path, Unescape(start)));
        book::UndoHistory history(path);
        for (qsizetype i = 0; i + 1 < steps.size(); i += 2) {
            const QString step = steps.at(i);
            const QString verb = step.section(u' ', 0, 0);
            book::UndoHistory::Outcome outcome;
            if (verb == u"del"_s)
                outcome = history.deleteLine(step.section(u' ', 2).toUtf8(),
                                             step.section(u' ', 1, 1).toInt());
            else if (verb == u"all"_s)
                outcome = history.deleteAll();
            else if (verb == u"add"_s)
                outcome = history.addLines({step.section(u' ', 1).toUtf8().split('|')});
            else if (verb == u"undo"_s)
                outcome = history.undo();
            else
                QVERIFY(WriteBytes(path, Unescape(step.section(u' ', 1))));
            QCOMPARE(outcome.status, book::WriteStatus::Written);
            const QString expected = steps.at(i + 1);
            if (verb != u"write"_s)
                QCOMPARE(QString::number(outcome.lines), expected.section(u' ', 0, 0));
            QCOMPARE(ReadBytes(path), Unescape(expected.section(u' ', 1)));
        }
    }

    // A book, the time of the tick before the first, then ticks ("[dd/MM/yyyy] HH:mm:ss[.zzz]",
    // "unreadable" after it when the book cannot be read then) each with what comes due.
    void reminders_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("ticks");
        const QString lateCall = u"*Daily^01/01/2026 23:55 Late call\\r\\n"_s;
        QTest::newRow("a late tick loses nothing; what passed before the start is not told")
            << u"*Daily^01/01/2026 10:30 Standup\\r\\n*Daily^01/01/2026 10:27 Passed\\r\\n"_s
            << u"06/12/2026 10:28:30"_s
            << QStringList{u"10:29:00"_s, u""_s, u"10:31:01"_s, u"10:30 Standup"_s};
        QTest::newRow("the same appointment stored twice is two reminders, each once")
            << u"*Once^06/12/2026 12:00 Lunch\\r\\n*Once^06/12/2026 12:00 Lunch\\r\\n"_s
            << u"06/12/2026 11:59:00"_s
            << QStringList{u"12:15:00"_s, u"12:00 Lunch;12:00 Lunch"_s, u"12:16:00"_s, u""_s};
        QTest::newRow("a clock set back, across midnight too, repeats nothing")
            << lateCall + u"*Daily^01/01/2026 00:02 Early\\r\\n"_s << u"07/12/2026 23:50:00"_s
            << QStringList{u"23:55:00.020"_s,
                           u"23:55 Late call"_s,
                           u"08/12/2026 00:02:00.020"_s,
                           u"00:02 Early"_s,
                           u"07/12/2026 23:50:00"_s,
                           u""_s,
                           u"23:56:00.020"_s,
                           u""_s,
                           u"08/12/2026 00:03:00.020"_s,
                           u""_s};
        QTest::newRow(
            "a late tick across midnight brings yesterday's last minutes, with their date")
            << lateCall + u"*Daily^01/01/2026 06:00 Wake\\r\\n"_s << u"07/12/2026 23:50:00"_s
            << QStringList{u"08/12/2026 07:00:00.020"_s,
                           u"07/12/2026 23:55 Late call;06:00 Wake"_s};
        QTest::newRow("a clock put forward by days reminds of none of the days between")
            << lateCall +
                   u"*Once^09/12/2026 09:00 Passed over\\r\\n*Once^10/12/2026 10:00 Today\\r\\n"_s
            << u"07/12/2026 23:50:00"_s
            << QStringList{u"08/12/2026 00:10:00.020"_s, u"07/12/2026 23:55 Late call"_s,
                           u"10/12/2026 10:00:00.020"_s, u"10:00 Today"_s};
        QTest::newRow("a book that cannot be read: the next tick starts from the same point")
            << u"*Daily^01/01/2026 10:30 Standup\\r\\n"_s << u"07/12/2026 10:29:30"_s
            << QStringList{u"10:30:10 unreadable"_s, u""_s, u"10:31:00"_s, u"10:30 Standup"_s};
    }

    void reminders()
    {
        QFETCH(QString, book);
        QFETCH(QString, start);
        QFETCH(QStringList, ticks);
        const book::AppointmentLines lines(Unescape(book));
        QDateTime now = At({}, start);
        book::ReminderSchedule schedule(now);
        for (qsizetype i = 0; i + 1 < ticks.size(); i += 2) {
            const bool readable = !ticks.at(i).endsWith(u" unreadable"_s);
            now = At(now, QString(ticks.at(i)).remove(u" unreadable"_s));
            const QStringList due = schedule.tick(
                now,
                [&](QDate first, QDate last) -> std::optional<book::ReminderSchedule::DayLines> {
                    if (!readable)
                        return std::nullopt;
                    book::ReminderSchedule::DayLines days;
                    for (const book::DayAgenda &agenda :
                         book::BuildDayAgendas(lines, first, int(first.daysTo(last)) + 1))
                        days.append({agenda.key.date, agenda.displayLines.toList()});
                    return days;
                });
            QCOMPARE(due.join(u';'), ticks.at(i + 1));
        }
    }

    // The watcher tells of a save by rename once, and not of a write the window has shown;
    // of a book whose folder is made after the start; and of a turn of the day, once.
    void watcher()
    {
        QTemporaryDir folder;
        const QString later = folder.filePath(u"later"_s);
        const QString path = later + u"/ganctl.ngb"_s;
        platform::BookWatcher watcher(path, QDate(2026, 12, 7));
        QSignalSpy changed(&watcher, &platform::BookWatcher::bookChanged);
        QSignalSpy turned(&watcher, &platform::BookWatcher::dayTurned);
        watcher.setShown(book::StampOf(path), {});
        watcher.start();

        QVERIFY(QDir(folder.path()).mkdir(u"later"_s));
        QVERIFY(WriteBytes(path, "A^1\r\n"));
        QTRY_COMPARE(changed.count(), 1);

        QCOMPARE(book::WriteAppointmentFile(path, "B^2\r\n"), book::WriteStatus::Written);
        watcher.setShown(book::StampOf(path), "B^2\r\n");
        QTest::qWait(800);
        QCOMPARE(changed.count(), 1);
        QVERIFY(WriteBytes(later + u"/new"_s, "C^3\r\n"));
        QCOMPARE(std::rename(qPrintable(later + u"/new"_s), qPrintable(path)), 0);
        QTRY_COMPARE(changed.count(), 2);
        QTest::qWait(1200); // the burst's changes come as one
        QCOMPARE(changed.count(), 2);

        watcher.setToday(QDate(2026, 12, 7));
        watcher.setToday(QDate(2026, 12, 8));
        QCOMPARE(turned.count(), 1);
        QCOMPARE(turned.at(0).at(0).toDate(), QDate(2026, 12, 7));
        QCOMPARE(watcher.today(), QDate(2026, 12, 8));
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
