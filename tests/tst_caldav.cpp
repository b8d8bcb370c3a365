// The requests on CalDAV servers: finding the calendar from any address a user may give, the
// life of items on real servers (Radicale and Xandikos, started on loopback for each case),
// the rule that a password goes only where no one can read it, and the faults of servers
// that answer garbage, never, or with a full disk.
#include "support/davserver.h"
#include "support/fakedav.h"
#include "sync/calendarclient.h"
#include "sync/calendarfinder.h"
#include "sync/davresponse.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <memory>
#include <optional>
#include <tuple>

using namespace Qt::StringLiterals;
using caldav::DavResult;
using Kind = DavResult::Kind;

Q_DECLARE_METATYPE(DavServer::Content)

namespace {

// Starts a request with a callback and waits for the callback: the values it had. Nothing
// when it did not come, came twice, or came before the request returned.
template<typename... Args, typename Start>
std::optional<std::tuple<Args...>> Run(Start start)
{
    struct Outcome
    {
        int calls = 0;
        bool early = false;
        bool returned = false;
        std::tuple<Args...> values;
    };
    auto outcome = std::make_shared<Outcome>();
    start([outcome](Args... args) {
        ++outcome->calls;
        outcome->early = !outcome->returned;
        outcome->values = std::tuple<Args...>(args...);
    });
    outcome->returned = true;
    if (!QTest::qWaitFor([&] { return outcome->calls > 0; }, 40000))
        return qWarning("no answer"), std::nullopt;
    QTest::qWait(1); // a second call would come now
    if (outcome->calls != 1 || outcome->early)
        return qWarning("%d calls, early: %d", outcome->calls, outcome->early), std::nullopt;
    return outcome->values;
}

std::pair<DavResult, caldav::FoundCalendar>
Find(QNetworkAccessManager *network, const caldav::Account &account, bool mayMake = true)
{
    const auto answer = Run<DavResult, caldav::FoundCalendar>(
        [&](auto done) { caldav::FindCalendar(network, account, mayMake, done); });
    return answer ? std::pair(std::get<0>(*answer), std::get<1>(*answer))
                  : std::pair(DavResult{Kind::ServerError, 0, u"no answer"_s},
                              caldav::FoundCalendar{});
}

// The synchronous forms of the client's requests, for the steps of a case.
struct Client
{
    caldav::CalendarClient &client;

    std::pair<DavResult, caldav::Listing> list()
    {
        return Take(Run<DavResult, caldav::Listing>([&](auto done) { client.list(done); }));
    }
    std::pair<DavResult, caldav::Listing> state()
    {
        return Take(Run<DavResult, caldav::Listing>([&](auto done) { client.state(done); }));
    }
    std::pair<DavResult, caldav::Listing> changesSince(const QByteArray &token)
    {
        return Take(
            Run<DavResult, caldav::Listing>([&](auto done) { client.changesSince(token, done); }));
    }
    std::pair<DavResult, QList<caldav::FetchedItem>> fetch(const QStringList &hrefs)
    {
        return Take(Run<DavResult, QList<caldav::FetchedItem>>(
            [&](auto done) { client.fetch(hrefs, done); }));
    }
    std::pair<DavResult, QByteArray> put(const QString &href, const QByteArray &data,
                                         const QByteArray &etag)
    {
        return Take(
            Run<DavResult, QByteArray>([&](auto done) { client.put(href, data, etag, done); }));
    }
    DavResult remove(const QString &href, const QByteArray &etag)
    {
        const auto answer = Run<DavResult>([&](auto done) { client.remove(href, etag, done); });
        return answer ? std::get<0>(*answer) : DavResult{Kind::ServerError, 0, u"no answer"_s};
    }

