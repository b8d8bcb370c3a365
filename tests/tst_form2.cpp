#include "splash/form2.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestForm2 : public QObject
{
    Q_OBJECT

private slots:
    void isThePicture()
    {
        Form2 splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QCOMPARE(splash.size(), QSize(685, 361));
        QVERIFY(splash.isModal());
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        const auto *image = splash.findChild<QLabel *>(u"Image1"_s);
        QCOMPARE(image->geometry(), QRect(0, 0, 685, 361));
        const QImage picture = image->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(685, 361));
        QVERIFY(picture.pixelColor(10, 10) != picture.pixelColor(200, 200)); // no flat colour

        const auto *close = splash.findChild<QPushButton *>(u"Command1"_s);
        QCOMPARE(close->text(), u"X"_s);
        QCOMPARE(close->geometry(), QRect(8, 8, 21, 21));
        QVERIFY(close->isVisible());
        const auto *hidden = splash.findChild<QPushButton *>(u"Command2"_s);
        QVERIFY(hidden->text().isEmpty());
        QVERIFY(hidden->y() >= splash.height()); // out of sight
    }

    void keyboardClosesOnlyThroughX_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("open");
        QTest::newRow("Enter at once") << u"enter"_s << true;
        QTest::newRow("Space at once") << u"space"_s << true;
        QTest::newRow("Escape") << u"escape"_s << true;
        QTest::newRow("Tab, then Space") << u"tab space"_s << false;
        QTest::newRow("Tab, then Enter") << u"tab enter"_s << false;
    }
    void keyboardClosesOnlyThroughX()
    {
        QFETCH(QString, keys);
        Form2 splash;
        splash.show();
        QApplication::setActiveWindow(&splash);
        QVERIFY(QTest::qWaitForWindowActive(&splash));
        QCOMPARE(QApplication::focusWidget()->objectName(), u"Command2"_s);
        const QHash<QString, Qt::Key> named{{u"enter"_s, Qt::Key_Return},
                                            {u"space"_s, Qt::Key_Space},
                                            {u"escape"_s, Qt::Key_Escape},
                                            {u"tab"_s, Qt::Key_Tab}};
        for (const QString &key : keys.split(u' '))
            QTest::keyClick(QApplication::focusWidget(), named.value(key));
        QTEST(splash.isVisible(), "open");
    }

    void xCloses()
    {
        Form2 splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QTest::mouseClick(splash.findChild<QPushButton *>(u"Command1"_s), Qt::LeftButton);
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.result(), int(QDialog::Accepted));
    }

    void splashDays_data()
    {
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("splash");
        for (int day = 1; day <= 31; ++day)
            QTest::addRow("%d", day)
                << day
                << (day == 5 || day == 10 || day == 15 || day == 20 || day == 25 || day == 30);
    }
    void splashDays()
    {
        QFETCH(int, day);
        QTEST(Form2::IsSplashDay(day), "splash");
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
