// The data file survives the program being killed at any moment: a rewrite (by rename, and in
// place for a book with a second hard link), an append and a clearing are each killed at random
// moments, and after every kill the file, as the next start finds it, is whole. Copies that the
// user keeps beside the book survive every kill, and nothing that a killed writer left stays
// behind. The process that is killed is this program again, started as the writer.
#include "book/appointmentfile.h"
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

// Changes the file again and again until it is killed, saying "started" after the first
// change: "rewrite" alternates the two contents (in place where the book has a second hard
// link, "rewrite in place"), "append" adds numbered lines, "clear" alternates the first content
// and an empty file.
int Writer(const QString &mode, const QString &path)
{
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
        QTest::newRow("rewrite") << u"rewrite"_s << 40;
        QTest::newRow("rewrite in place") << u"rewrite in place"_s << 120;
        QTest::newRow("append") << u"append"_s << 10;
        QTest::newRow("clear") << u"clear"_s << 40;
    }
    void killed()
    {
        QFETCH(QString, mode);
        QFETCH(int, maxDelayMs);
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
        const QByteArray contents[2] = {ContentFile(0), ContentFile(1)};
        QStringList expected = backups + QStringList{book::DataFileName.toString()};
        expected.sort();
        qsizetype size = 0;
        const int kills = qEnvironmentVariableIntValue("ZENTAVO_KILLS") ?: 200;
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {u"--writer"_s, mode, path});
            QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
            QTest::qSleep(QRandomGenerator::global()->bounded(maxDelayMs));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());

            // What the next start finds, once it has mended what the kill cut short.
            book::RecoverAppointmentFile(path);
            const QByteArray now = ReadBytes(path);
            // Appends leave whole lines only: one line end to each line, and more than before.
            const bool whole =
                mode == u"append"_s
                    ? now.size() > size && now.endsWith("\r\n") &&
                          now.count("*Once^") == now.count("\r\n")
                    : now == contents[0] ||
                          (mode.startsWith(u"rewrite"_s) ? now == contents[1] : now.isEmpty());
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
