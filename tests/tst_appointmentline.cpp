#include "book/appointmentline.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestAppointmentLine : public QObject
{
    Q_OBJECT

private slots:
    void composesOneTrimmedLine_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("line");
        QTest::newRow("weekly dentist") << u"*Weekly"_s << u"05/12/2026"_s << u"10:30"_s
                                        << u"Dentist"_s << u"*Weekly^05/12/2026 10:30 Dentist"_s;
        QTest::newRow("trailing blanks dropped")
            << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s << u"Call Ann   "_s
            << u"*Once^05/12/2026 09:00 Call Ann"_s;
        QTest::newRow("leading blank of tag dropped")
            << u" *Once"_s << u"05/12/2026"_s << u"09:00"_s << u"x"_s
            << u"*Once^05/12/2026 09:00 x"_s;
        QTest::newRow("tabs are not blanks") << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s
                                             << u"x\t"_s << u"*Once^05/12/2026 09:00 x\t"_s;
        QTest::newRow("caret and tag in content kept")
            << u"*Daily"_s << u"01/01/2026"_s << u"08:00"_s << u"a^b *Once c"_s
            << u"*Daily^01/01/2026 08:00 a^b *Once c"_s;
        QTest::newRow("CR LF becomes one blank")
            << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s << u"first\r\nsecond"_s
            << u"*Once^05/12/2026 09:00 first second"_s;
        QTest::newRow("lone LF and lone CR") << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s
                                             << u"a\nb\rc"_s << u"*Once^05/12/2026 09:00 a b c"_s;
        QTest::newRow("run of breaks is one blank")
            << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s << u"a\n\n\r\nb"_s
            << u"*Once^05/12/2026 09:00 a b"_s;
        QTest::newRow("break at the end trimmed") << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s
                                                  << u"a\r\n"_s << u"*Once^05/12/2026 09:00 a"_s;
        QTest::newRow("breaks in other fields") << u"*On\nce"_s << u"05/12\r2026"_s << u"09\n00"_s
                                                << u"x"_s << u"*On ce^05/12 2026 09 00 x"_s;
        QTest::newRow("non-ASCII")
            << u"*Once"_s << u"05/12/2026"_s << u"09:00"_s << u"Zahnärztin – 20 €"_s
            << u"*Once^05/12/2026 09:00 Zahnärztin – 20 €"_s;
    }
    void composesOneTrimmedLine()
    {
        QFETCH(QString, tag);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, content);
        QFETCH(QString, line);
        QCOMPARE(book::ComposeAppointmentLine(tag, date, time, content), line);
    }

    void extractsFieldsAtFirstCaret_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("dateText");
        QTest::newRow("ordinary") << u"*Weekly^05/12/2026 10:30 Dentist"_s << u"*Weekly"_s
                                  << u"05/12/2026"_s;
        QTest::newRow("caret in content")
            << u"*Once^05/12/2026 10:30 a^b^c"_s << u"*Once"_s << u"05/12/2026"_s;
        QTest::newRow("short date field") << u"*Daily^05/12"_s << u"*Daily"_s << u"05/12"_s;
        QTest::newRow("nothing after caret") << u"*Daily^"_s << u"*Daily"_s << QString();
        QTest::newRow("caret first") << u"^05/12/2026 x"_s << QString() << u"05/12/2026"_s;
        QTest::newRow("no caret") << u"*Daily 05/12/2026 x"_s << QString() << QString();
        QTest::newRow("blanks in tag kept")
            << u" *Once ^05/12/2026"_s << u" *Once "_s << u"05/12/2026"_s;
    }
    void extractsFieldsAtFirstCaret()
    {
        QFETCH(QString, line);
        QFETCH(QString, tag);
        QFETCH(QString, dateText);
        QCOMPARE(book::TagOf(line).toString(), tag);
        QCOMPARE(book::DateTextOf(line).toString(), dateText);
    }

    void decodesUtf8OrWindows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII") << "*Once^05/12/2026 10:30 Dentist"_ba
                               << u"*Once^05/12/2026 10:30 Dentist"_s;
        QTest::newRow("UTF-8") << "*Once^05/12/2026 10:30 Zahnärztin €"_ba
                               << u"*Once^05/12/2026 10:30 Zahnärztin €"_s;
        QTest::newRow("UTF-8 outside the BMP") << "x \xF0\x9F\x98\x80"_ba << u"x \U0001F600"_s;
        QTest::newRow("byte-order mark inside a line") << "a\xEF\xBB\xBF"
                                                          "b"_ba
                                                       << u"a\uFEFFb"_s;
        QTest::newRow("Windows-1252")
            << "Zahn\xE4rztin \x80 \x93quoted\x94"_ba << u"Zahnärztin € “quoted”"_s;
        QTest::newRow("undefined Windows-1252 bytes")
            << "\x81\x8D\x8F\x90\x9D"_ba << u"\u0081\u008D\u008F\u0090\u009D"_s;
        QTest::newRow("UTF-8 cut short") << "ab\xC3"_ba << u"abÃ"_s;
        QTest::newRow("overlong encoding") << "\xC0\xAF"_ba << u"À¯"_s;
        QTest::newRow("byte-order mark starting a line") << "\xEF\xBB\xBFx"_ba << u"\uFEFFx"_s;
        QTest::newRow("NUL byte") << QByteArray("a\0b", 3) << QStringView(u"a\0b", 3).toString();
    }
    void decodesUtf8OrWindows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(book::AppointmentLine(bytes).text(), text);
    }

    void composedLineIsStoredAsUtf8()
    {
        const auto line = book::AppointmentLine::fromText(u"*Once^05/12/2026 10:30 Café");
        QCOMPARE(line.bytes().toByteArray(), "*Once^05/12/2026 10:30 Caf\xC3\xA9"_ba);
    }
};

QTEST_GUILESS_MAIN(TestAppointmentLine)
#include "tst_appointmentline.moc"
