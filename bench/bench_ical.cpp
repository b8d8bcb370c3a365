// The exchange with other calendars on a book of 100,000 lines: its export as an iCalendar
// file, and the import of that file's 100,000 events into an empty book, from reading the
// file to the one write of the book.
#include "bookgen.h"

#include "book/appointmentfile.h"
#include "book/newlines.h"
#include "ical/calendarexport.h"
#include "ical/calendarimport.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const book::AppointmentLines &Book(int lines)
{
    static std::map<int, book::AppointmentLines> books;
    auto found = books.find(lines);
    if (found == books.end())
        found = books.emplace(lines, book::AppointmentLines(GenerateBook(lines))).first;
    return found->second;
}

void BM_Export(benchmark::State &state)
{
    const book::AppointmentLines &lines = Book(int(state.range(0)));
    const QDateTime stamp = QDateTime::currentDateTimeUtc();
    qsizetype events = 0;
    for (auto _ : state) {
        const ical::CalendarExport exported = ical::ExportCalendar(lines, stamp);
        events = exported.events;
        benchmark::DoNotOptimize(exported.calendar.constData());
    }
    state.counters["events"] = double(events);
}
BENCHMARK(BM_Export)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Import(benchmark::State &state)
{
    const QByteArray calendar =
        ical::ExportCalendar(Book(int(state.range(0))), QDateTime::currentDateTimeUtc()).calendar;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("export.ics"));
    const QString path = folder.filePath(QStringLiteral("ganctl.ngb"));
    QFile ics(file);
    if (!ics.open(QIODevice::WriteOnly) || ics.write(calendar) != calendar.size())
        std::abort();
    ics.close();
    qsizetype added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        const ical::CalendarImport read = ical::ReadCalendarFile(file, QDate(2026, 12, 7));
        added = book::AddNewLines(path, {read.lines}).added.size();
    }
    state.counters["added"] = double(added);
}
BENCHMARK(BM_Import)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
