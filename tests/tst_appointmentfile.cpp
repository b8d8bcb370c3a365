#include "book/appointmentfile.h"
#include "support/ordinaryuser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The permission bits as the file system has them: Qt also reports the owner's bits again as
// "user" bits when the process owns the file.
QFileDevice::Permissions ModeOf(const QString &path)
{
    return QFile::permissions(path) &
           ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

QStringList TextsOf(const QList<book::AppointmentLine> &lines)
{
    QStringList texts;
    for (const auto &line : lines)
        texts.append(line.text());
    return texts;
}

} // namespace

class TestAppointmentFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(book::DataFileName.toString());
        QFile::remove(m_path);
    }

    void readsNonEmptyLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("only line ends") << "\r\n\r\n\n\r"_ba << QStringList();
        QTest::newRow("CR LF") << "a^1\r\nb^2\r\n"_ba << QStringList{u"a^1"_s, u"b^2"_s};
        QTest::newRow("leading empty line, as a rewrite leaves it")
            << "\r\na^1\r\nb^2\r\n"_ba << QStringList{u"a^1"_s, u"b^2"_s};
        QTest::newRow("lone LF") << "a^1\nb^2\n"_ba << QStringList{u"a^1"_s, u"b^2"_s};
        QTest::newRow("lone CR") << "a^1\rb^2\r"_ba << QStringList{u"a^1"_s, u"b^2"_s};
        QTest::newRow("mixed, last line unended")
            << "a^1\r\n\nb^2\rc^3"_ba << QStringList{u"a^1"_s, u"b^2"_s, u"c^3"_s};
        QTest::newRow("LF CR is two line ends") << "a\n\rb"_ba << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("blank line is a line") << "  \r\nx\r\n"_ba << QStringList{u"  "_s, u"x"_s};
        QTest::newRow("untrimmed") << " a^1 \t\r\n"_ba << QStringList{u" a^1 \t"_s};
        QTest::newRow("byte-order mark skipped")
            << "\xEF\xBB\xBF*Once^05/12/2026 x\r\n"_ba << QStringList{u"*Once^05/12/2026 x"_s};
        QTest::newRow("byte-order mark then line end")
            << "\xEF\xBB\xBF\r\nx\r\n"_ba << QStringList{u"x"_s};
        QTest::newRow("UTF-8 and Windows-1252 lines")
            << "Caf\xC3\xA9\r\nCaf\xE9\r\n"_ba << QStringList{u"Café"_s, u"Café"_s};
    }
    void readsNonEmptyLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        WriteBytes(m_path, bytes);
        const auto read = book::LoadAppointmentLines(m_path);
        QVERIFY(read.has_value());
        QCOMPARE(TextsOf(*read), lines);
    }

    void missingFileReadsEmptyAndStaysMissing()
    {
        const auto read = book::LoadAppointmentLines(m_path);
        QVERIFY(read.has_value());
        QVERIFY(read->isEmpty());
        QVERIFY(!QFile::exists(m_path));
    }

    void unreadableFileIsAFailure()
    {
        // A folder in place of the file: reading must not pass for "no appointments".
        QVERIFY(QDir(m_dir.path()).mkdir(book::DataFileName.toString()));
        QVERIFY(!book::LoadAppointmentLines(m_path).has_value());
        QVERIFY(!book::AppendAppointmentLine(m_path, u"*Once^05/12/2026 10:30 x"));
        QVERIFY(!book::RewriteAppointmentFile(m_path, {}));
        QVERIFY(!book::ClearAppointmentFile(m_path));
        QVERIFY(QFileInfo(m_path).isDir());
        QVERIFY(QDir(m_dir.path()).rmdir(book::DataFileName.toString()));
    }

    void rewriteWritesLinesBackByteForByte()
    {
        const QByteArray original = "\xEF\xBB\xBF*Once^05/12/2026 10:30 Caf\xC3\xA9\n"
                                    "*Once^05/12/2026 11:00 Caf\xE9 \x81\x9D\r"
                                    "  *weird line^ \r\n"
                                    "\r\n"
                                    "no caret, edited by hand\r\n"
                                    "*Daily^01/01/2026 07:00 \xE2\x82\xAC with NUL \0 inside"_ba;
        WriteBytes(m_path, original);
        const auto read = book::LoadAppointmentLines(m_path);
        QVERIFY(read.has_value());
        QCOMPARE(read->size(), 5);
        QVERIFY(book::RewriteAppointmentFile(m_path, *read));
        QCOMPARE(ReadBytes(m_path),
                 "\r\n*Once^05/12/2026 10:30 Caf\xC3\xA9\r\n"
                 "*Once^05/12/2026 11:00 Caf\xE9 \x81\x9D\r\n"
                 "  *weird line^ \r\n"
                 "no caret, edited by hand\r\n"
                 "*Daily^01/01/2026 07:00 \xE2\x82\xAC with NUL \0 inside\r\n"_ba);
        // And reading the rewritten file gives the same lines again.
        QCOMPARE(book::LoadAppointmentLines(m_path), read);
    }

    void rewriteOfNothingLeavesOneLineEnd()
    {
        WriteBytes(m_path, "*Once^05/12/2026 10:30 x\r\n"_ba);
        QVERIFY(book::RewriteAppointmentFile(m_path, {}));
        QCOMPARE(ReadBytes(m_path), "\r\n"_ba);
    }

    void rewriteKeepsPermissionsOfTheFile()
    {
        WriteBytes(m_path, "x\r\n"_ba);
        const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(m_path, permissions));
        QVERIFY(book::RewriteAppointmentFile(m_path, {book::AppointmentLine::fromText(u"y")}));
        QCOMPARE(ModeOf(m_path), permissions);
    }

    void newFilesAreOwnerOnly_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("append") << 0;
        QTest::newRow("rewrite") << 1;
        QTest::newRow("clear") << 2;
    }
    void newFilesAreOwnerOnly()
    {
        QFETCH(int, operation);
        bool done = false;
        switch (operation) {
        case 0:
            done = book::AppendAppointmentLine(m_path, u"*Once^05/12/2026 10:30 x");
            break;
        case 1:
            done = book::RewriteAppointmentFile(m_path, {});
            break;
        default:
            done = book::ClearAppointmentFile(m_path);
        }
        QVERIFY(done);
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(ModeOf(m_path), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void appendsWholeLines_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << u"*Once^05/12/2026 10:30 Dentist"_s
                                 << "*Once^05/12/2026 10:30 Dentist\r\n"_ba;
        QTest::newRow("after CR LF") << "a\r\n"_ba << u"b"_s << "a\r\nb\r\n"_ba;
        QTest::newRow("after lone LF") << "a\n"_ba << u"b"_s << "a\nb\r\n"_ba;
        QTest::newRow("last line left unended") << "a"_ba << u"b"_s << "a\r\nb\r\n"_ba;
        QTest::newRow("UTF-8") << "Caf\xE9\r\n"_ba << u"Café €"_s
                               << "Caf\xE9\r\nCaf\xC3\xA9 \xE2\x82\xAC\r\n"_ba;
        QTest::newRow("same line twice") << "x\r\n"_ba << u"x"_s << "x\r\nx\r\n"_ba;
    }
    void appendsWholeLines()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, line);
        if (!before.isNull())
            WriteBytes(m_path, before);
        QVERIFY(book::AppendAppointmentLine(m_path, line));
        QTEST(ReadBytes(m_path), "after");
    }

    void clearLeavesAnEmptyFile()
    {
        WriteBytes(m_path, "a\r\nb\r\n"_ba);
        QVERIFY(book::ClearAppointmentFile(m_path));
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(QFileInfo(m_path).size(), 0);
        QCOMPARE(book::LoadAppointmentLines(m_path)->size(), 0);
    }

    void readOnlyFileOrFolder_data()
    {
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("appends");
        // Rewriting and clearing need the folder for their temporary file and must fail rather
        // than write in place; renaming a new file over a read-only one would work, and must
        // not be done either. Appending needs only the file.
        QTest::newRow("read-only file and folder") << false << false << false;
        QTest::newRow("read-only file, writable folder") << false << true << false;
        QTest::newRow("writable file, read-only folder") << true << false << true;
    }
    void readOnlyFileOrFolder()
    {
        QFETCH(bool, fileWritable);
        QFETCH(bool, folderWritable);
        QFETCH(bool, appends);
        const QByteArray original = "\r\n*Once^05/12/2026 10:30 Dentist\r\n"_ba;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(book::DataFileName.toString());
        OrdinaryUser user(dir.path());
        QVERIFY(user.ready());
        WriteBytes(path, original);
        const auto folder = QFile::permissions(dir.path());
        if (!fileWritable)
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        if (!folderWritable)
            QVERIFY(
                QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        const bool rewritten = book::RewriteAppointmentFile(path, {});
        const bool cleared = book::ClearAppointmentFile(path);
        const bool appended = book::AppendAppointmentLine(path, u"*Once^06/12/2026 09:00 x");
        const QByteArray after = ReadBytes(path);
        const QStringList left =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QVERIFY(QFile::setPermissions(dir.path(), folder));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(!rewritten);
        QVERIFY(!cleared);
        QCOMPARE(appended, appends);
        QCOMPARE(after, appends ? original + "*Once^06/12/2026 09:00 x\r\n"_ba : original);
        QCOMPARE(left, QStringList{book::DataFileName.toString()}); // no temporary file left
    }
};

QTEST_GUILESS_MAIN(TestAppointmentFile)
#include "tst_appointmentfile.moc"
