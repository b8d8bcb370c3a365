// A sync of a book of 5,000 lines with a local Radicale, and with a local Xandikos: the first
// sync, which puts every line on the server; a sync with nothing changed; and a sync after one
// line was added or removed. Each reports its requests: the cost of a pass grows with what
// changed, not with the book. Radicale looks through the whole calendar for a clash of UIDs
// at every new event, so its first sync takes time that grows with the square of the book.
#include "bookgen.h"

#include "book/appointmentfile.h"
#include "support/davserver.h"
#include "sync/syncpass.h"
#include "sync/syncsetup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <map>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

constexpr int Lines = 5000;

// One pass on the book, and the requests it sent.
int Sync(QNetworkAccessManager &network, const QString &book)
{
    caldav::SyncPass pass(&network, book, {});
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&pass, &caldav::SyncPass::finished, &loop,
                     [&](const caldav::SyncReport &report) {
                         ok = report.ok();
                         loop.quit();
                     });
    pass.start();
    loop.exec();
    return ok ? pass.requestCount() : -1;
}

// A server, and a book that syncs with a calendar of its own on it.
struct Setup
{
    explicit Setup(DavServer::Kind kind)
        : server(kind)
    {
    }

    DavServer server;
    QTemporaryDir folder;
    QString book = folder.filePath(QStringLiteral("ganctl.ngb"));
    QNetworkAccessManager network;

    bool start()
    {
        if (!server.start())
            return false;
        if (book::WriteAppointmentFile(book, GenerateBook(Lines)) != book::WriteStatus::Written)
            return false;
        QEventLoop loop;
        bool ok = false;
        caldav::SetUpSync(&network, book, {server.calendarUrl(), server.user(), {}}, false,
                          [&](caldav::SetupReport report) {
                              ok = report.result.ok();
                              loop.quit();
                          });
        loop.exec();
        return ok;
    }
};

// The books synced with a server of each kind, kept from their first sync for the benchmarks
// after it: a first sync of 5,000 events takes minutes.
std::map<DavServer::Kind, std::unique_ptr<Setup>> &Setups()
{
    static std::map<DavServer::Kind, std::unique_ptr<Setup>> setups;
    return setups;
}

void BM_FirstSync(benchmark::State &state, DavServer::Kind kind)
{
    int requests = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto setup = std::make_unique<Setup>(kind);
        if (!setup->start())
            return state.SkipWithError("no server");
        state.ResumeTiming();
        requests = Sync(setup->network, setup->book);
        if (requests < 0)
            return state.SkipWithError("the sync failed");
        Setups()[kind] = std::move(setup);
    }
    state.counters["requests"] = requests;
}
BENCHMARK_CAPTURE(BM_FirstSync, radicale, DavServer::Kind::Radicale)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_FirstSync, xandikos, DavServer::Kind::Xandikos)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// A book synced with a server of the kind: the first sync's, or one of its own when that did
// not run.
Setup &Synced(DavServer::Kind kind)
{
    std::unique_ptr<Setup> &setup = Setups()[kind];
    if (!setup) {
        setup = std::make_unique<Setup>(kind);
        if (!setup->start() || Sync(setup->network, setup->book) < 0)
            setup->book.clear();
    }
    return *setup;
}

void BM_NothingChanged(benchmark::State &state, DavServer::Kind kind)
{
    Setup &setup = Synced(kind);
    if (setup.book.isEmpty())
        return state.SkipWithError("no synced book");
    int requests = 0;
    for (auto _ : state) {
        requests = Sync(setup.network, setup.book);
        if (requests < 0)
            return state.SkipWithError("the sync failed");
    }
    state.counters["requests"] = requests;
}
BENCHMARK_CAPTURE(BM_NothingChanged, radicale, DavServer::Kind::Radicale)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NothingChanged, xandikos, DavServer::Kind::Xandikos)
    ->Unit(benchmark::kMillisecond);

// Each round adds a line, or removes the one added before.
void BM_OneLineChanged(benchmark::State &state, DavServer::Kind kind)
{
    Setup &setup = Synced(kind);
    if (setup.book.isEmpty())
        return state.SkipWithError("no synced book");
    int requests = 0;
    int round = 0;
    const QString line = QStringLiteral("*Once^24/12/2026 10:00 One more");
    for (auto _ : state) {
        state.PauseTiming();
        const bool add = round++ % 2 == 0;
        const book::WriteStatus written =
            add ? book::AppendAppointmentLine(setup.book, line)
                : book::ChangeAppointmentFile(setup.book, [&](const QByteArray &now) {
                      QByteArray content = now;
                      content.replace(line.toUtf8() + "\r\n", "");
                      return book::BookChange{book::BookChange::Kind::Replace, content};
                  });
        if (written != book::WriteStatus::Written)
            return state.SkipWithError("the book cannot be written");
        state.ResumeTiming();
        requests = qMax(requests, Sync(setup.network, setup.book));
        if (requests < 0)
            return state.SkipWithError("the sync failed");
    }
    state.counters["most requests"] = requests;
}
BENCHMARK_CAPTURE(BM_OneLineChanged, radicale, DavServer::Kind::Radicale)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(BM_OneLineChanged, xandikos, DavServer::Kind::Xandikos)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
