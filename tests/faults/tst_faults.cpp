// The window against a data file that cannot be read or written, a full disk, a file that
// changes behind its back, and input of every kind: each failure is reported, nothing is lost
// and nothing crashes.
#include "support/ordinaryuser.h"
#include "support/windowfixture.h"

#include <QClipboard>
#include <QDir>
#include <QPlainTextEdit>

#include <dlfcn.h>

namespace {

const QByteArray Original = "*Once^05/12/2026 10:30 Dentist\r\n*Daily^01/01/2026 07:00 Run\r\n"_ba;
const QString NotSaved = u"The appointment could not be saved."_s;
const QString NotDeleted = u"The appointment could not be deleted."_s;
const QString NoneDeleted = u"The appointments could not be deleted."_s;

// Sets how many more bytes the disk takes; -1 for no limit. The test runs with
// libdiskfull preloaded.
void DiskFullAfter(long bytes)
{
    using Fill = void (*)(long);
    static const auto fill = reinterpret_cast<Fill>(dlsym(RTLD_DEFAULT, "zentavo_disk_full_after"));
    QVERIFY2(fill, "run with libdiskfull preloaded (LD_PRELOAD), as ctest does");
    fill(bytes);
}

} // namespace

class TestFaults : public QObject, protected WindowFixture
{
    Q_OBJECT

private:
    // Fills the entry area with a valid appointment and clicks Save.
    void save(const QString &content)
    {
        button("Command4")->click();
        combo("cft1")->setEditText(u"*Once"_s);
        box("ft1")->setText(u"05/12/2026"_s);
        box("ft2")->setText(u"11:00"_s);
        control<QPlainTextEdit>("ft3")->setPlainText(content);
        button("fcom")->click();
    }

    // Del. of the first entry, and Delete all answered Yes.
    void deleteFirstAndAll()
    {
        combo("Combo3")->setCurrentIndex(0);
        button("Command3")->click();
        m_dialogs->answerYes = true;
        button("Command7")->click();
    }

    QString content() { return control<QPlainTextEdit>("ft3")->toPlainText(); }

private slots:
    void cleanup()
    {
        m_window.reset();
        DiskFullAfter(-1);
    }

