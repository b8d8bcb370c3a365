// The window with a large agenda: Day (rebuild and show) and start-up to the window shown,
// with a data file of 32,767 lines that all fall on the date shown; and F6's week window on a
// generated book of 100,000 lines. Runs offscreen.
#include "bookgen.h"
#include "support/fakes.h"
#include "window/form1.h"
#include "window/week.h"

#include <QApplication>
#include <QFile>
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

void BM_Day(benchmark::State &state)
{
    form1 window({DataFile(), &g_clock, &g_dialogs, &g_printers, {}});
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::abort();
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
        window.Form_Load();
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::abort();
        state.PauseTiming(); // closing is not part of start-up
        window.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToWindowShown)->Unit(benchmark::kMillisecond);

// From F6 to the week window shown and filled.
void BM_WeekWindow(benchmark::State &state)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"ganctl.ngb"_s);
    QFile out(path);
    const QByteArray content = GenerateBook(100000);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
        std::abort();
    out.close();
    form1 window({path, &g_clock, &g_dialogs, &g_printers, {}});
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::abort();
    auto *day = window.findChild<QPushButton *>(u"Command1"_s);
    qsizetype shown = 0;
    for (auto _ : state) {
        day->setFocus();
        QTest::keyClick(day, Qt::Key_F6);
        auto *week = window.findChild<WeekWindow *>();
        if (!week || !QTest::qWaitForWindowExposed(week))
            std::abort();
        state.PauseTiming();
        shown = week->findChildren<QObject *>().size();
        week->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(shown);
}
BENCHMARK(BM_WeekWindow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
