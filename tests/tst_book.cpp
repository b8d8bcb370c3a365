// The appointment book without a window: the agendas of a data file with every quirk, and
// the bytes that appending and rewriting leave.
#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "book/dayagenda.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString Data = QStringLiteral(ZENTAVO_TEST_DATA "/book/");

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBook : public QObject
{
    Q_OBJECT

private slots:
    // ganctl.ngb mixes every line end, a byte-order mark, 8-bit and UTF-8 lines, every
    // frequency and every kind of broken line; agendas.txt holds what ten dates must show.
    void agendasOfAFileWithEveryQuirk()
    {
        QMap<QString, QStringList> expected;
        QString date;
        for (const QByteArray &line : ReadBytes(Data + u"agendas.txt"_s).split('\n')) {
            if (line.startsWith("  "))
                expected[date].append(QString::fromUtf8(line.sliced(2)));
            else if (!line.isEmpty() && !line.startsWith('#'))
                expected[date = QString::fromUtf8(line)];
        }
        QCOMPARE(expected.size(), 10);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const book::DayAgenda agenda =
                book::BuildDayAgenda(Data + u"ganctl.ngb"_s, book::ParseDateText(it.key()));
            QVERIFY(!agenda.readFailed);
            QCOMPARE(agenda.key.dateText, it.key());
            QCOMPARE(agenda.displayLines, it.value());
            QCOMPARE(agenda.count, it.value().size());
            for (qsizetype i = 0; i < agenda.count; ++i) // each entry knows the line it shows
                QCOMPARE(
                    book::DisplayLineOf(agenda.allLines.at(agenda.displaySources.at(i)).text()),
                    agenda.displayLines.at(i));
        }
    }

    // A rewrite puts an empty line first, then every line as it was read, byte for byte, each
    // ended by CR LF; the file keeps its permissions. A new file is the owner's alone.
    void rewriteKeepsEveryLinesBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        const QByteArray original = ReadBytes(Data + u"ganctl.ngb"_s);
        QVERIFY(QFile::copy(Data + u"ganctl.ngb"_s, path));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(book::RewriteAppointmentFile(path, book::LoadAppointmentLines(path).value()));
        QByteArray expected = "\r\n";
        for (const QByteArray &line : original.sliced(3).split('\n')) {
            for (const QByteArray &part : line.split('\r'))
                expected += part.isEmpty() ? QByteArray() : part + "\r\n";
        }
        QCOMPARE(ReadBytes(path), expected);
        QCOMPARE(QFile::permissions(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadUser | QFile::WriteUser);

        const QString created = dir.filePath(u"new.ngb"_s);
        QVERIFY(book::RewriteAppointmentFile(created, {}));
        QCOMPARE(ReadBytes(created), "\r\n"_ba);
        QCOMPARE(QFile::permissions(created),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }

    void appendEndsTheLastLineFirst_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray line = "*Once^05/12/2026 10:30 Zoë\r\n";
        QTest::newRow("no file") << QByteArray() << line;
        QTest::newRow("after CR LF") << "a\r\n"_ba
                                     << "a\r\n" + line;
        QTest::newRow("after a lone CR") << "a\r"_ba
                                         << "a\r" + line;
        QTest::newRow("last line left unended") << "a"_ba
                                                << "a\r\n" + line;
    }
    void appendEndsTheLastLineFirst()
    {
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        QFile file(path);
        if (!before.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
        file.close();
        QVERIFY(book::AppendAppointmentLine(path, u"*Once^05/12/2026 10:30 Zoë"_s));
        QTEST(ReadBytes(path), "after");
        if (before.isNull())
            QCOMPARE(QFile::permissions(path),
                     QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