    template<typename T>
    static std::pair<DavResult, T> Take(const std::optional<std::tuple<DavResult, T>> &answer)
    {
        return answer ? std::pair(std::get<0>(*answer), std::get<1>(*answer))
                      : std::pair(DavResult{Kind::ServerError, 0, u"no answer"_s}, T());
    }
};

QByteArray Event(const QString &uid, const QString &summary)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zentavo tests//EN\r\nBEGIN:VEVENT\r\nUID:" +
           uid.toUtf8() +
           "\r\nDTSTAMP:20240101T000000Z\r\nDTSTART:20240301T100000Z\r\n"
           "DTEND:20240301T110000Z\r\nSUMMARY:" +
           summary.toUtf8() +
           "\r\nEND:VEVENT\r\n"
           "END:VCALENDAR\r\n";
}

QStringList Hrefs(const QList<caldav::ItemVersion> &items)
{
    QStringList hrefs;
    for (const caldav::ItemVersion &item : items)
        hrefs.append(item.href);
    return hrefs;
}

const char *KindName(Kind kind)
{
    static const char *const names[] = {
        "Ok",       "Changed",      "NotFound",  "Refused",     "NeedsPassword",
        "Insecure", "TokenRefused", "NotCalDav", "Unreachable", "ServerError"};
    return names[int(kind)];
}

#define COMPARE_KIND(result, expected)                                                             \
    QVERIFY2(                                                                                      \
        (result).kind == (expected),                                                               \
        qPrintable(u"%1 (%2), not %3"_s.arg(QLatin1String(KindName((result).kind)),                \
                                            (result).message, QLatin1String(KindName(expected)))))

// A loopback port that was free a moment ago.
quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// A row for each kind of server, with the values of the other columns.
template<typename... Values>
void AddServerRows(const char *name, const Values &...values)
{
    const std::pair<DavServer::Kind, const char *> kinds[] = {
        {DavServer::Kind::Radicale, "radicale"},
        {DavServer::Kind::RadicaleWithPassword, "radicale-password"},
        {DavServer::Kind::Xandikos, "xandikos"}};
    for (const auto &[kind, label] : kinds) {
        QTestData &row = *name ? QTest::addRow("%s %s", label, name) : QTest::addRow("%s", label);
        row << kind;
        ((row << values), ...);
    }
}

} // namespace

