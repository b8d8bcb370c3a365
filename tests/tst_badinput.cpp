// A catalogue of hostile and odd data files: what agenda each gives, and proof that deleting
// another appointment writes every line of it back as it was.
#include "book/appointmentfile.h"
#include "support/fakes.h"
#include "window/form1.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Other = "*Once^05/12/2026 23:59 Other appointment"_ba;

QList<QByteArray> LinesOf(const QString &path)
{
    const std::optional<QList<book::AppointmentLine>> read = book::LoadAppointmentLines(path);
    QList<QByteArray> lines;
    for (const book::AppointmentLine &line : read.value())
        lines.append(line.bytes().toByteArray());
    return lines;
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("agenda"); // of Saturday 05/12/2026, in any order

        const auto row = [](const char *name, const QByteArray &file, const QStringList &agenda) {
            QTest::newRow(name) << file << agenda;
        };
        const QStringList none;
        row("no caret", "Dentist at 10:30\r\n"_ba, none);
        row("caret first", "^05/12/2026 10:30 x\r\n"_ba, none);
        row("only a caret", "^\r\n"_ba, none);
        row("many carets", "^^^^^^\r\n"_ba, none);
        row("tag with blanks", " *Once ^05/12/2026 10:30 x\r\n"_ba, none);
        row("tag in capitals", "*ONCE^05/12/2026 10:30 x\r\n"_ba, none);
        row("very long tag", QByteArray(1000, '*') + "^05/12/2026 10:30 x\r\n", none);
        row("date field short", "*Daily^05/12\r\n"_ba, none);
        row("31 February", "*Daily^31/02/2026 10:30 x\r\n"_ba, none);
        row("all zeros", "*Daily^00/00/0000 10:30 x\r\n"_ba, none);
        row("29 February, common year", "*Daily^29/02/2027 10:30 x\r\n"_ba, none);
        row("year 0000", "*Daily^01/01/0000 10:30 x\r\n"_ba, none);
        row("year 9999", "*Daily^31/12/9999 10:30 far ahead\r\n"_ba, {u"10:30 far ahead"_s});
        row("letters in date", "*Daily^ab/cd/efgh 10:30 x\r\n"_ba, none);
        row("blank in date", "*Daily^ 5/12/2026 10:30 x\r\n"_ba, none);
        row("Arabic-Indic digits", "*Daily^\xD9\xA0\xD9\xA5/12/2026 10:30 x\r\n"_ba, none);
        row("fullwidth slash",
            "*Daily^05\xEF\xBC\x8F"
            "12/2026 10:30 x\r\n"_ba,
            none);
        row("tag and caret only", "*Daily^\r\n"_ba, none);
        row("no time, no content", "*Once^05/12/2026\r\n"_ba, {QString()});
        row("tabs for blanks", "*Daily^01/01/2026\t10:30\tx\r\n"_ba, {u"\t10:30\tx"_s});
        row("tag literal in content", "*Once^05/12/2026 10:30 go *Daily now\r\n"_ba,
            {u"10:30 go  now"_s});
        row("caret in content", "*Once^05/12/2026 10:30 a^b\r\n"_ba, {u"10:30 a b"_s});
        row("1 MB line", "*Daily^01/01/2026 10:30 " + QByteArray(1 << 20, 'x') + "\r\n",
            {u"10:30 "_s + QString(1 << 20, u'x')});
        row("NUL bytes", QByteArray("*Daily^01/01/2026 10:30 a\0b\r\n", 29),
            {QStringView(u"10:30 a\0b", 9).toString()});
        row("NUL only", QByteArray("\0\r\n", 3), none);
        row("control characters", "*Daily^01/01/2026 10:30 \x01\x1B[31m\r\n"_ba,
            {u"10:30 \x01\x1B[31m"_s});
        row("lone CR inside", "*Daily^01/01/2026 10:30 a\rb^c\r\n"_ba, {u"10:30 a"_s});
        row("CR LF inside content", "*Daily^01/01/2026 10:30 first\r\nsecond\r\n"_ba,
            {u"10:30 first"_s});
        row("CR CR LF", "*Daily^01/01/2026 10:30 x\r\r\n"_ba, {u"10:30 x"_s});
        row("Windows-1252 line", "*Daily^01/01/2026 10:30 Caf\xE9 \x80 5\r\n"_ba,
            {u"10:30 Café € 5"_s});
        row("invalid UTF-8 sequence", "*Daily^01/01/2026 10:30 \xED\xA0\x80\r\n"_ba,
            {u"10:30 í\u00A0€"_s});
        row("UTF-8 and 8-bit lines mixed",
            "*Daily^01/01/2026 10:30 Caf\xC3\xA9\r\n*Daily^01/01/2026 10:31 Caf\xE9\r\n"_ba,
            {u"10:30 Café"_s, u"10:31 Café"_s});
        row("byte-order mark first", "\xEF\xBB\xBF*Once^05/12/2026 10:30 x\r\n"_ba, {u"10:30 x"_s});
        row("right-to-left text",
            "*Daily^01/01/2026 10:30 \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7\r\n"_ba,
            {u"10:30 مرحبا"_s});
        row("emoji", "*Daily^01/01/2026 10:30 \xF0\x9F\x8E\x82 cake\r\n"_ba,
            {u"10:30 \U0001F382 cake"_s});
        row("only blank lines", "   \r\n \r\n"_ba, none);
        row("old Mac line ends", "*Daily^01/01/2026 10:30 a\r*Daily^01/01/2026 10:31 b\r"_ba,
            {u"10:30 a"_s, u"10:31 b"_s});
        row("last line unended", "*Daily^01/01/2026 10:30 x"_ba, {u"10:30 x"_s});
        QByteArray many;
        for (int i = 0; i < 200000; ++i)
            many += "*Once^" + QByteArray::number(i % 28 + 1).rightJustified(2, '0') +
                    "/11/2026 10:30 line " + QByteArray::number(i) + "\r\n";
        row("200,000 lines", many, none);
    }

    void catalogue()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, agenda);
        QTemporaryDir dir;
        const QString path = dir.filePath(book::DataFileName.toString());
        {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
            if (!file.isEmpty() && !file.endsWith('\n') && !file.endsWith('\r'))
                out.write("\r\n");
            out.write(Other + "\r\n");
        }
        const QList<QByteArray> before = LinesOf(path);

        FakeClock clock(QDateTime(QDate(2026, 12, 5), QTime(9, 0)));
        FakeDialogs dialogs;
        RecordingPrinters printers;
        form1 window({path, &clock, &dialogs, &printers, {}});
        window.Form_Load();
        auto *entries = window.findChild<QComboBox *>(u"Combo3"_s);
        QStringList shown;
        for (int i = 0; i < entries->count(); ++i)
            shown.append(entries->itemText(i));
        agenda.append(u"23:59 Other appointment"_s);
        shown.sort();
        agenda.sort();
        QCOMPARE(shown, agenda);

        // Deleting the other appointment writes every line of the file back as it was.
        entries->setCurrentIndex(entries->findText(u"23:59 Other appointment"_s));
        window.findChild<QPushButton *>(u"Command3"_s)->click();
        QVERIFY(dialogs.messages.isEmpty());
        QList<QByteArray> expected = before;
        expected.removeOne(Other);
        QCOMPARE(LinesOf(path), expected);
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
