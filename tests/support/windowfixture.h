#pragma once

// The main window as start-up leaves it, on a data file of the test's own, with a fixed clock,
// answered message boxes and a recording printer; and the helpers that work it.

#include "book/appointmentfile.h"
#include "support/fakes.h"
#include "window/form1.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Types keys into a widget. Plain characters are typed as they are; <BS>, <DEL>, <ENTER>,
// <HOME>, <END>, <LEFT> and <SELECTALL> press those keys.
inline void Type(QWidget *widget, const QString &keys)
{
    static const QMap<QString, std::pair<Qt::Key, Qt::KeyboardModifiers>> named = {
        {u"BS"_s, {Qt::Key_Backspace, Qt::NoModifier}},
        {u"DEL"_s, {Qt::Key_Delete, Qt::NoModifier}},
        {u"ENTER"_s, {Qt::Key_Return, Qt::NoModifier}},
        {u"HOME"_s, {Qt::Key_Home, Qt::NoModifier}},
        {u"END"_s, {Qt::Key_End, Qt::NoModifier}},
        {u"LEFT"_s, {Qt::Key_Left, Qt::NoModifier}},
        {u"SELECTALL"_s, {Qt::Key_A, Qt::ControlModifier}},
    };
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys.at(i) == u'<') {
            const qsizetype end = keys.indexOf(u'>', i);
            const auto [key, modifiers] = named.value(keys.mid(i + 1, end - i - 1));
            QTest::keyClick(widget, key, modifiers);
            i = end;
        } else {
            QTest::keyClick(widget, keys.at(i).toLatin1());
        }
    }
}

class WindowFixture
{
protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<RecordingPrinters> m_printers;
    std::unique_ptr<form1> m_window;
    int m_splashes = 0;
    bool m_windowVisibleAtSplash = false;

    template<typename T = QWidget>
    T *control(const char *name)
    {
        return m_window->findChild<T *>(QLatin1StringView(name));
    }
    QLineEdit *box(const char *name) { return control<QLineEdit>(name); }
    QComboBox *combo(const char *name) { return control<QComboBox>(name); }
    QPushButton *button(const char *name) { return control<QPushButton>(name); }
    QStringList agenda()
    {
        QStringList entries;
        for (int i = 0; i < combo("Combo3")->count(); ++i)
            entries.append(combo("Combo3")->itemText(i));
        return entries;
    }

    // The window as start-up leaves it, on the given file content and clock.
    void start(const QByteArray &file,
               const QDateTime &now = QDateTime(QDate(2026, 12, 5), QTime(9, 5)),
               platform::Printers *printers = nullptr)
    {
        m_window.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(book::DataFileName.toString());
        if (!file.isNull())
            WriteBytes(m_path, file);
        m_clock = std::make_unique<FakeClock>(now);
        m_dialogs = std::make_unique<FakeDialogs>();
        m_printers = std::make_unique<RecordingPrinters>();
        m_splashes = 0;
        const auto splash = [this] {
            ++m_splashes;
            m_windowVisibleAtSplash = m_window && m_window->isVisible();
        };
        m_window = std::make_unique<form1>(form1::Services{m_path, m_clock.get(), m_dialogs.get(),
                                                           printers ? printers : m_printers.get(),
                                                           splash});
        m_window->Form_Load();
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    void focus(QWidget *widget)
    {
        widget->setFocus(Qt::TabFocusReason);
        QCOMPARE(QApplication::focusWidget(), widget);
    }
};
