// The data file survives the program being killed at any moment: a rewrite, an append and a
// clearing are each killed at random moments, and after every kill the file is whole. Copies
// that the user keeps beside the book survive every kill, and what a killed rewrite left
// behind is cleaned up by the next one.
#include "book/appointmentfile.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

class TestKill : public QObject
{
    Q_OBJECT

private slots:
    void killed_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("maxDelayMs");
        QTest::newRow("rewrite") << u"rewrite"_s << 40;
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
        QByteArray contents[2];
        for (int which : {0, 1}) {
            QProcess writer;
            writer.start(QStringLiteral(ZENTAVO_WRITER), {u"content"_s, QString::number(which)});
            QVERIFY(writer.waitForFinished() && writer.exitCode() == 0);
            contents[which] = writer.readAllStandardOutput();
        }
        const QRegularExpression appended(u"^\\*Once\\^05/12/2026 10:30 appended \\d+\\r$"_s);
        const auto wholeLines = [&](const QByteArray &bytes) {
            QList<QByteArray> lines = bytes.split('\n');
            return lines.takeLast().isEmpty() &&
                   std::all_of(lines.cbegin(), lines.cend(), [&](const QByteArray &line) {
                       return appended.match(QString::fromLatin1(line)).hasMatch();
                   });
        };
        qsizetype size = 0;
        const int kills = qEnvironmentVariableIntValue("ZENTAVO_KILLS") ?: 200;
        for (int i = 0; i < kills; ++i) {
            QProcess writer;
            writer.start(QStringLiteral(ZENTAVO_WRITER), {mode, path});
            QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
            QTest::qSleep(QRandomGenerator::global()->bounded(maxDelayMs));
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished());

            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray now = file.readAll();
            const bool whole = mode == u"append"_s ? now.size() > size && wholeLines(now)
                                                   : now == contents[0] ||
                                                         (mode == u"rewrite"_s ? now == contents[1]
                                                                               : now.isEmpty());
            QVERIFY2(whole,
                     qPrintable(u"kill %1 left %2 bytes that are no whole content"_s.arg(i).arg(
                         now.size())));
            size = now.size();
        }
        // The next rewrite removes what a killed one left; the user's copies are untouched.
        QVERIFY(book::RewriteAppointmentFile(path, {}));
        QStringList expected = backups + QStringList{book::DataFileName.toString()};
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        for (const QString &name : backups) {
            QFile copy(dir.filePath(name));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll(), name.toUtf8());
        }
    }
};

QTEST_GUILESS_MAIN(TestKill)
#include "tst_kill.moc"