class TestCalDav : public QObject
{
    Q_OBJECT

private slots:
    void find_data()
    {
        QTest::addColumn<DavServer::Kind>("kind");
        QTest::addColumn<DavServer::Content>("content");
        QTest::addColumn<QString>("from"); // a path; "calendar": the server's, "calendar/": without
        QTest::addColumn<QString>("radicale"); // the calendar found on Radicale
        QTest::addColumn<QString>("xandikos"); // and on Xandikos
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("made");
        const auto ready = DavServer::Content::WithCalendar;
        const auto empty = DavServer::Content::Empty;
        const QString personal = u"/alice/personal/"_s;
        const QString calendar = u"/user/calendars/calendar/"_s;
        AddServerRows("from the root", ready, u"/"_s, personal, calendar, QString(), false);
        AddServerRows("from the calendar", ready, u"calendar"_s, personal, calendar, QString(),
                      false);
        AddServerRows("from the calendar without final slash", ready, u"calendar/"_s, personal,
                      calendar, QString(), false);
        QTest::newRow("radicale from the principal")
            << DavServer::Kind::Radicale << ready << u"/alice/"_s << personal << calendar
            << u"Personal"_s << false;
        QTest::newRow("xandikos from the principal")
            << DavServer::Kind::Xandikos << ready << u"/user/"_s << personal << calendar
            << u"calendar"_s << false;
        // No CalDAV there: the server's /.well-known/caldav leads on.
        QTest::newRow("xandikos from nowhere")
            << DavServer::Kind::Xandikos << ready << u"/nothing/here/"_s << personal << calendar
            << u"calendar"_s << false;
        // A calendar of events that the user may not write to is passed over.
        QTest::newRow("radicale-password with a read-only calendar only")
            << DavServer::Kind::RadicaleWithPassword << DavServer::Content::ReadOnlyCalendar
            << u"/"_s << u"/alice/zentavo/"_s << QString() << u"Zentavo"_s << true;
        AddServerRows("on an empty account", empty, u"/"_s, u"/alice/zentavo/"_s,
                      u"/user/calendars/zentavo/"_s, u"Zentavo"_s, true);
    }
    void find()
    {
        QFETCH(DavServer::Kind, kind);
        QFETCH(DavServer::Content, content);
        QFETCH(QString, from);
        DavServer server(kind, content);
        QVERIFY2(server.start(), server.log().constData());
        QUrl url = server.url().resolved(QUrl(from));
        if (from.startsWith(u"calendar"_s)) {
            url = server.calendarUrl();
            if (from.endsWith(u'/'))
                url.setPath(url.path().chopped(1));
        }
        QNetworkAccessManager network;
        QFETCH(bool, made);
        // A search that may not make a calendar only names the one it would make.
        const auto [named, toBeMade] =
            Find(&network, {url, server.user(), server.password()}, false);
        COMPARE_KIND(named, Kind::Ok);
        QCOMPARE(toBeMade.toBeMade, made);
        const auto [result, found] = Find(&network, {url, server.user(), server.password()});
        COMPARE_KIND(result, Kind::Ok);
        QCOMPARE(found.url, toBeMade.url);
        QFETCH(QString, radicale);
        QFETCH(QString, xandikos);
        QCOMPARE(found.url, server.url().resolved(
                                QUrl(kind == DavServer::Kind::Xandikos ? xandikos : radicale)));
        QFETCH(QString, name);
        if (name.isEmpty())
            name = kind == DavServer::Kind::Xandikos ? u"calendar"_s : u"Personal"_s;
        QCOMPARE(found.name, name);
        QCOMPARE(found.made, made);

        // Once made, the calendar is found again: a calendar of events, with that name.
        const auto [again, same] = Find(&network, {url, server.user(), server.password()});
        COMPARE_KIND(again, Kind::Ok);
        QCOMPARE(same.url, found.url);
        QCOMPARE(same.name, found.name);
        QCOMPARE(same.made, false);
    }

    void credentials_data()
    {
        QTest::addColumn<bool>("server"); // Radicale with a password, or none at all
        QTest::addColumn<QString>("url"); // for no server
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password")
            << true << QString() << u"alice"_s << u"wrong"_s << Kind::Refused
            << u"the server refused the user name or password"_s;
        QTest::newRow("no password")
            << true << QString() << u"alice"_s << QString() << Kind::NeedsPassword << QString();
        QTest::newRow("no user name")
            << true << QString() << QString() << QString() << Kind::NeedsPassword << QString();
        // 192.0.2.1 answers no one (RFC 5737): the answer must come before any connection.
        QTest::newRow("password over plain http")
            << false << u"http://192.0.2.1/dav/"_s << u"alice"_s << u"secret"_s << Kind::Insecure
            << u"https"_s;
        QTest::newRow("user name over plain http") << false << u"http://192.0.2.1/"_s << u"alice"_s
                                                   << QString() << Kind::Insecure << u"https"_s;
    }
    void credentials()
    {
        QFETCH(bool, server);
        QFETCH(QString, url);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(Kind, kind);
        QFETCH(QString, message);
        DavServer radicale(DavServer::Kind::RadicaleWithPassword);
        if (server) {
            QVERIFY2(radicale.start(), radicale.log().constData());
            url = radicale.calendarUrl().toString();
        }
        QNetworkAccessManager network;
        QElapsedTimer clock;
        clock.start();
        const caldav::Account account{QUrl(url), user, password};
        const auto [found, calendar] = Find(&network, account);
        COMPARE_KIND(found, kind);
        QVERIFY2(found.message.contains(message), qPrintable(found.message));
        caldav::CalendarClient client(&network, account);
        const auto [listed, listing] = Client{client}.list();
        COMPARE_KIND(listed, kind);
        QVERIFY2(listed.message.contains(message), qPrintable(listed.message));
        // Where nothing is to be sent, the answer comes at once.
        if (!server)
            QVERIFY(clock.elapsed() < 2000);
    }

