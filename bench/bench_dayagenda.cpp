// Building a day agenda from files of 1,000 to 100,000 lines: the whole computing half, from
// reading the file to the sorted display lines, and its parts; and Save's write on them.
#include "bookgen.h"

#include "book/appointmentfile.h"
#include "book/dayagenda.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

const QDate AgendaDate(2026, 12, 5);

// One generated file per size, kept for the whole run.
const QString &BookFile(int lines)
{
    static QTemporaryDir dir;
    static std::map<int, QString> files;
    auto found = files.find(lines);
    if (found != files.end())
        return found->second;
    const QString path = dir.filePath(QString::number(lines) + QStringLiteral(".ngb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(GenerateBook(lines)) < 0)
        std::abort();
    return files.emplace(lines, path).first->second;
}

// Small blocks and the large ones that malloc maps from the system.
size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_BuildDayAgenda(benchmark::State &state)
{
    const QString &path = BookFile(int(state.range(0)));
    const double fileBytes = double(QFile(path).size());
    qsizetype count = 0;
    for (auto _ : state) {
        book::DayAgenda agenda = book::BuildDayAgenda(path, AgendaDate);
        count = agenda.count;
        benchmark::DoNotOptimize(agenda);
    }

    // Memory that an agenda holds once built, against the size of the file: all of it, and
    // what it needs beyond the all-lines list.
    const size_t before = HeapInUse();
    auto lines = book::LoadAppointmentLines(path);
    const size_t withLines = HeapInUse();
    const book::DayAgenda agenda = book::BuildDayAgenda(std::move(*lines), AgendaDate);
    const size_t withAgenda = HeapInUse();
    state.counters["shown"] = double(count);
    state.counters["heap/file"] = double(withAgenda - before) / fileBytes;
    state.counters["lines/file"] = double(withLines - before) / fileBytes;
    state.counters["beyond/file"] = double(withAgenda - withLines) / fileBytes;
    state.counters["lines/s"] = benchmark::Counter(double(state.range(0)) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
}

void BM_LoadAppointmentLines(benchmark::State &state)
{
    const QString &path = BookFile(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(book::LoadAppointmentLines(path));
}

void BM_MatchAndSort(benchmark::State &state)
{
    const book::AppointmentLines lines = *book::LoadAppointmentLines(BookFile(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(book::BuildDayAgenda(lines, AgendaDate));
}

// The seven agendas of the week window from one read.
void BM_WeekAgendas(benchmark::State &state)
{
    const QString &path = BookFile(int(state.range(0)));
    for (auto _ : state) {
        const auto lines = book::LoadAppointmentLines(path);
        benchmark::DoNotOptimize(book::BuildDayAgendas(*lines, AgendaDate, 7));
    }
}

// Save's write: one line added to the book, lock and flush to disk included. Its cost must not
// grow with the book.
void BM_AppendLine(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ganctl.ngb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(GenerateBook(int(state.range(0)))) < 0)
        std::abort();
    file.close();
    for (auto _ : state) {
        if (book::AppendAppointmentLine(path, u"*Once^05/12/2026 10:30 Dentist") !=
            book::WriteStatus::Written)
            std::abort();
    }
}

void Sizes(benchmark::internal::Benchmark *b)
{
    for (int lines : {1000, 10000, 32767, 100000})
        b->Arg(lines);
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_BuildDayAgenda)->Apply(Sizes);
BENCHMARK(BM_LoadAppointmentLines)->Apply(Sizes);
BENCHMARK(BM_MatchAndSort)->Apply(Sizes);
BENCHMARK(BM_WeekAgendas)->Apply(Sizes);
BENCHMARK(BM_AppendLine)->Apply(Sizes)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
