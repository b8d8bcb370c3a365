// The sync of books with a calendar on real CalDAV servers (Radicale and Xandikos, started on
// loopback for each case), and with a client that no one here wrote (python3-caldav): books
// converge, changes and removals follow, series lose one occurrence at a time, both versions of
// an item changed on both sides stay, nothing is doubled after a pass is killed or its server
// stops, and a pass that would empty a side asks first.
#include "book/appointmentfile.h"
#include "support/davserver.h"
#include "sync/syncpass.h"
#include "sync/syncsetup.h"
#include "sync/syncstate.h"

#include <QDir>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString Line(QDate date, const QString &time, const QString &text)
{
    return u"*Once^%1 %2 %3"_s.arg(date.toString(u"dd/MM/yyyy"_s), time, text);
}

// A book of its own, as a device has one.
class Device
{
public:
    Device()
        : m_path(m_dir.filePath(u"ganctl.ngb"_s))
    {
    }
    const QString &path() const { return m_path; }

    // The lines in UTF-8, then `older` as it is (in Windows-1252, say).
    void write(const QStringList &lines, const QByteArray &older = {}) const
    {
        QByteArray content = "\r\n";
        for (const QString &line : lines)
            content += line.toUtf8() + "\r\n";
        if (!older.isEmpty())
            content += older + "\r\n";
        QVERIFY(book::WriteAppointmentFile(m_path, content) == book::WriteStatus::Written);
    }
    void add(const QString &line) const
    {
        QVERIFY(book::AppendAppointmentLine(m_path, line) == book::WriteStatus::Written);
    }
    void remove(const QString &line) const
    {
        book::AppointmentLines lines = *book::LoadAppointmentLines(m_path);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.at(i).text() == line) {
                lines.removeAt(i);
                QVERIFY(book::RewriteAppointmentFile(m_path, lines) == book::WriteStatus::Written);
                return;
            }
        }
        QFAIL(qPrintable(u"no line "_s + line));
    }
    // The book's lines, sorted.
    QStringList lines() const
    {
        QStringList result;
        if (const std::optional<book::AppointmentLines> lines = book::LoadAppointmentLines(m_path))
            for (const book::AppointmentLine line : *lines)
                result.append(line.text());
        result.sort();
        return result;
    }

    // With the server's calendar, or the one at `calendar`.
    caldav::SetupReport setUp(const DavServer &server, const QString &password = {},
                              const QString &calendar = {}) const
    {
        QNetworkAccessManager network;
        QEventLoop loop;
        caldav::SetupReport report;
        const QUrl url =
            calendar.isEmpty() ? server.calendarUrl() : server.url().resolved(calendar);
        caldav::SetUpSync(&network, m_path, {url, server.user(), password}, false,
                          [&](caldav::SetupReport done) {
                              report = done;
                              loop.quit();
                          });
        loop.exec();
        return report;
    }

    caldav::SyncReport sync(const QString &password = {}, bool yes = false,
                            QNetworkAccessManager *network = nullptr) const
    {
        QNetworkAccessManager own;
        caldav::SyncPass pass(network ? network : &own, m_path, password);
        pass.setRemovalsAllowed(yes);
        pass.setTimeout(5000);
        QSignalSpy finished(&pass, &caldav::SyncPass::finished);
        pass.start();
        if (!finished.wait(60000))
            return {};
        return finished.first().first().value<caldav::SyncReport>();
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// The other client, on the server's calendar: its output, a line a list item.
QStringList Client(const DavServer &server, const QStringList &arguments)
{
    QProcess client;
    client.start(u"/usr/bin/python3"_s,
                 QStringList{QStringLiteral(ZENTAVO_TEST_DATA "/../sync/caldav_client.py"),
                             server.calendarUrl().toString(), server.user(), server.password()} +
                     arguments);
    if (!client.waitForFinished(30000) || client.exitCode() != 0) {
        qWarning() << "caldav client:" << arguments << client.readAllStandardError();
        return {u"failed"_s};
    }
    return QString::fromUtf8(client.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// An event as another calendar program writes it.
QString PutEvent(const DavServer &server, const QString &uid, const QString &body)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"event.ics"_s);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(u"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Another//Calendar//EN\r\n"
              u"BEGIN:VEVENT\r\nUID:%1\r\nDTSTAMP:20261201T120000Z\r\n%2END:VEVENT\r\n"
              u"END:VCALENDAR\r\n"_s.arg(uid, body)
                  .toUtf8());
    out.close();
    return Client(server, {u"put"_s, file}).join(u'\n');
}

QString Stamp(QDate date, const QString &time)
{
    return date.toString(u"yyyyMMdd"_s) + u'T' + time;
}

// What the server holds: one line per event, "UID<TAB>summary", sorted.
QStringList ServerEvents(const DavServer &server)
{
    QStringList events = Client(server, {u"uids"_s});
    events.sort();
    return events;
}
QStringList Summaries(const DavServer &server)
{
    QStringList summaries;
    for (const QString &event : ServerEvents(server))
        summaries.append(event.section(u'\t', 1));
    summaries.sort();
    return summaries;
}

// A network whose requests of one method run a step first: the other client's write that
// comes between two requests of a pass.
class Interposer : public QNetworkAccessManager
{
public:
    Interposer(QByteArray method, std::function<void()> step)
        : m_method(std::move(method))
        , m_step(std::move(step))
    {
    }

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override
    {
        const QByteArray verb =
            op == DeleteOperation ? "DELETE"
            : op == PutOperation
                ? "PUT"
                : request.attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
        if (verb == m_method && m_step)
            std::exchange(m_step, nullptr)();
        return QNetworkAccessManager::createRequest(op, request, data);
    }

private:
    QByteArray m_method;
    std::function<void()> m_step;
};

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private:
    static void servers()
    {
        QTest::addColumn<DavServer::Kind>("kind");
        QTest::newRow("radicale") << DavServer::Kind::Radicale;
        QTest::newRow("xandikos") << DavServer::Kind::Xandikos;
    }

    QDate m_today = QDate::currentDate();

private slots:
    // The state keeps every byte of a line (a book may hold Windows-1252 text), and is for the
    // owner's eyes only.
    void stateFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ganctl.ngb.sync"_s);
        caldav::SyncState state{QUrl(u"https://example.org/cal/"_s), u"ana"_s, "token", "ctag", {}};
        const QByteArray line = "*Once^08/12/2026 10:00 Caf\xe9 100% \"a\"\\ b";
        state.items.insert(u"/cal/a b.ics"_s,
                           {u"/cal/a b.ics"_s, "\"e1\"", "uid", {line, "x"}, true, m_today});
        QVERIFY(caldav::SaveSyncState(path, state));
        QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadUser | QFileDevice::WriteUser);
        const std::optional<caldav::SyncState> read = caldav::LoadSyncState(path);
        QVERIFY(read);
        QCOMPARE(read->calendar, state.calendar);
        QCOMPARE(read->syncToken, state.syncToken);
        const caldav::SyncedItem item = read->items.value(u"/cal/a b.ics"_s);
        QCOMPARE(item.lines, (QList<QByteArray>{line, "x"}));
        QCOMPARE(item.etag, QByteArray("\"e1\""));
        QVERIFY(item.series);
        QCOMPARE(item.expanded, m_today);
        // What is not such a state is not taken for an empty one.
        QFile other(path);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("{\"items\": []}") > 0);
        other.close();
        QVERIFY(!caldav::LoadSyncState(path));
    }

    void converge_data() { servers(); }
    // Two books with an appointment in common become the same book, and the calendar holds
    // each appointment once; an addition and a removal on one follow to the other. Started
    // afresh, without its state, a book is matched line by line, a Windows-1252 line too.
    void converge()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        const QString both = Line(m_today, u"09:00"_s, u"Standup"_s);
        Device a, b;
        a.write({both, Line(m_today.addDays(1), u"10:00"_s, u"Dentist"_s),
                 u"*Weekly^07/12/2026 18:00 Choir"_s, u"no tag, no date"_s},
                Line(m_today, u"08:00"_s, u"Caf\u00e9"_s).toLatin1());
        b.write({both, Line(m_today.addDays(2), u"11:00"_s, u"Lunch with Ana"_s)});
        QVERIFY(a.setUp(server).result.ok());
        QVERIFY(b.setUp(server).result.ok());
        const caldav::SyncReport first = a.sync();
        QVERIFY2(first.ok(), qPrintable(first.summary()));
        QCOMPARE(first.addedThere, 4);
        QCOMPARE(first.leftOut.size(), 1); // the line without a date stays here
        QVERIFY(b.sync().ok());
        QVERIFY(a.sync().ok());
        QStringList expected = b.lines();
        expected.append(u"no tag, no date"_s);
        expected.sort();
        QCOMPARE(a.lines(), expected);
        QCOMPARE(b.lines().size(), 5);
        QCOMPARE(ServerEvents(server).size(), 5);

        // Nothing changed: nothing to do, on both, and the state is not written again.
        const auto stateFile = [&a] {
            struct stat file = {};
            ::stat(QFile::encodeName(caldav::SyncStatePath(a.path())).constData(), &file);
            return file.st_ino;
        };
        const ino_t state = stateFile();
        QCOMPARE(a.sync().summary(), u"nothing to do; 1 left out"_s);
        QCOMPARE(stateFile(), state);
        a.remove(both);
        b.add(Line(m_today.addDays(3), u"12:00"_s, u"Haircut"_s));
        QVERIFY(a.sync().ok());
        QVERIFY(b.sync().ok());
        QVERIFY(a.sync().ok());
        QVERIFY(!b.lines().contains(both));
        expected = b.lines();
        expected.append(u"no tag, no date"_s);
        expected.sort();
        QCOMPARE(a.lines(), expected);
        QCOMPARE(ServerEvents(server).size(), 5);

        QVERIFY(caldav::StopSync(a.path()));
        QVERIFY(a.setUp(server).result.ok());
        const caldav::SyncReport afresh = a.sync();
        QCOMPARE(afresh.summary(), u"nothing to do; 1 left out"_s);
        QCOMPARE(a.lines(), expected);
        QCOMPARE(ServerEvents(server).size(), 5);
    }

    void otherClient_data() { servers(); }
    // An event from another client comes to both books; its change there replaces the line, and
    // its removal there removes it. A series with an EXDATE and a zoned event are read as an
    // import reads them, and Del. of one occurrence takes only it out of the series.
    void otherClient()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a, b;
        QVERIFY(a.setUp(server).result.ok());
        QVERIFY(b.setUp(server).result.ok());
        const QDate day = m_today.addDays(2);
        PutEvent(server, u"dentist@phone"_s,
                 u"DTSTART:%1\r\nSUMMARY:Dentist\r\nLOCATION:Main St 4\r\n"_s.arg(
                     Stamp(day, u"100000"_s)));
        // Europe/Berlin is UTC+1 in winter and UTC+2 in summer; the tests run in UTC.
        const QDate winter(m_today.year() + 1, 1, 15);
        PutEvent(server, u"zoned@phone"_s,
                 u"DTSTART;TZID=Europe/Berlin:%1\r\nSUMMARY:Call Berlin\r\n"_s.arg(
                     Stamp(winter, u"100000"_s)));
        // Mondays and Wednesdays, six times from the next Monday, the second one not.
        const QDate monday = m_today.addDays(8 - m_today.dayOfWeek());
        PutEvent(server, u"series@phone"_s,
                 u"DTSTART:%1\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,WE;COUNT=6\r\nEXDATE:%2\r\n"
                 u"SUMMARY:Swim\r\n"_s.arg(Stamp(monday, u"070000"_s),
                                           Stamp(monday.addDays(2), u"070000"_s)));
        QVERIFY(a.sync().ok());
        QVERIFY(b.sync().ok());
        const QString dentist = Line(day, u"10:00"_s, u"Dentist"_s);
        const QStringList swims{Line(monday, u"07:00"_s, u"Swim"_s),
                                Line(monday.addDays(7), u"07:00"_s, u"Swim"_s),
                                Line(monday.addDays(9), u"07:00"_s, u"Swim"_s),
                                Line(monday.addDays(14), u"07:00"_s, u"Swim"_s),
                                Line(monday.addDays(16), u"07:00"_s, u"Swim"_s)};
        QStringList expected =
            swims + QStringList{dentist, Line(winter, u"09:00"_s, u"Call Berlin"_s)};
        expected.sort();
        QCOMPARE(a.lines(), expected);
        QCOMPARE(b.lines(), expected);

        // Del. of one occurrence here: the series loses it, and keeps the rest.
        a.remove(swims.at(2));
        const caldav::SyncReport removed = a.sync();
        QVERIFY2(removed.ok(), qPrintable(removed.summary()));
        QCOMPARE(removed.changedThere, 1);
        QVERIFY(Client(server, {u"show"_s, u"series@phone"_s}).join(u'\n').contains(u"EXDATE"_s));
        QVERIFY(b.sync().ok());
        expected.removeOne(swims.at(2));
        QCOMPARE(b.lines(), expected);
        QCOMPARE(ServerEvents(server).size(), 3);

        // Changed there: the line is replaced, and what the book cannot show stays there.
        Client(server, {u"summary"_s, u"dentist@phone"_s, u"Dentist (bring X-rays)"_s});
        const caldav::SyncReport changed = a.sync();
        QCOMPARE(changed.changedHere, 1);
        QVERIFY(a.lines().contains(Line(day, u"10:00"_s, u"Dentist (bring X-rays)"_s)));
        QVERIFY(!a.lines().contains(dentist));
        QVERIFY(
            Client(server, {u"show"_s, u"dentist@phone"_s}).join(u'\n').contains(u"Main St 4"_s));

        // Edited here: the event changes, and keeps what the book cannot show.
        const QString moved = Line(day, u"11:30"_s, u"Dentist (bring X-rays)"_s);
        a.remove(Line(day, u"10:00"_s, u"Dentist (bring X-rays)"_s));
        a.add(moved);
        QCOMPARE(a.sync().changedThere, 1);
        const QString event = Client(server, {u"show"_s, u"dentist@phone"_s}).join(u'\n');
        QVERIFY(event.contains(u"Main St 4"_s));
        QVERIFY(event.contains(Stamp(day, u"113000"_s)));
        QVERIFY(b.sync().ok());
        QVERIFY(b.lines().contains(moved));

        // Removed there: gone here.
        Client(server, {u"delete"_s, u"zoned@phone"_s});
        QCOMPARE(a.sync().removedHere, 1);
        QVERIFY(!a.lines().contains(Line(winter, u"09:00"_s, u"Call Berlin"_s)));
    }

    void changedOnBothSides_data() { servers(); }
    // A line edited by hand here while its event was edited there: both versions stay. A line
    // deleted here while its event changed there comes back in the changed version.
    void changedOnBothSides()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a;
        const QString plan = Line(m_today.addDays(1), u"10:00"_s, u"Plan"_s);
        const QString gym = Line(m_today.addDays(1), u"18:00"_s, u"Gym"_s);
        a.write({plan, gym});
        QVERIFY(a.setUp(server).result.ok());
        QVERIFY(a.sync().ok());
        QStringList uids;
        for (const QString &event : ServerEvents(server))
            uids.append(event.section(u'\t', 0, 0));
        QCOMPARE(uids.size(), 2);
        const QString planUid =
            ServerEvents(server).filter(u"\tPlan"_s).constFirst().section(u'\t', 0, 0);
        const QString gymUid =
            ServerEvents(server).filter(u"\tGym"_s).constFirst().section(u'\t', 0, 0);

        a.remove(plan);
        a.add(Line(m_today.addDays(1), u"10:00"_s, u"Plan the trip"_s));
        Client(server, {u"summary"_s, planUid, u"Plan the party"_s});
        a.remove(gym);
        Client(server, {u"summary"_s, gymUid, u"Gym with Bo"_s});
        const caldav::SyncReport report = a.sync();
        QVERIFY2(report.ok(), qPrintable(report.summary()));
        const QStringList expected{Line(m_today.addDays(1), u"10:00"_s, u"Plan the party"_s),
                                   Line(m_today.addDays(1), u"10:00"_s, u"Plan the trip"_s),
                                   Line(m_today.addDays(1), u"18:00"_s, u"Gym with Bo"_s)};
        QCOMPARE(a.lines(), expected);
        QCOMPARE(Summaries(server),
                 (QStringList{u"Gym with Bo"_s, u"Plan the party"_s, u"Plan the trip"_s}));
    }

    void guard_data() { servers(); }
    // Emptying the book, then a sync: the pass asks before it empties the server, and does it
    // only when told to. A server emptied by another client asks before the book is emptied.
    void guard()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a;
        a.write({Line(m_today, u"08:00"_s, u"One"_s), Line(m_today, u"09:00"_s, u"Two"_s),
                 Line(m_today, u"10:00"_s, u"Three"_s)});
        QVERIFY(a.setUp(server).result.ok());
        QVERIFY(a.sync().ok());
        const QStringList lines = a.lines();
        QVERIFY(book::ClearAppointmentFile(a.path()) == book::WriteStatus::Written);
        const caldav::SyncReport asked = a.sync();
        QVERIFY(asked.needsConfirmation);
        QCOMPARE(asked.question(),
                 u"This sync would remove 3 appointments of 3 from the server. Go on?"_s);
        QCOMPARE(ServerEvents(server).size(), 3);
        QVERIFY(a.sync({}, true).ok());
        QCOMPARE(ServerEvents(server).size(), 0);

        Device b;
        b.write(lines);
        QVERIFY(b.setUp(server).result.ok());
        QVERIFY(b.sync().ok());
        for (const QString &event : ServerEvents(server))
            Client(server, {u"delete"_s, event.section(u'\t', 0, 0)});
        const caldav::SyncReport emptied = b.sync();
        QVERIFY2(emptied.needsConfirmation, qPrintable(emptied.summary()));
        QCOMPARE(emptied.wouldRemoveHere, 3);
        QCOMPARE(b.lines(), lines);
    }

    void preconditionFailed_data() { servers(); }
    // The other client changes an event between the pass's listing and its DELETE of it: the
    // server answers 412, and the change there wins over the delete here.
    void preconditionFailed()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a;
        const QString keep = Line(m_today, u"08:00"_s, u"Keep"_s);
        const QString lunch = Line(m_today, u"12:00"_s, u"Lunch"_s);
        a.write({keep, lunch});
        QVERIFY(a.setUp(server).result.ok());
        QVERIFY(a.sync().ok());
        const QString uid =
            ServerEvents(server).filter(u"\tLunch"_s).constFirst().section(u'\t', 0, 0);
        a.remove(lunch);
        Interposer network("DELETE", [&] {
            Client(server, {u"summary"_s, uid, u"Lunch at noon"_s});
        });
        const caldav::SyncReport report = a.sync({}, false, &network);
        QVERIFY2(report.ok(), qPrintable(report.summary()));
        QCOMPARE(a.lines(), (QStringList{keep, Line(m_today, u"12:00"_s, u"Lunch at noon"_s)}));
        QCOMPARE(Summaries(server), (QStringList{u"Keep"_s, u"Lunch at noon"_s}));
        QCOMPARE(a.sync().summary(), u"nothing to do"_s);
    }

    void serverStopped_data()
    {
        QTest::addColumn<DavServer::Kind>("kind");
        QTest::addColumn<bool>("killed");
        QTest::newRow("radicale killed") << DavServer::Kind::Radicale << true;
        QTest::newRow("radicale not answering") << DavServer::Kind::Radicale << false;
        QTest::newRow("xandikos not answering") << DavServer::Kind::Xandikos << false;
    }
    // The server goes away in the middle of a first sync, killed or no longer answering: the
    // pass fails and says why, with no message of its own; the next one, with the server back,
    // finishes, and nothing is doubled, not even what the server did after the pass gave up.
    // A sync token that the server no longer knows lists everything instead.
    void serverStopped()
    {
        QFETCH(DavServer::Kind, kind);
        QFETCH(bool, killed);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a;
        QStringList lines;
        for (int i = 0; i < 300; ++i)
            lines.append(Line(m_today.addDays(i % 30), u"10:00"_s, u"Item %1"_s.arg(i)));
        a.write(lines);
        QVERIFY(a.setUp(server).result.ok());
        QTimer::singleShot(300, [&] { killed ? server.stop() : server.pause(); });
        const caldav::SyncReport cut = a.sync();
        QCOMPARE(cut.result.kind, caldav::DavResult::Kind::Unreachable);
        if (killed)
            QVERIFY(server.start());
        else
            server.resume();
        const caldav::SyncReport again = a.sync();
        QVERIFY2(again.ok() && again.leftOut.isEmpty(), qPrintable(again.summary()));
        QCOMPARE(ServerEvents(server).size(), 300);

        std::optional<caldav::SyncState> state =
            caldav::LoadSyncState(caldav::SyncStatePath(a.path()));
        QVERIFY(state);
        state->syncToken = "http://example.org/ns/sync/unknown";
        QVERIFY(caldav::SaveSyncState(caldav::SyncStatePath(a.path()), *state));
        QCOMPARE(a.sync().summary(), u"nothing to do"_s);
        lines.sort();
        QCOMPARE(a.lines(), lines);
    }

    // A calendar that the user may read but not write to, given as the address: each line is
    // left out with the server's refusal, and the pass goes on.
    void readOnlyCalendar()
    {
        DavServer server(DavServer::Kind::RadicaleWithPassword,
                         DavServer::Content::ReadOnlyCalendar);
        QVERIFY(server.start());
        Device a;
        const QStringList lines{Line(m_today, u"10:00"_s, u"One"_s),
                                Line(m_today, u"11:00"_s, u"Two"_s)};
        a.write(lines);
        QVERIFY(a.setUp(server, server.password(), u"/alice/birthdays/"_s).result.ok());
        for (int pass = 0; pass < 2; ++pass) {
            const caldav::SyncReport report = a.sync(server.password());
            QVERIFY2(report.ok(), qPrintable(report.summary()));
            QCOMPARE(report.leftOut.size(), 2);
            QVERIFY2(report.leftOut.first().contains(u"does not let this user"_s),
                     qPrintable(report.leftOut.first()));
            QCOMPARE(a.lines(), lines);
        }
    }

    // A wrong password, and none, to a server that wants one; the right one syncs.
    void password()
    {
        DavServer server(DavServer::Kind::RadicaleWithPassword);
        QVERIFY(server.start());
        Device a;
        QCOMPARE(a.setUp(server).result.kind, caldav::DavResult::Kind::NeedsPassword);
        QCOMPARE(a.setUp(server, u"wrong"_s).result.kind, caldav::DavResult::Kind::Refused);
        QVERIFY(a.setUp(server, server.password()).result.ok());
        a.write({Line(m_today, u"10:00"_s, u"Secret meeting"_s)});
        const caldav::SyncReport wrong = a.sync(u"wrong"_s);
        QCOMPARE(wrong.result.kind, caldav::DavResult::Kind::Refused);
        QCOMPARE(wrong.summary(), u"the server refused the user name or password"_s);
        QCOMPARE(a.sync(server.password()).addedThere, 1);
    }

    void killed_data() { servers(); }
    // A first sync of 500 lines killed at 20 random moments, then a last pass: the calendar
    // holds each line once, and the book is what it was.
    void killed()
    {
        QFETCH(DavServer::Kind, kind);
        DavServer server(kind);
        QVERIFY(server.start());
        Device a;
        QStringList lines;
        for (int i = 0; i < 500; ++i)
            lines.append(Line(m_today.addDays(i % 60),
                              u"%1:00"_s.arg(8 + i % 10, 2, 10, QChar(u'0')),
                              u"Appointment %1"_s.arg(i)));
        a.write(lines);
        QVERIFY(a.setUp(server).result.ok());
        QRandomGenerator random(QRandomGenerator::global()->generate());
        for (int kill = 0; kill < 20; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(), {u"--sync-child"_s, a.path()});
            QVERIFY(child.waitForStarted());
            QTest::qWait(int(random.bounded(100, 700)));
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished();
        }
        const caldav::SyncReport last = a.sync();
        QVERIFY2(last.ok(), qPrintable(last.summary()));
        QVERIFY(a.sync().ok());
        lines.sort();
        QCOMPARE(a.lines(), lines);
        QStringList summaries = Summaries(server);
        QCOMPARE(summaries.size(), 500);
        summaries.removeDuplicates();
        QCOMPARE(summaries.size(), 500);
    }
};

// "--sync-child BOOK": one pass and out, for the kill test to kill.
int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--sync-child") == 0) {
        QCoreApplication app(argc, argv);
        QNetworkAccessManager network;
        caldav::SyncPass pass(&network, QString::fromLocal8Bit(argv[2]), {});
        QObject::connect(&pass, &caldav::SyncPass::finished, &app,
                         [] { QCoreApplication::exit(); });
        pass.start();
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    TestSync test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sync.moc"
