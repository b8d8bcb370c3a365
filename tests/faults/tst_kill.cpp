// The data file survives the program being killed at any moment: a rewrite, an append and a
// clearing are each killed at random moments, and after every kill the file is whole.
#include "book/appointmentfile.h"
#include "faults/contents.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QByteArray Bytes(const QList<book::AppointmentLine> &lines)
{
    QByteArray file = "\r\n";
    for (const auto &line : lines)
        file += line.bytes().toByteArray() + "\r\n";
    return file;
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKill : public QObject
{
    Q_OBJECT

private:
    // Starts the writer, lets it run for a random moment after its first change, kills it.
    void runAndKill(const QStringList &arguments, int maxDelayMs)
    {
        QProcess writer;
        writer.start(QCoreApplication::applicationDirPath() + u"/writer"_s, arguments);
        QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
        QTest::qSleep(QRandomGenerator::global()->bounded(maxDelayMs));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished());
    }

    // 200 a kind in the test suite; ZENTAVO_KILLS=1000 for the long run.
    static int kills() { return qEnvironmentVariableIntValue("ZENTAVO_KILLS") ?: 200; }

    // The two contents, as files the writer reads them from.
    QString m_first;
    QString m_second;
    QByteArray m_firstBytes;
    QByteArray m_secondBytes;
    QTemporaryDir m_contents;

private slots:
    void initTestCase()
    {
        m_first = m_contents.filePath(u"first"_s);
        m_second = m_contents.filePath(u"second"_s);
        QVERIFY(book::RewriteAppointmentFile(m_first, Content(0)));
        QVERIFY(book::RewriteAppointmentFile(m_second, Content(1)));
        m_firstBytes = ReadBytes(m_first);
        m_secondBytes = ReadBytes(m_second);
        QCOMPARE(m_firstBytes, Bytes(Content(0)));
    }

    void rewriteIsOldOrNew()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        const QByteArray &first = m_firstBytes;
        const QByteArray &second = m_secondBytes;
        int sawFirst = 0;
        int sawSecond = 0;
        for (int i = 0; i < kills(); ++i) {
            runAndKill({u"rewrite"_s, path, m_first, m_second}, 40);
            const QByteArray now = ReadBytes(path);
            QVERIFY2(
                now == first || now == second,
                qPrintable(u"kill %1 left %2 bytes of neither content"_s.arg(i).arg(now.size())));
            (now == first ? sawFirst : sawSecond)++;
        }
        qInfo("%d kills: %d times the first content, %d times the second", kills(), sawFirst,
              sawSecond);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{book::DataFileName.toString()});
    }

    void appendLeavesWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        const QRegularExpression line(u"^\\*Once\\^05/12/2026 10:30 appended \\d+$"_s);
        qsizetype lines = 0;
        for (int i = 0; i < kills(); ++i) {
            runAndKill({u"append"_s, path}, 10);
            const QByteArray now = ReadBytes(path);
            QVERIFY2(now.endsWith("\r\n"), qPrintable(u"kill %1 left half a line"_s.arg(i)));
            QList<QByteArray> all = now.split('\n');
            all.removeLast(); // what follows the last line end: nothing, checked above
            for (const QByteArray &entry : std::as_const(all))
                QVERIFY2(entry.endsWith('\r') &&
                             line.match(QString::fromLatin1(entry.chopped(1))).hasMatch(),
                         entry.constData());
            QVERIFY(all.size() > lines); // nothing lost, at least the first line of the run
            lines = all.size();
        }
        qInfo("%d kills: %lld whole lines", kills(), qlonglong(lines));
    }

    void clearIsOldOrEmpty()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        const QByteArray &first = m_firstBytes;
        for (int i = 0; i < kills(); ++i) {
            runAndKill({u"clear"_s, path, m_first}, 40);
            const QByteArray now = ReadBytes(path);
            QVERIFY2(now == first || now.isEmpty(),
                     qPrintable(u"kill %1 left %2 bytes"_s.arg(i).arg(now.size())));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{book::DataFileName.toString()});
    }
};

QTEST_GUILESS_MAIN(TestKill)
#include "tst_kill.moc"