    // Items whose UIDs make awkward hrefs: each is written, listed and read back under the
    // href it was given.
    void awkwardUids_data()
    {
        QTest::addColumn<DavServer::Kind>("kind");
        QTest::addColumn<QString>("uid");
        for (const QString &uid : {u"a/b@example.org"_s, u".hidden"_s, u"why?#not"_s,
                                   u"<&>\"' %25;,+=@ü日本"_s, u"50%"_s})
            AddServerRows(qPrintable(uid), uid);
    }
    void awkwardUids()
    {
        QFETCH(DavServer::Kind, kind);
        QFETCH(QString, uid);
        DavServer server(kind);
        QVERIFY2(server.start(), server.log().constData());
        QNetworkAccessManager network;
        caldav::CalendarClient calendar(&network,
                                        {server.calendarUrl(), server.user(), server.password()});
        Client client{calendar};
        const QString href = calendar.hrefFor(uid);
        QVERIFY(href.startsWith(server.calendarUrl().path()));
        COMPARE_KIND(client.put(href, Event(uid, u"odd"_s), {}).first, Kind::Ok);
        const auto [listed, listing] = client.list();
        COMPARE_KIND(listed, Kind::Ok);
        QCOMPARE(Hrefs(listing.items), QStringList{href});
        const auto [fetched, items] = client.fetch({href});
        COMPARE_KIND(fetched, Kind::Ok);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.first().href, href);
        QCOMPARE(items.first().etag, listing.items.first().etag);
        COMPARE_KIND(client.remove(href, items.first().etag), Kind::Ok);
    }

    void faults_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: none comes
        QTest::addColumn<QString>("call");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        const QByteArray xml = "application/xml; charset=utf-8";
        QTest::newRow("a multistatus cut short")
            << FakeDav::Answer(207, "Multi-Status", xml,
                               "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a.ics")
            << u"list"_s << Kind::NotCalDav << u"the server's answer is not CalDAV"_s << 1;
        QTest::newRow("no xml for a multistatus")
            << FakeDav::Answer(207, "Multi-Status", xml, "{\"items\": []}") << u"changes"_s
            << Kind::NotCalDav << u"not CalDAV"_s << 1;
        QTest::newRow("a page of html")
            << FakeDav::Answer(200, "OK", "text/html", "<html><body>Sign in</body></html>")
            << u"fetch"_s << Kind::NotCalDav << u"not CalDAV"_s << 1;
        QTest::newRow("no answer") << QByteArray() << u"list"_s << Kind::Unreachable
                                   << u"the server did not answer in time"_s << 1;
        QTest::newRow("a full disk")
            << FakeDav::Answer(507, "Insufficient Storage") << u"put"_s << Kind::ServerError
            << u"the server answered 507 Insufficient Storage"_s << 1;
        QTest::newRow("a failing server on a token")
            << FakeDav::Answer(500, "Internal Server Error") << u"changes"_s << Kind::TokenRefused
            << QString() << 1;
        QTest::newRow("redirects without end")
            << FakeDav::Answer(301, "Moved Permanently", {}, {}, "Location: /cal/\r\n") << u"list"_s
            << Kind::ServerError << QString() << 6;
        QTest::newRow("a redirect to plain http elsewhere")
            << FakeDav::Answer(302, "Found", {}, {}, "Location: http://192.0.2.1/cal/\r\n")
            << u"put"_s << Kind::Insecure << u"https"_s << 1;
    }
    void faults()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, call);
        FakeDav fake;
        fake.setAnswer(answer);
        QNetworkAccessManager network;
        QUrl url = fake.url().resolved(QUrl(u"/cal/"_s));
        caldav::CalendarClient calendar(&network, {url, u"alice"_s, u"secret"_s});
        calendar.setTimeout(500);
        Client client{calendar};
        QElapsedTimer clock;
        clock.start();
        DavResult result;
        if (call == u"list"_s)
            result = client.list().first;
        else if (call == u"changes"_s)
            result = client.changesSince("some-token").first;
        else if (call == u"fetch"_s)
            result = client.fetch({u"/cal/a.ics"_s}).first;
        else
            result = client.put(u"/cal/a.ics"_s, Event(u"a"_s, u"a"_s), {}).first;
        QFETCH(Kind, kind);
        COMPARE_KIND(result, kind);
        QFETCH(QString, message);
        QVERIFY2(result.message.contains(message), qPrintable(result.message));
        QFETCH(int, requests);
        QCOMPARE(fake.requests().size(), requests);
        QVERIFY(clock.elapsed() < 5000);
    }

    // Where no CalDAV server answers: nothing listens, or a web server that is no WebDAV server
    // (Python's, which answers PROPFIND with 501).
    void noCalDav_data()
    {
        QTest::addColumn<bool>("web");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("message"); // %1: the port
        QTest::newRow("nothing listens")
            << false << Kind::Unreachable << u"cannot reach 127.0.0.1:%1: Connection refused"_s;
        QTest::newRow("a web server")
            << true << Kind::NotCalDav << u"the server does not speak CalDAV (it answered 501)"_s;
    }
    void noCalDav()
    {
        QFETCH(bool, web);
        const quint16 port = FreePort();
        QTemporaryDir folder;
        QProcess server;
        if (web) {
            server.setWorkingDirectory(folder.path());
            server.start(u"python3"_s, {u"-m"_s, u"http.server"_s, QString::number(port),
                                        u"--bind"_s, u"127.0.0.1"_s});
            QVERIFY(server.waitForStarted());
            QVERIFY(QTest::qWaitFor([port] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, port);
                return socket.waitForConnected(100);
            }));
        }
        QNetworkAccessManager network;
        const auto [result, found] =
            Find(&network, {QUrl(u"http://127.0.0.1:%1/"_s.arg(port)), {}, {}});
        QFETCH(Kind, kind);
        COMPARE_KIND(result, kind);
        QFETCH(QString, message);
        QCOMPARE(result.message, message.arg(port));
        server.kill();
        server.waitForFinished();
    }

    void certificate()
    {
        if (QStandardPaths::findExecutable(u"openssl"_s).isEmpty() || !QSslSocket::supportsSsl())
            QSKIP("no openssl");
        QTemporaryDir dir;
        const QString key = dir.filePath(u"key.pem"_s), cert = dir.filePath(u"cert.pem"_s);
        QProcess openssl;
        openssl.setStandardOutputFile(QProcess::nullDevice());
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(u"openssl"_s,
                      {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-days"_s,
                       u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s, u"-keyout"_s, key, u"-out"_s, cert});
        QVERIFY(openssl.waitForFinished());
        QCOMPARE(openssl.exitCode(), 0);
        QFile keyFile(key), certFile(cert);
        QVERIFY(keyFile.open(QIODevice::ReadOnly) && certFile.open(QIODevice::ReadOnly));
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(certFile.readAll()));
        configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        QSslServer server;
        server.setSslConfiguration(configuration);
        QVERIFY(server.listen(QHostAddress::LocalHost));

        QNetworkAccessManager network;
        const caldav::Account account{QUrl(u"https://127.0.0.1:%1/"_s.arg(server.serverPort())),
                                      u"alice"_s, u"secret"_s};
        const auto [result, found] = Find(&network, account);
        COMPARE_KIND(result, Kind::Unreachable);
        QVERIFY2(result.message.startsWith(u"the certificate of 127.0.0.1 is not trusted: "_s),
                 qPrintable(result.message));
        QVERIFY2(result.message.contains(u"self-signed"_s), qPrintable(result.message));
    }

    // A client, or the network under it, that goes with requests running takes them along,
    // without their callbacks (and, under the sanitizers, without a leak or a dangling reply).
    void destroyedWhileAsking_data()
    {
        QTest::addColumn<bool>("networkFirst");
        QTest::addColumn<bool>("search");
        QTest::newRow("the client goes") << false << false;
        QTest::newRow("the network goes") << true << false;
        QTest::newRow("the network goes under a search") << true << true;
    }
    void destroyedWhileAsking()
    {
        QFETCH(bool, networkFirst);
        QFETCH(bool, search);
        FakeDav fake;
        auto network = std::make_unique<QNetworkAccessManager>();
        auto calendar = std::make_unique<caldav::CalendarClient>(
            network.get(), caldav::Account{fake.url(), {}, {}});
        int calls = 0;
        if (search) {
            caldav::FindCalendar(network.get(), {fake.url(), {}, {}}, true,
                                 [&](DavResult, caldav::FoundCalendar) { ++calls; });
        } else {
            calendar->list([&](DavResult, caldav::Listing) { ++calls; });
            calendar->put(u"/a.ics"_s, Event(u"a"_s, u"a"_s), {},
                          [&](DavResult, QByteArray) { ++calls; });
        }
        QTRY_COMPARE(fake.requests().size(), search ? 1 : 2);
        if (networkFirst)
            network.reset();
        calendar.reset();
        network.reset();
        QTest::qWait(50);
        QCOMPARE(calls, 0);
    }

    void multistatus_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("href");
        QTest::addColumn<QString>("etag");
        QTest::addColumn<QByteArray>("token");
        const QByteArray response = "<response><href>/c/a%20b%25.ics</href><propstat><prop>"
                                    "<getetag>\"1\"</getetag></prop><status>HTTP/1.1 200 OK"
                                    "</status></propstat><propstat><prop><getetag>\"2\""
                                    "</getetag></prop><status>HTTP/1.1 404 Not Found</status>"
                                    "</propstat></response>";
        QTest::newRow("percent-encoded href")
            << "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\">" + response +
                   "<sync-token>t1</sync-token></multistatus>"
            << true << u"/c/a b%.ics"_s << u"\"1\""_s << QByteArray("t1");
        QTest::newRow("absolute href")
            << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>"
                          "http://example.org/c/%C3%BC.ics</d:href><d:status>HTTP/1.1 404 Not "
                          "Found</d:status></d:response></d:multistatus>")
            << true << u"/c/ü.ics"_s << QString() << QByteArray();
        QTest::newRow("relative href")
            << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>a.ics</href>"
                          "<status>HTTP/1.1 404 Not Found</status></response></multistatus>")
            << true << u"/c/a.ics"_s << QString() << QByteArray();
        QTest::newRow("another namespace")
            << "<multistatus xmlns=\"urn:x\">" + response + "</multistatus>" << false << QString()
            << QString() << QByteArray();
        QTest::newRow("cut short") << "<multistatus xmlns=\"DAV:\">" + response << false
                                   << QString() << QString() << QByteArray();
        QTest::newRow("garbage after") << "<multistatus xmlns=\"DAV:\"/><html>" + response << false
                                       << QString() << QString() << QByteArray();
        QTest::newRow("empty") << QByteArray() << false << QString() << QString() << QByteArray();
    }
    void multistatus()
    {
        QFETCH(QByteArray, xml);
        const auto answer = caldav::ParseMultistatus(xml, QUrl(u"http://example.org/c/"_s));
        QFETCH(bool, read);
        QCOMPARE(answer.has_value(), read);
        if (!read)
            return;
        QCOMPARE(answer->resources.size(), 1);
        QFETCH(QString, href);
        QCOMPARE(answer->resources.first().href, href);
        QFETCH(QString, etag);
        QCOMPARE(answer->resources.first().text(caldav::prop::GetEtag), etag);
        QFETCH(QByteArray, token);
        QCOMPARE(answer->syncToken, token);
    }
};

QTEST_GUILESS_MAIN(TestCalDav)
#include "tst_caldav.moc"