    void readOnlyFile()
    {
        start(Original);
        OrdinaryUser user(m_dir->path());
        QVERIFY(user.ready());
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner));
        save(u"Kept"_s);
        QCOMPARE(m_dialogs->messages, QStringList{NotSaved});
        QCOMPARE(content(), u"Kept"_s);
        deleteFirstAndAll();
        QCOMPARE(
            m_dialogs->messages,
            (QStringList{NotSaved, NotDeleted, u"All records will be deleted?"_s, NoneDeleted}));
        QCOMPARE(content(), u"Kept"_s); // Delete all that failed keeps the entry area too
        QCOMPARE(ReadBytes(m_path), Original);
        QCOMPARE(agenda(), (QStringList{u"07:00 Run"_s, u"10:30 Dentist"_s}));
    }

    void readOnlyFolder()
    {
        // The file itself stays writable: Save can add its line, but nothing that rewrites
        // the file can replace it.
        start(Original);
        OrdinaryUser user(m_dir->path());
        QVERIFY(user.ready());
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const auto folder = QFile::permissions(m_dir->path());
        QVERIFY(
            QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        save(u"Added"_s);
        const QByteArray saved = ReadBytes(m_path);
        deleteFirstAndAll();
        const QByteArray after = ReadBytes(m_path);
        QVERIFY(QFile::setPermissions(m_dir->path(), folder));
        QCOMPARE(saved, Original + "*Once^05/12/2026 11:00 Added\r\n"_ba);
        QCOMPARE(m_dialogs->messages,
                 (QStringList{NotDeleted, u"All records will be deleted?"_s, NoneDeleted}));
        QCOMPARE(after, saved);
    }

    void dataFileIsAFolder()
    {
        start({});
        QVERIFY(QDir(m_dir->path()).mkdir(book::DataFileName.toString()));
        button("Command2")->click();
        QVERIFY(agenda().isEmpty());
        save(u"Kept"_s);
        QCOMPARE(m_dialogs->messages, QStringList{NotSaved});
        QCOMPARE(content(), u"Kept"_s);
        m_dialogs->answerYes = true;
        button("Command7")->click();
        QCOMPARE(m_dialogs->messages.last(), NoneDeleted);
        QVERIFY(QFileInfo(m_path).isDir());
    }

    void diskFull_data()
    {
        QTest::addColumn<long>("free");
        QTest::newRow("no byte free") << 0L;
        QTest::newRow("half a line free") << 12L;
    }
    void diskFull()
    {
        QFETCH(long, free);
        start(Original);
        DiskFullAfter(free);
        save(u"Kept"_s);
        QCOMPARE(m_dialogs->messages, QStringList{NotSaved});
        QCOMPARE(content(), u"Kept"_s);
        QCOMPARE(ReadBytes(m_path), Original); // no half line left behind
        DiskFullAfter(free);
        combo("Combo3")->setCurrentIndex(0);
        button("Command3")->click();
        QCOMPARE(m_dialogs->messages.last(), NotDeleted);
        QCOMPARE(ReadBytes(m_path), Original);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 QStringList{book::DataFileName.toString()}); // no temporary file left
        DiskFullAfter(-1);
        button("fcom")->click(); // room again: what was typed is stored now
        QCOMPARE(ReadBytes(m_path), Original + "*Once^05/12/2026 11:00 Kept\r\n"_ba);
    }

    void fileDeletedBetweenBuilds()
    {
        start(Original);
        QVERIFY(QFile::remove(m_path));
        combo("Combo3")->setCurrentIndex(0);
        button("Command3")->click(); // its line is gone: nothing to remove, nothing written
        QVERIFY(m_dialogs->messages.isEmpty());
        QVERIFY(!QFile::exists(m_path));
        QVERIFY(agenda().isEmpty());
        save(u"New start"_s);
        QCOMPARE(ReadBytes(m_path), "*Once^05/12/2026 11:00 New start\r\n"_ba);
    }

    void chosenLineEditedByHand()
    {
        start(Original);
        const QByteArray edited =
            "*Once^05/12/2026 10:45 Dentist, moved\r\n*Daily^01/01/2026 07:00 Run\r\n"_ba;
        WriteBytes(m_path, edited);
        combo("Combo3")->setCurrentIndex(1); // 10:30 Dentist, no longer in the file
        button("Command3")->click();
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(ReadBytes(m_path), edited);
        QCOMPARE(agenda(), (QStringList{u"07:00 Run"_s, u"10:45 Dentist, moved"_s}));
    }

    void anythingTypedAnywhere()
    {
        // Every printable ASCII character and some others into every entry box, then every
        // button: no crash, and no message but the program's own.
        start(Original);
        QString ascii;
        for (char16_t c = 0x20; c < 0x7F; ++c)
            ascii += QChar(c);
        const QStringList others{u"ä"_s, u"ß"_s, u"€"_s, u"漢"_s, u"\U0001F382"_s, u"\u200F"_s};
        button("Command4")->click();
        for (QWidget *entry :
             {control<QWidget>("ft1"), control<QWidget>("ft2"), control<QWidget>("msb"),
              control<QWidget>("ft3"), control<QWidget>("cft1"), control<QWidget>("Combo3")}) {
            focus(entry);
            QTest::keyClicks(entry, ascii);
            for (const QString &other : others) {
                QTest::sendKeyEvent(QTest::Press, entry, Qt::Key_unknown, other, Qt::NoModifier);
                QTest::sendKeyEvent(QTest::Release, entry, Qt::Key_unknown, other, Qt::NoModifier);
            }
        }
        for (bool yes : {false, true}) {
            m_dialogs->answerYes = yes;
            for (const char *name :
                 {"Command1", "Command2", "Command4", "fcom", "Command3", "Command5", "Command7"})
                button(name)->click();
        }
        const QStringList allowed{u"Incorrect date"_s, u"Wrong date or time"_s,
                                  u"Incomplete data"_s, u"Choose an appointment"_s,
                                  u"All records will be deleted?"_s};
        for (const QString &message : std::as_const(m_dialogs->messages))
            QVERIFY2(allowed.contains(message), qPrintable(message));
        QVERIFY(book::LoadAppointmentLines(m_path).has_value());
    }

    void longPastedContent()
    {
        start(Original);
        QString pasted;
        for (int i = 0; pasted.size() < 10000; ++i)
            pasted += u"line %1 of a long note\n"_s.arg(i);
        pasted.truncate(10000);
        QApplication::clipboard()->setText(pasted);
        button("Command4")->click();
        combo("cft1")->setEditText(u"*Once"_s);
        box("ft1")->setText(u"05/12/2026"_s);
        box("ft2")->setText(u"11:00"_s);
        focus(control<QWidget>("ft3"));
        QTest::keyClick(control<QWidget>("ft3"), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(content().size(), 10000);
        button("fcom")->click();
        QVERIFY(m_dialogs->messages.isEmpty());
        const QByteArray file = ReadBytes(m_path);
        QVERIFY(file.startsWith(Original));
        const QByteArray added = file.mid(Original.size());
        QCOMPARE(added.count('\n'), 1); // one line
        QVERIFY(added.startsWith("*Once^05/12/2026 11:00 line 0 of a long note line 1"));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
