// The window with a large agenda: Day (rebuild and show) and start-up to the window shown,
// with a data file of 32,767 lines that all fall on the date shown. Runs offscreen.
#include "support/fakes.h"
#include "window/form1.h"

#include <QApplication>
#include <QFile>
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
