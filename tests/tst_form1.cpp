#include "book/appointmentfile.h"
#include "support/windowfixture.h"
#include "window/form1.h"
#include "window/reminder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject, protected WindowFixture
{
    Q_OBJECT

private slots:
    void cleanup() { m_window.reset(); }

    void startsOnToday()
    {
        start("*Once^05/12/2026 14:00 Lunch\r\n*Weekly^28/11/2026 09:30 Dentist\r\n"
              "*Once^06/12/2026 10:00 Tomorrow\r\n"_ba);
        QCOMPARE(m_window->windowTitle(), u"Appointments Zentavo"_s);
        QCOMPARE(m_window->size(), QSize(491, 269));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_window->windowIcon().availableSizes(), (QList<QSize>{{32, 32}, {16, 16}}));
        // Arial, or the face of the same metrics that stands in for it; so does Save's font.
        const QString arial = QFontInfo(button("Command1")->font()).family();
        QCOMPARE(QFontInfo(button("fcom")->font()).family(), arial);

        QCOMPARE(box("msb")->text(), u"05/12/2026"_s);
        QCOMPARE(control<QLabel>("text6")->text(), u"09:05"_s);
        QCOMPARE(box("ft1")->text(), u"00/00/0000"_s);
        QCOMPARE(box("ft2")->text(), u"00:00"_s);
        QVERIFY(control<QPlainTextEdit>("ft3")->toPlainText().isEmpty());
        QVERIFY(control<QLabel>("Label5")->text().isEmpty());
        QVERIFY(!button("fcom")->isEnabled());
        for (const char *name :
             {"Command1", "Command2", "Command3", "Command4", "Command5", "Command7"})
            QVERIFY2(button(name)->isEnabled(), name);

        QStringList frequencies;
        for (int i = 0; i < combo("cft1")->count(); ++i)
            frequencies.append(combo("cft1")->itemText(i));
        QCOMPARE(frequencies, (QStringList{u"*Once"_s, u"*Daily"_s, u"*Weekly"_s, u"*Monthly"_s,
                                           u"*Quarterly"_s, u"*Yearly"_s}));
        QVERIFY(combo("cft1")->currentText().isEmpty());
        QCOMPARE(combo("cft1")->currentIndex(), -1);

        QCOMPARE(agenda(), (QStringList{u"09:30 Dentist"_s, u"14:00 Lunch"_s}));
        QCOMPARE(combo("Combo3")->currentIndex(), 0);
        QCOMPARE(combo("Combo3")->currentText(), u"09:30 Dentist"_s);
        QCOMPARE(box("Text5")->text(), u"2"_s);
        QCOMPARE(m_window->dnm, u"7"_s);
        QCOMPARE(m_window->mon, u"12"_s);
        QCOMPARE(m_window->dy, u"5"_s);
        QCOMPARE(m_window->Combo2.size(), 3);
        QCOMPARE(m_window->dly.size(), 2);
        QCOMPARE(QApplication::focusWidget(), button("Command1"));
    }

    void startsWithoutDataFile()
    {
        start(QByteArray());
        QVERIFY(agenda().isEmpty());
        QCOMPARE(combo("Combo3")->currentIndex(), -1);
        QVERIFY(combo("Combo3")->currentText().isEmpty());
        QCOMPARE(box("Text5")->text(), u"0"_s);
        QCOMPARE(combo("cft1")->count(), 6);
        QVERIFY(!QFile::exists(m_path));
    }

    void clockLabel_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("label");
        QTest::newRow("morning") << QTime(9, 5) << u"09:05"_s;
        QTest::newRow("afternoon") << QTime(14, 30) << u"14:30"_s;
        QTest::newRow("midnight") << QTime(0, 0) << u"00:00"_s;
        QTest::newRow("last minute") << QTime(23, 59, 59) << u"23:59"_s;
    }
    void clockLabel()
    {
        QFETCH(QTime, time);
        start({}, QDateTime(QDate(2026, 12, 6), time));
        QTEST(control<QLabel>("text6")->text(), "label");
    }

    void controlsInTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qreal>("pointSize");
        // Twips divided by 15.
        QTest::newRow("Print") << u"Command5"_s << QRect(24, 16, 49, 20) << 9.75;
        QTest::newRow("Day") << u"Command1"_s << QRect(88, 16, 49, 20) << 9.75;
        QTest::newRow("Del.") << u"Command3"_s << QRect(256, 16, 49, 20) << 9.75;
        QTest::newRow("date box") << u"msb"_s << QRect(312, 13, 81, 24) << 9.75;
        QTest::newRow("clock") << u"text6"_s << QRect(400, 8, 75, 33) << 20.25;
        QTest::newRow("agenda") << u"Combo3"_s << QRect(60, 64, 409, 24) << 9.75;
        QTest::newRow("entry date") << u"ft1"_s << QRect(72, 104, 89, 22) << 11.25;
        QTest::newRow("entry time") << u"ft2"_s << QRect(228, 104, 49, 26) << 11.25;
        QTest::newRow("frequency") << u"cft1"_s << QRect(384, 104, 83, 23) << 9.0;
        QTest::newRow("content") << u"ft3"_s << QRect(16, 168, 369, 49) << 11.25;
        QTest::newRow("Save") << u"fcom"_s << QRect(407, 184, 49, 20) << 9.75;
        QTest::newRow("Delete all") << u"Command7"_s << QRect(44, 233, 401, 20) << 9.0;
    }
    void controlsInTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(qreal, pointSize);
        start({});
        const QWidget *widget = m_window->findChild<QWidget *>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->font().pointSizeF(), pointSize);
        QVERIFY(widget->font().bold());
    }

    void tabOrder()
    {
        start({});
        button("Command4")->click(); // Save takes the focus only once enabled
        focus(button("Command1"));
        QStringList visited;
        for (int i = 0; i < 13; ++i) {
            visited.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, (QStringList{u"Command1"_s, u"Command2"_s, u"Command3"_s, u"Command4"_s,
                                       u"Combo3"_s, u"cft1"_s, u"ft2"_s, u"ft1"_s, u"ft3"_s,
                                       u"fcom"_s, u"Command5"_s, u"Text5"_s, u"msb"_s}));
        QCOMPARE(QApplication::focusWidget()->objectName(), u"Command1"_s);
    }

    void dayAndToday_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("agenda");
        const QStringList today{u"09:30 Dentist"_s, u"14:00 Lunch"_s};
        QTest::newRow("another Saturday")
            << u"12/12/2026"_s << QString() << u"12/12/2026"_s << QStringList{u"09:30 Dentist"_s};
        QTest::newRow("empty day")
            << u"07/12/2026"_s << QString() << u"07/12/2026"_s << QStringList();
        QTest::newRow("too short")
            << u"5/12/2026"_s << u"Incorrect date"_s << u"5/12/2026"_s << today;
        QTest::newRow("empty") << QString() << u"Incorrect date"_s << QString() << today;
        QTest::newRow("letters") << u"ab/cd/efgh"_s << u"Incorrect date"_s << u"ab/cd/efgh"_s
                                 << today;
        QTest::newRow("31 February")
            << u"31/02/2026"_s << u"Incorrect date"_s << u"31/02/2026"_s << today;
    }
    void dayAndToday()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        start("*Once^05/12/2026 14:00 Lunch\r\n*Weekly^28/11/2026 09:30 Dentist\r\n"_ba);
        m_window->Text9 = u"8"_s; // as after Backspace: the text stays as it is put in
        box("msb")->setText(typed);
        button("Command1")->click();
        QCOMPARE(m_dialogs->messages, message.isEmpty() ? QStringList() : QStringList{message});
        QTEST(box("msb")->text(), "shown");
        QTEST(agenda(), "agenda");

        button("Command2")->click();
        QCOMPARE(box("msb")->text(), u"05/12/2026"_s);
        QCOMPARE(agenda(), (QStringList{u"09:30 Dentist"_s, u"14:00 Lunch"_s}));
        QCOMPARE(m_window->dnm, u"7"_s);
    }

    void maskedEntry_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        // ft1 and ft2 are emptied when entered; msb keeps its text, all of it selected.
        QTest::newRow("ft1 digits") << u"ft1"_s << QString() << u"25122026"_s << u"25/12/2026"_s;
        QTest::newRow("ft2 digits") << u"ft2"_s << QString() << u"0930"_s << u"09:30"_s;
        QTest::newRow("msb digits") << u"msb"_s << QString() << u"25122026"_s << u"25/12/2026"_s;
        QTest::newRow("ft1 backspace after separator")
            << u"ft1"_s << QString() << u"25<ENTER><BS>1"_s << u"25/1"_s;
        QTest::newRow("msb backspace after separator")
            << u"msb"_s << QString() << u"25<BS>1"_s << u"251"_s;
        QTest::newRow("msb backspace then slash")
            << u"msb"_s << QString() << u"25<BS>/"_s << u"25/"_s;
        QTest::newRow("ft1 slash typed by hand") << u"ft1"_s << QString() << u"25/"_s << u"25//"_s;
        QTest::newRow("msb slash typed by hand") << u"msb"_s << QString() << u"25/"_s << u"25//"_s;
        QTest::newRow("ft1 letters") << u"ft1"_s << QString() << u"abc"_s << u"ab/c"_s;
        QTest::newRow("ft1 enter adds separator")
            << u"ft1"_s << QString() << u"25<ENTER>"_s << u"25/"_s;
        QTest::newRow("ft2 enter adds separator")
            << u"ft2"_s << QString() << u"09<ENTER>"_s << u"09:"_s;
        QTest::newRow("ft1 caret moved back")
            << u"ft1"_s << QString() << u"2512<LEFT><LEFT>9"_s << u"25/12/9"_s;
        QTest::newRow("ft1 full") << u"ft1"_s << QString() << u"251220267"_s << u"25/12/2026"_s;
        QTest::newRow("ft1 full, all selected")
            << u"ft1"_s << QString() << u"25122026<SELECTALL>7"_s << u"25/12/2026"_s;
        QTest::newRow("ft2 full") << u"ft2"_s << QString() << u"093012"_s << u"09:30"_s;
        QTest::newRow("msb typing replaces the selection")
            << u"msb"_s << u"05/12/2026"_s << u"0"_s << u"0"_s;
        QTest::newRow("msb character goes to the caret")
            << u"msb"_s << u"05/12/2026"_s << u"<HOME>9"_s << u"05/12/2026"_s;
        QTest::newRow("msb delete leaving two")
            << u"msb"_s << u"123"_s << u"<HOME><DEL>"_s << u"23/"_s;
        QTest::newRow("msb full") << u"msb"_s << QString() << u"251220267"_s << u"25/12/2026"_s;
    }
    void maskedEntry()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, before);
        QFETCH(QString, keys);
        start({});
        QLineEdit *entry = box(boxName.toLatin1().constData());
        entry->setText(before);
        focus(entry);
        Type(entry, keys);
        QTEST(entry->text(), "after");
        QVERIFY(m_dialogs->messages.isEmpty());
    }

    void lastKeyBoxes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("code");
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << u"8"_s;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << u"46"_s;
        QTest::newRow("A") << int(Qt::Key_A) << u"65"_s;
        QTest::newRow("7") << int(Qt::Key_7) << u"55"_s;
        QTest::newRow("slash") << int(Qt::Key_Slash) << u"191"_s;
        QTest::newRow("F6") << int(Qt::Key_F6) << u"117"_s;
    }
    void lastKeyBoxes()
    {
        QFETCH(int, key);
        QFETCH(QString, code);
        start({});
        for (const char *name : {"ft1", "ft2"}) {
            focus(box(name));
            QTest::keyClick(box(name), Qt::Key(key));
        }
        QCOMPARE(m_window->Text7, code);
        QCOMPARE(m_window->Text8, code);
        QCOMPARE(m_window->Text9, QString()); // untouched until a key goes down in msb
    }

    void enteringEmptiesEntryBoxes()
    {
        start({});
        focus(box("ft1"));
        Type(box("ft1"), u"05122026"_s);
        focus(box("ft2"));
        QVERIFY(box("ft2")->text().isEmpty());
        Type(box("ft2"), u"1030"_s);
        QCOMPARE(box("ft1")->text(), u"05/12/2026"_s); // leaving keeps the text
        focus(box("ft1"));
        QVERIFY(box("ft1")->text().isEmpty());
        QCOMPARE(box("ft2")->text(), u"10:30"_s);
    }

    void enterInDateBoxIsDay()
    {
        start("*Weekly^28/11/2026 09:30 Dentist\r\n"_ba);
        focus(box("msb"));
        Type(box("msb"), u"12122026<ENTER>"_s);
        QCOMPARE(m_window->Text9, u"13"_s);
        QCOMPARE(agenda(), QStringList{u"09:30 Dentist"_s});
        QCOMPARE(box("msb")->text(), u"12/12/2026"_s);
        Type(box("msb"), u"<BS><BS><ENTER>"_s);
        QCOMPARE(m_dialogs->messages, QStringList{u"Incorrect date"_s});
        QCOMPARE(box("msb")->text(), u"12/12/20"_s);
    }

    void save_data()
    {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("stored");
        const QString wrong = u"Wrong date or time"_s;
        const QString incomplete = u"Incomplete data"_s;
        QTest::newRow("stored") << u"*Weekly"_s << u"05/12/2026"_s << u"10:30"_s << u"Dentist"_s
                                << QString() << "*Weekly^05/12/2026 10:30 Dentist\r\n"_ba;
        QTest::newRow("nine-character date")
            << u"*Once"_s << u"5/12/2026"_s << u"10:30"_s << u"x"_s << wrong << QByteArray();
        QTest::newRow("empty time")
            << u"*Once"_s << u"05/12/2026"_s << QString() << u"x"_s << wrong << QByteArray();
        QTest::newRow("wrong length and no content")
            << u"*Once"_s << u"5/12/2026"_s << u"10:30"_s << QString() << wrong << QByteArray();
        QTest::newRow("empty content") << u"*Weekly"_s << u"05/12/2026"_s << u"10:30"_s << QString()
                                       << incomplete << QByteArray();
        QTest::newRow("empty frequency")
            << QString() << u"05/12/2026"_s << u"10:30"_s << u"x"_s << incomplete << QByteArray();
        QTest::newRow("date placeholder")
            << u"*Once"_s << u"__/__/____"_s << u"10:30"_s << u"x"_s << incomplete << QByteArray();
        QTest::newRow("time placeholder")
            << u"*Once"_s << u"05/12/2026"_s << u"__:__"_s << u"x"_s << incomplete << QByteArray();
        QTest::newRow("start-up date text")
            << u"*Once"_s << u"00/00/0000"_s << u"10:30"_s << u"x"_s << wrong << QByteArray();
        QTest::newRow("31 February")
            << u"*Once"_s << u"31/02/2026"_s << u"10:30"_s << u"x"_s << wrong << QByteArray();
        QTest::newRow("letters in date")
            << u"*Once"_s << u"ab/cd/efgh"_s << u"10:30"_s << u"x"_s << wrong << QByteArray();
        QTest::newRow("hour 24") << u"*Once"_s << u"05/12/2026"_s << u"24:00"_s << u"x"_s << wrong
                                 << QByteArray();
        QTest::newRow("minute 60")
            << u"*Once"_s << u"05/12/2026"_s << u"10:60"_s << u"x"_s << wrong << QByteArray();
        QTest::newRow("blanks only") << u"*Once"_s << u"05/12/2026"_s << u"10:30"_s << u"   "_s
                                     << QString() << "*Once^05/12/2026 10:30\r\n"_ba;
        QTest::newRow("line breaks")
            << u"*Once"_s << u"05/12/2026"_s << u"10:30"_s << u"Dentist\nbring card\r\n"_s
            << QString() << "*Once^05/12/2026 10:30 Dentist bring card\r\n"_ba;
        QTest::newRow("own frequency") << u"*Sometimes"_s << u"05/12/2026"_s << u"10:30"_s << u"x"_s
                                       << QString() << "*Sometimes^05/12/2026 10:30 x\r\n"_ba;
        QTest::newRow("non-ASCII")
            << u"*Once"_s << u"05/12/2026"_s << u"10:30"_s << u"Zahnärztin €"_s << QString()
            << "*Once^05/12/2026 10:30 Zahn\xC3\xA4rztin \xE2\x82\xAC\r\n"_ba;
    }
    void save()
    {
        QFETCH(QString, frequency);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, content);
        QFETCH(QString, message);
        QFETCH(QByteArray, stored);
        start({});
        button("Command4")->click();
        QCOMPARE(QApplication::focusWidget(), combo("cft1"));
        combo("cft1")->setEditText(frequency);
        box("ft1")->setText(date);
        box("ft2")->setText(time);
        control<QPlainTextEdit>("ft3")->setPlainText(content);
        QTest::mouseClick(button("fcom"), Qt::LeftButton);

        QCOMPARE(m_dialogs->messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(ReadBytes(m_path), stored);
        // Frequency, date and time stay for the next appointment; the content goes once saved.
        QCOMPARE(combo("cft1")->currentText(), frequency);
        QCOMPARE(box("ft1")->text(), date);
        QCOMPARE(box("ft2")->text(), time);
        QCOMPARE(control<QPlainTextEdit>("ft3")->toPlainText(),
                 stored.isNull() ? content : QString());
    }

    void savedAppointmentIsShown()
    {
        start("*Once^05/12/2026 14:00 Lunch\r\n"_ba);
        QTest::mouseClick(button("fcom"), Qt::LeftButton); // disabled before New: nothing
        QVERIFY(m_dialogs->messages.isEmpty());
        button("Command4")->click();
        combo("cft1")->setCurrentIndex(2); // *Weekly
        box("ft1")->setText(u"28/11/2026"_s);
        box("ft2")->setText(u"10:30"_s);
        control<QPlainTextEdit>("ft3")->setPlainText(u"Dentist"_s);
        button("fcom")->click();
        button("fcom")->click(); // the content is gone now: nothing more is stored
        QCOMPARE(m_dialogs->messages, QStringList{u"Incomplete data"_s});
        QCOMPARE(agenda(), (QStringList{u"10:30 Dentist"_s, u"14:00 Lunch"_s}));
        QCOMPARE(box("Text5")->text(), u"2"_s);
        QVERIFY(button("fcom")->isEnabled());
    }

    void refreshRefusedAfterAChange()
    {
        // The date box cut short: the change is made, the refresh says so and shows the old
        // agenda, and the command still finishes.
        start("*Once^05/12/2026 14:00 Lunch\r\n"_ba);
        button("Command4")->click();
        combo("cft1")->setEditText(u"*Once"_s);
        box("ft1")->setText(u"05/12/2026"_s);
        box("ft2")->setText(u"10:30"_s);
        control<QPlainTextEdit>("ft3")->setPlainText(u"Dentist"_s);
        m_window->Text9 = u"8"_s;
        box("msb")->setText(u"05/1"_s);
        button("fcom")->click();
        QCOMPARE(m_dialogs->messages, QStringList{u"Incorrect date"_s});
        QCOMPARE(ReadBytes(m_path),
                 "*Once^05/12/2026 14:00 Lunch\r\n*Once^05/12/2026 10:30 Dentist\r\n"_ba);
        QCOMPARE(agenda(), QStringList{u"14:00 Lunch"_s});
        QCOMPARE(box("Text5")->text(), u"1"_s);

        button("Command7")->click();
        QCOMPARE(QFileInfo(m_path).size(), 0);
        QCOMPARE(m_dialogs->messages.last(), u"Incorrect date"_s);
        QCOMPARE(QApplication::focusWidget(), button("Command4"));
    }

    void splashComesFirstOnItsDays_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("splashes");
        for (int day : {5, 10, 15, 20, 25, 30})
            QTest::addRow("%d", day) << day << 1;
        for (int day : {1, 4, 11, 29, 31})
            QTest::addRow("%d", day) << day << 0;
    }
    void splashComesFirstOnItsDays()
    {
        QFETCH(int, day);
        m_windowVisibleAtSplash = true;
        start({}, QDateTime(QDate(2026, 12, day), QTime(9, 0)));
        QTEST(m_splashes, "splashes");
        if (m_splashes)
            QVERIFY(!m_windowVisibleAtSplash); // the main window waits for it
    }

    void print_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("dateBox");
        QTest::addColumn<QStringList>("lines");
        const QString indent(11, u' ');
        const QString rule = indent + QString(62, u'_');
        QTest::newRow("empty agenda")
            << QByteArray() << QString()
            << QStringList{QString(), QString(), indent + u"Appointments on: 05/12/2026"_s, rule,
                           QString()};
        QTest::newRow("two entries")
            << "*Once^05/12/2026 10:30 Dentist\r\n*Daily^01/01/2026 09:00 Meeting\r\n"_ba
            << QString()
            << QStringList{QString(),
                           QString(),
                           indent + u"Appointments on: 05/12/2026"_s,
                           rule,
                           QString(),
                           indent + u"09:00 Meeting"_s,
                           indent + u"10:30 Dentist"_s};
        QTest::newRow("date typed without Day")
            << "*Once^05/12/2026 10:30 Dentist\r\n"_ba << u"24/12/2026"_s
            << QStringList{QString(), QString(), indent + u"Appointments on: 24/12/2026"_s,
                           rule,      QString(), indent + u"10:30 Dentist"_s};
        QTest::newRow("date box empty")
            << QByteArray() << u"<empty>"_s
            << QStringList{QString(), QString(), indent + u"Appointments on: "_s, rule, QString()};
    }
    void print()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, dateBox);
        start(file);
        if (!dateBox.isEmpty()) {
            m_window->Text9 = u"8"_s;
            box("msb")->setText(dateBox == u"<empty>"_s ? QString() : dateBox);
        }
        const QStringList shown = agenda();
        QTest::mouseClick(button("Command5"), Qt::LeftButton);
        const RecordingPrinter::Record &printed = m_printers->record;
        QTEST(printed.lines, "lines");
        QCOMPARE(printed.fontSize, 14.0);
        QVERIFY(printed.bold);
        QVERIFY(printed.ended);
        QVERIFY(!printed.aborted);
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(agenda(), shown);
    }

    void printFailsQuietly_data()
    {
        QTest::addColumn<bool>("hasPrinter");
        QTest::addColumn<int>("failAtLine");
        QTest::newRow("no default printer") << false << -1;
        QTest::newRow("fails on the first line") << true << 0;
        QTest::newRow("fails half-way") << true << 4;
    }
    void printFailsQuietly()
    {
        QFETCH(bool, hasPrinter);
        QFETCH(int, failAtLine);
        start("*Once^05/12/2026 10:30 Dentist\r\n"_ba);
        m_printers->hasPrinter = hasPrinter;
        m_printers->failAtLine = failAtLine;
        button("Command5")->click();
        const RecordingPrinter::Record &printed = m_printers->record;
        QVERIFY(!printed.ended);
        QCOMPARE(printed.aborted, hasPrinter); // begun, so taken back
        QCOMPARE(printed.lines.size(), qMax(failAtLine, 0));
        QVERIFY(m_dialogs->messages.isEmpty());
        QCOMPARE(agenda(), QStringList{u"10:30 Dentist"_s});
    }

    void printedPdfReadsBack()
    {
        // The real painting path, into a PDF file instead of a printer. More entries than
        // one page holds, so the second page must go on where the first stopped.
        const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_s);
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is needed");
        QByteArray file;
        QStringList expected;
        for (int i = 0; i < 70; ++i) {
            const QString time =
                u"%1:%2"_s.arg(i / 6 + 8, 2, 10, QChar(u'0')).arg(i % 6 * 10, 2, 10, QChar(u'0'));
            file += "*Once^05/12/2026 " + time.toLatin1() + " Entry " + QByteArray::number(i) +
                    (i == 3 ? " Zoë" : "") + "\r\n";
            expected.append(time + u" Entry "_s + QString::number(i) +
                            (i == 3 ? u" Zoë"_s : QString()));
        }
        QTemporaryDir out;
        const QString pdf = out.filePath(u"agenda.pdf"_s);
        struct PdfPrinters final : platform::Printers
        {
            QString path;
            std::unique_ptr<platform::Printer> openDefault() override
            {
                auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(path);
                return std::make_unique<platform::PaintedPrinter>(std::move(printer));
            }
        } pdfPrinters;
        pdfPrinters.path = pdf;
        start(file, QDateTime(QDate(2026, 12, 5), QTime(9, 5)), &pdfPrinters);
        button("Command5")->click();

        QProcess text;
        text.start(pdftotext, {u"-layout"_s, pdf, u"-"_s});
        QVERIFY(text.waitForFinished());
        const QString output = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(output.count(u'\f') >= 2, "the agenda should take more than one page");
        QStringList lines;
        for (const QString &line : output.split(u'\n')) {
            const QString trimmed = line.trimmed().remove(u'\f');
            if (!trimmed.isEmpty())
                lines.append(trimmed);
        }
        QCOMPARE(lines.value(0), u"Appointments on: 05/12/2026"_s);
        QCOMPARE(lines.value(1), QString(62, u'_'));
        QCOMPARE(lines.mid(2), expected);
    }

    void clockTicksEveryMinute_data()
    {
        QTest::addColumn<QTime>("tick");
        QTest::addColumn<QString>("label");
        QTest::newRow("a minute later") << QTime(14, 8, 59) << u"14:08"_s;
        QTest::newRow("still that minute") << QTime(14, 9, 58) << u"14:09"_s;
        QTest::newRow("leading zero") << QTime(9, 5) << u"09:05"_s;
        QTest::newRow("after midnight") << QTime(0, 30) << u"00:30"_s;
    }
    void clockTicksEveryMinute()
    {
        QFETCH(QTime, tick);
        start({}, QDateTime(QDate(2026, 12, 6), QTime(14, 7, 59)));
        QCOMPARE(control<QLabel>("text6")->text(), u"14:07"_s);
        const auto *timer = m_window->findChild<QTimer *>(u"Timer1"_s);
        QVERIFY(timer && timer->isActive());
        QCOMPARE(timer->interval(), 60000);
        m_clock->set(QDateTime(QDate(2026, 12, 6), tick));
        m_window->Timer1_Timer();
        QTEST(control<QLabel>("text6")->text(), "label");
    }

    void reminders_data()
    {
        QTest::addColumn<QTime>("startedAt");
        QTest::addColumn<QList<QTime>>("ticks");
        QTest::addColumn<QStringList>("reminded");
        const QList<QTime> ticks{QTime(10, 29), QTime(10, 30), QTime(10, 31)};
        QTest::newRow("once, at its minute")
            << QTime(10, 28, 30) << ticks << QStringList{u"10:30 Standup"_s};
        QTest::newRow("tick 61 s late")
            << QTime(10, 28, 30) << QList<QTime>{QTime(10, 29), QTime(10, 30, 1)}
            << QStringList{u"10:30 Standup"_s};
        QTest::newRow("tick over a minute late")
            << QTime(10, 28, 30) << QList<QTime>{QTime(10, 29), QTime(10, 31, 1)}
            << QStringList{u"10:30 Standup"_s};
        QTest::newRow("passed before start-up")
            << QTime(10, 30, 10) << QList<QTime>{QTime(10, 31, 10), QTime(10, 32, 10)}
            << QStringList();
        QTest::newRow("clock set back")
            << QTime(10, 28, 30)
            << QList<QTime>{QTime(10, 30), QTime(10, 29), QTime(10, 30), QTime(10, 31)}
            << QStringList{u"10:30 Standup"_s};
        QTest::newRow("two in one window")
            << QTime(9, 0) << QList<QTime>{QTime(10, 30), QTime(12, 0), QTime(12, 15)}
            << QStringList{u"10:30 Standup"_s, u"12:00 Lunch"_s, u"12:00 Lunch"_s};
    }
    void reminders()
    {
        QFETCH(QTime, startedAt);
        QFETCH(QList<QTime>, ticks);
        const QDate today(2026, 12, 6);
        start("*Daily^01/01/2026 10:30 Standup\r\n*Once^06/12/2026 12:00 Lunch\r\n"
              "*Once^06/12/2026 12:00 Lunch\r\n*Once^07/12/2026 10:30 Tomorrow\r\n"_ba,
              QDateTime(today, startedAt));
        // Another date shown, and the user typing: neither matters to the reminder.
        m_window->Text9 = u"8"_s;
        box("msb")->setText(u"24/12/2026"_s);
        button("Command1")->click();
        focus(control<QPlainTextEdit>("ft3"));
        for (const QTime &tick : ticks) {
            m_clock->set(QDateTime(today, tick));
            m_window->Timer1_Timer();
        }
        QList<ReminderWindow *> windows;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *reminder = qobject_cast<ReminderWindow *>(widget);
                reminder && reminder->isVisible())
                windows.append(reminder);
        }
        QFETCH(QStringList, reminded);
        QCOMPARE(windows.size(), reminded.isEmpty() ? 0 : 1);
        if (!windows.isEmpty()) {
            QCOMPARE(windows.first()->appointments(), reminded);
            QCOMPARE(windows.first()->windowTitle(), u"Zentavo"_s);
        }
        QCOMPARE(QApplication::focusWidget(), control<QWidget>("ft3"));
        Type(control<QWidget>("ft3"), u"still typing"_s);
        QCOMPARE(control<QPlainTextEdit>("ft3")->toPlainText(), u"still typing"_s);
    }

    void saveFailureKeepsWhatWasTyped()
    {
        start({});
        QVERIFY(QDir(m_dir->path()).mkdir(book::DataFileName.toString())); // cannot be written
        button("Command4")->click();
        combo("cft1")->setEditText(u"*Once"_s);
        box("ft1")->setText(u"05/12/2026"_s);
        box("ft2")->setText(u"10:30"_s);
        control<QPlainTextEdit>("ft3")->setPlainText(u"Dentist"_s);
        button("fcom")->click();
        QCOMPARE(m_dialogs->messages, QStringList{u"The appointment could not be saved."_s});
        QCOMPARE(control<QPlainTextEdit>("ft3")->toPlainText(), u"Dentist"_s);
        QCOMPARE(box("ft1")->text(), u"05/12/2026"_s);
    }

    void deleteChosen_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("same text on another date stays")
            << "*Once^05/12/2026 10:30 Dentist\r\n*Once^06/12/2026 10:30 Dentist\r\n"
               "*Daily^01/01/2026 07:00 Run\r\n"_ba
            << 1 << "\r\n*Once^06/12/2026 10:30 Dentist\r\n*Daily^01/01/2026 07:00 Run\r\n"_ba;
        QTest::newRow("longer content stays")
            << "*Once^05/12/2026 11:00 Dentist appointment\r\n*Once^05/12/2026 11:00 Dentist\r\n"_ba
            << 0 << "\r\n*Once^05/12/2026 11:00 Dentist appointment\r\n"_ba;
        QTest::newRow("caret in content") << "*Once^05/12/2026 10:30 a^b\r\n"_ba << 0 << "\r\n"_ba;
        QTest::newRow("saved twice: one goes")
            << "*Once^05/12/2026 10:30 x\r\n*Once^05/12/2026 10:30 x\r\n"_ba << 1
            << "\r\n*Once^05/12/2026 10:30 x\r\n"_ba;
        QTest::newRow("same text, other frequency: the chosen one")
            << "*Weekly^28/11/2026 10:30 x\r\n*Once^05/12/2026 10:30 x\r\n"_ba << 1
            << "\r\n*Weekly^28/11/2026 10:30 x\r\n"_ba;
        QTest::newRow("bad lines are kept")
            << "no caret\r\n*Daily^31/02/2026 08:00 bad\r\n*Once^05/12/2026 10:30 x\r\n"_ba << 0
            << "\r\nno caret\r\n*Daily^31/02/2026 08:00 bad\r\n"_ba;
    }
    void deleteChosen()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, chosen);
        start(file);
        combo("Combo3")->setCurrentIndex(chosen);
        button("Command3")->click();
        QVERIFY(m_dialogs->messages.isEmpty());
        QTEST(ReadBytes(m_path), "after");
        QCOMPARE(box("Text5")->text(), QString::number(agenda().size()));
    }

    void deleteKeepsLinesAddedSinceTheLastBuild()
    {
        start("*Once^05/12/2026 10:30 Dentist\r\n"_ba);
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("*Once^24/12/2026 18:00 Added by hand\r\n");
        file.close();
        button("Command3")->click();
        QCOMPARE(ReadBytes(m_path), "\r\n*Once^24/12/2026 18:00 Added by hand\r\n"_ba);
    }

    void deleteNeedsAChoice_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty agenda") << QString();
        QTest::newRow("text that is no entry") << u"10:30"_s;
    }
    void deleteNeedsAChoice()
    {
        QFETCH(QString, typed);
        const QByteArray file =
            "*Once^06/12/2026 10:30 Dentist\r\n*Once^05/12/2026 10:30 Dentist\r\n"_ba;
        start(file);
        if (typed.isEmpty()) {
            box("msb")->setText(u"07/12/2026"_s); // a day without appointments
            button("Command1")->click();
        } else {
            combo("Combo3")->setEditText(typed);
        }
        button("Command3")->click();
        QCOMPARE(m_dialogs->messages, QStringList{u"Choose an appointment"_s});
        QCOMPARE(ReadBytes(m_path), file);
    }

    void deleteAll_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("yes") << true << true;
        QTest::newRow("no") << false << true;
        QTest::newRow("yes, no file yet") << true << false;
    }
    void deleteAll()
    {
        QFETCH(bool, yes);
        QFETCH(bool, fileExists);
        const QByteArray content = "*Daily^01/01/2026 07:00 Run\r\n"_ba;
        start(fileExists ? content : QByteArray());
        button("Command4")->click();
        combo("cft1")->setCurrentIndex(0);
        box("ft1")->setText(u"05/12/2026"_s);
        box("ft2")->setText(u"10:30"_s);
        control<QPlainTextEdit>("ft3")->setPlainText(u"typed"_s);
        focus(button("Command1"));
        m_dialogs->answerYes = yes;
        button("Command7")->click();

        QCOMPARE(m_dialogs->messages, QStringList{u"All records will be deleted?"_s});
        if (!yes) {
            QCOMPARE(ReadBytes(m_path), content);
            QCOMPARE(agenda(), QStringList{u"07:00 Run"_s});
            QCOMPARE(box("ft1")->text(), u"05/12/2026"_s);
            return;
        }
        QVERIFY(QFile::exists(m_path));
        QCOMPARE(QFileInfo(m_path).size(), 0);
        QVERIFY(agenda().isEmpty());
        QCOMPARE(box("Text5")->text(), u"0"_s);
        for (const char *name : {"ft1", "ft2"})
            QVERIFY(box(name)->text().isEmpty());
        QVERIFY(combo("cft1")->currentText().isEmpty());
        QVERIFY(control<QPlainTextEdit>("ft3")->toPlainText().isEmpty());
        QCOMPARE(QApplication::focusWidget(), button("Command4"));
        QVERIFY(button("fcom")->isEnabled());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
