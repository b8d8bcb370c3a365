// The window with a large agenda: Day (rebuild and show) and start-up to the window shown,
// with a data file of 32,767 lines that all fall on the date shown; Save, Del. and F6's week
// window on a generated file of 100,000 lines, Save and Del. each with its flush to disk and the
// rebuild that follows. Runs offscreen.
#include "bookgen.h"
#include "platform/memory.h"
#include "support/fakes.h"
#include "window/form1.h"
#include "window/week.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// 32,767 daily appointments at every minute of the day, in no particular order.
const QString &DataFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(u"ganctl.ngb"_s);
        QByteArray content;
        for (int i = 0; i < 32767; ++i) {
            const int minute = (i * 7919) % 1440;
            content += QString::asprintf("*Daily^01/01/2026 %02d:%02d Appointment number %d\r\n",
                                         minute / 60, minute % 60, i)
                           .toUtf8();
        }
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            std::abort();
        return file;
    }();
    return path;
}

// A fixed clock, message boxes answered at once, and no printer, as the window tests have them.
const FakeClock g_clock = [] {
    FakeClock clock;
    clock.at = QDateTime(QDate(2026, 12, 5), QTime(9, 0));
    return clock;
}();
FakeDialogs g_dialogs;
RecordingPrinters g_printers;

// Loads the window and waits until it is shown.
void Show(form1 &window)
{
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::abort();
}

void BM_Day(benchmark::State &state)
{
    form1 window({DataFile(), &g_clock, &g_dialogs, &g_printers, {}});
    Show(window);
    for (auto _ : state) {
        window.Command1_Click();
        QCoreApplication::processEvents(); // let the window repaint what changed
    }
}
BENCHMARK(BM_Day)->Unit(benchmark::kMillisecond);

void BM_StartUpToWindowShown(benchmark::State &state)
{
    for (auto _ : state) {
        form1 window({DataFile(), &g_clock, &g_dialogs, &g_printers, {}});
        Show(window);
        state.PauseTiming(); // closing is not part of start-up
        window.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToWindowShown)->Unit(benchmark::kMillisecond);

// A fresh copy of the generated book for each benchmark, so that none sees another's changes.
QString LargeBook()
{
    static QTemporaryDir dir;
    static const QByteArray content = GenerateBook(100000);
    const QString file = dir.filePath(u"ganctl.ngb"_s);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(content) != content.size())
        std::abort();
    return file;
}

template<typename Control>
Control *ControlOf(const form1 &window, const char *name)
{
    auto *control = window.findChild<Control *>(QLatin1StringView(name));
    if (!control)
        std::abort();
    return control;
}

void BM_Save(benchmark::State &state)
{
    const QString file = LargeBook();
    form1 window({file, &g_clock, &g_dialogs, &g_printers, {}});
    window.Form_Load();
    for (auto _ : state) {
        state.PauseTiming(); // what the user types
        window.Command4_Click();
        ControlOf<QComboBox>(window, "cft1")->setEditText(u"*Once"_s);
        ControlOf<QLineEdit>(window, "ft1")->setText(u"05/12/2026"_s);
        ControlOf<QLineEdit>(window, "ft2")->setText(u"10:30"_s);
        ControlOf<QPlainTextEdit>(window, "ft3")->setPlainText(u"Dentist"_s);
        const qint64 before = QFileInfo(file).size();
        state.ResumeTiming();
        window.fcom_Click();
        if (QFileInfo(file).size() <= before)
            std::abort();
    }
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_Delete(benchmark::State &state)
{
    const QString file = LargeBook();
    form1 window({file, &g_clock, &g_dialogs, &g_printers, {}});
    window.Form_Load();
    for (auto _ : state) {
        const qint64 before = QFileInfo(file).size();
        window.Command3_Click(); // the first entry of the agenda, selected after every build
        if (QFileInfo(file).size() >= before)
            std::abort();
    }
}
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond);

// From F6 to the week window shown and filled.
void BM_WeekWindow(benchmark::State &state)
{
    form1 window({LargeBook(), &g_clock, &g_dialogs, &g_printers, {}});
    Show(window);
    auto *day = ControlOf<QPushButton>(window, "Command1");
    for (auto _ : state) {
        day->setFocus();
        QTest::keyClick(day, Qt::Key_F6);
        auto *week = window.findChild<WeekWindow *>();
        if (!week || !QTest::qWaitForWindowExposed(week))
            std::abort();
        state.PauseTiming();
        if (week->findChild<QListView *>()->model()->rowCount() < 7)
            std::abort();
        week->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WeekWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    platform::KeepLargeBlocks(); // as the program does at start
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
