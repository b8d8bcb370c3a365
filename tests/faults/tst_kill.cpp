// The data file survives the program being killed at any moment: a rewrite (by rename, and in
// place for a book with a second hard link), an append, a clearing and the import of 100,000
// events are each killed at random moments, and after every kill the file, as the next start
// finds it, is whole. Copies that the
// user keeps beside the book survive every kill, and nothing that a killed writer left stays
// behind. The process that is killed is this program again, started as the writer.
#include "book/appointmentfile.h"
#include "book/newlines.h"
#include "ical/calendarexport.h"
#include "ical/calendarimport.h"
#include "support/files.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The file of content 0 or 1, 100,000 lines, as a rewrite leaves it.
QByteArray ContentFile(int which)
{
    QByteArray file = "\r\n";
    char line[64];
    for (int i = 0; i < 100000; ++i)
        file.append(line, std::snprintf(line, sizeof line,
                                        "*Daily^01/01/2026 %02d:%02d content %d line %d\r\n",
                                        i % 24, i % 60, which, i));
    return file;
}

// A hundred numbered lines, some 4 KB: most such appends cross a page of the file, where a kill
// can cut a write.
QList<QByteArray> Appended(long round)
{
    QList<QByteArray> lines;
    for (int i = 0; i < 100; ++i)
        lines.append("*Once^05/12/2026 10:30 appended " + QByteArray::number(round) + '.' +
                     QByteArray::number(i));
    return lines;
}

// The lines that importing an export of content 1 adds to content 0, each with its line end.
QByteArray Imported(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes.append(line).append("\r\n");
    return bytes;
}

// An export of content 1: 100,000 events.
QByteArray Calendar()
{
    return ical::ExportCalendar(book::AppointmentLines(ContentFile(1)),
                                QDateTime::currentDateTimeUtc())
        .calendar;
}

// Changes the file again and again until it is killed, saying "started" after the first
// change: "rewrite" alternates the two contents (in place where the book has a second hard
// link, "rewrite in place"), "append" adds numbered lines, "clear" alternates the first content
// and an empty file, "import" alternates the first content and the import of 100,000 events
// into it.
int Writer(const QString &mode, const QString &path)
{
    if (mode == u"import"_s) {
        const QList<QByteArray> events =
            ical::ReadCalendarFile(qEnvironmentVariable("ZENTAVO_CALENDAR"), QDate(2026, 12, 7))
                .lines;
        const book::AppointmentLines first(ContentFile(0));
        for (long round = 0;; ++round) {
            const book::WriteStatus done = round % 2 ? book::AddNewLines(path, {events}).status
                                                     : book::RewriteAppointmentFile(path, first);
            if (done != book::WriteStatus::Written)
                return 1;
            if (round == 0 && std::puts("started") >= 0)
                std::fflush(stdout);
        }
    }
    const book::AppointmentLines first =
        mode == u"append"_s ? book::AppointmentLines() : book::AppointmentLines(ContentFile(0));
    const book::AppointmentLines second =
        mode.startsWith(u"rewrite"_s) ? book::AppointmentLines(ContentFile(1)) : first;
    for (long round = 0;; ++round) {
        const book::WriteStatus done =
            mode == u"append"_s ? book::AppendAppointmentLines(path, Appended(round))
            : mode == u"clear"_s && round % 2
                ? book::ClearAppointmentFile(path)
                : book::RewriteAppointmentFile(path, round % 2 ? second : first);
        if (done != book::WriteStatus::Written)
            return 1;
        if (round == 0 && std::puts("started") >= 0)
            std::fflush(stdout);
    }
}

} // namespace

class TestKill : public QObject
{
    Q_OBJECT

private slots:
    void killed_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("maxDelayMs");
        QTest::addColumn<int>("mostKills"); // the writer of an import reads its file first
        QTest::newRow("rewrite") << u"rewrite"_s << 40 << 200;
        QTest::newRow("rewrite in place") << u"rewrite in place"_s << 120 << 200;
        QTest::newRow("append") << u"append"_s << 10 << 200;
        QTest::newRow("clear") << u"clear"_s << 40 << 200;
        QTest::newRow("import") << u"import"_s << 300 << 20;
    }
    void killed()
    {
        QFETCH(QString, mode);
        QFETCH(int, maxDelayMs);
        QFETCH(int, mostKills);
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        const QStringList backups{u"ganctl.ngb.bak"_s, u"ganctl.ngb.2025v1"_s, u"ganctl.ngb~"_s};
        for (const QString &name : backups) {
            QFile copy(dir.filePath(name));
            QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(name.toUtf8()) > 0);
        }
        // A second name elsewhere: the book must stay the one file that both names are.
        QTemporaryDir elsewhere;
        const QString link = elsewhere.filePath(u"linked.ngb"_s);
        if (mode == u"rewrite in place"_s) {
            QVERIFY(WriteBytes(path, ContentFile(0)));
            QVERIFY(::link(QFile::encodeName(path).constData(),
                           QFile::encodeName(link).constData()) == 0);
        }
        // The calendar that the writer of an import reads, made once.
        const QString calendar = elsewhere.filePath(u"calendar.ics"_s);
        QByteArray imported;
        if (mode == u"import"_s) {
            QVERIFY(WriteBytes(calendar, Calendar()));
            imported = Imported(ical::ReadCalendarFile(calendar, QDate(2026, 12, 7)).lines);
            QCOMPARE(imported.count("\r\n"), 100000);
        }
        const QByteArray contents[2] = {
            ContentFile(0), mode == u"import"_s ? ContentFile(0) + imported : ContentFile(1)};
        QStringList expected = backups + QStringList{book::DataFileName.toString()};
        expected.sort();
        qsizetype size = 0;
        const int kills = qMin(qEnvironmentVariableIntValue("ZENTAVO_KILLS") ?: 200, mostKills);
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"ZENTAVO_CALENDAR"_s, calendar);
            writer.setProcessEnvironment(environment);
            writer.start(QCoreApplication::applicationFilePath(), {u"--writer"_s, mode, path});
            QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
            QTest::qSleep(QRandomGenerator::global()->bounded(maxDelayMs));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());

            // What the next start finds, once it has mended what the kill cut short.
            book::RecoverAppointmentFile(path);
            const QByteArray now = ReadBytes(path);
            // Appends leave whole lines only: one line end to each line, and more than before.
            const bool whole = mode == u"append"_s
                                   ? now.size() > size && now.endsWith("\r\n") &&
                                         now.count("*Once^") == now.count("\r\n")
                                   : now == contents[0] ||
                                         (mode == u"clear"_s ? now.isEmpty() : now == contents[1]);
            QVERIFY2(whole,
                     qPrintable(u"kill %1 left %2 bytes that are no whole content"_s.arg(i).arg(
                         now.size())));
            size = now.size();
            if (mode == u"rewrite in place"_s)
                QCOMPARE(ReadBytes(link), now);
            // Nothing the killed writer left stays: no temporary, no recovery copy.
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        }
        for (const QString &name : backups) {
            QFile copy(dir.filePath(name));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), name.toUtf8());
        }
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--writer") == 0) // the writer that the test kills
        return Writer(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    TestKill test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_kill.moc"
