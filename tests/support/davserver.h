#pragma once

// A real CalDAV server for a test, on a free loopback port with a folder of its own: Radicale
// (without authentication, or with a user "alice" and password "secret" in an htpasswd file),
// or Xandikos. Each is an unprivileged process of the test's, killed with it (even when the
// test itself is killed).

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <sys/prctl.h>

class DavServer
{
public:
    enum class Kind { Radicale, RadicaleWithPassword, Xandikos };
    // Whether the account has a calendar from the start (calendarUrl()), nothing at all, or
    // (Radicale only) only a calendar "Birthdays" that the user may read but not write.
    enum class Content { WithCalendar, Empty, ReadOnlyCalendar };

    explicit DavServer(Kind kind, Content content = Content::WithCalendar)
        : m_kind(kind)
        , m_content(content)
    {
    }
    ~DavServer() { stop(); }
    DavServer(const DavServer &) = delete;
    DavServer &operator=(const DavServer &) = delete;

    // Starts the server, or starts it again on the same port and folder; true once it answers.
    bool start()
    {
        stop();
        if (m_started)
            return launch() && waitForPort() && prepare();
        // A port that was free may be taken meanwhile: then another.
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = FreePort();
            if (launch() && waitForPort()) {
                m_started = true;
                return prepare();
            }
            stop();
        }
        return false;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished();
    }
    // The server stops answering, keeping its connections, and later goes on where it was.
    // Xandikos is not killed in the middle of a write: its store would be left locked.
    void pause() { ::kill(pid_t(m_process.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(m_process.processId()), SIGCONT); }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port)); }
    // A calendar of events that the server has from the start (Content::WithCalendar).
    QUrl calendarUrl() const
    {
        return url().resolved(QUrl(m_kind == Kind::Xandikos
                                       ? QStringLiteral("/user/calendars/calendar/")
                                       : QStringLiteral("/alice/personal/")));
    }
    // Radicale without authentication takes any password, but wants a user name all the same.
    QString user() const { return m_kind == Kind::Xandikos ? QString() : QStringLiteral("alice"); }
    QString password() const
    {
        return m_kind == Kind::RadicaleWithPassword ? QStringLiteral("secret") : QString();
    }
    Kind kind() const { return m_kind; }
    // What the server wrote, for the message of a failing test.
    QByteArray log() const
    {
        QFile file(m_dir.filePath(QStringLiteral("log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    static quint16 FreePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

    bool launch()
    {
        const QString data = m_dir.filePath(QStringLiteral("data"));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("log")), QIODevice::Append);
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // The server is no part of the program under test: none of the test's preloaded
        // faults or sanitizer runtime reach it.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LD_PRELOAD"));
        m_process.setProcessEnvironment(environment);
        if (m_kind == Kind::Xandikos) {
            m_process.start(QStringLiteral("xandikos"),
                            {QStringLiteral("-d"), data,
                             m_content == Content::WithCalendar ? QStringLiteral("--defaults")
                                                                : QStringLiteral("--autocreate"),
                             QStringLiteral("-l"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("-p"), QString::number(m_port)});
        } else {
            // A configuration of its own only: never the system's or the user's.
            const QString config = m_dir.filePath(QStringLiteral("config"));
            QByteArray text = "[server]\nhosts = 127.0.0.1:" + QByteArray::number(m_port) +
                              "\n[storage]\nfilesystem_folder = " + data.toUtf8() +
                              "\n[logging]\nlevel = warning\n";
            if (m_content == Content::ReadOnlyCalendar) {
                if (!m_started && !readOnlyCalendar(data))
                    return false;
                text += "[rights]\ntype = from_file\nfile = " +
                        m_dir.filePath(QStringLiteral("rights")).toUtf8() + "\n";
            } else {
                text += "[rights]\ntype = owner_only\n";
            }
            if (m_kind == Kind::RadicaleWithPassword) {
                const QString users = m_dir.filePath(QStringLiteral("users"));
                QFile htpasswd(users);
                if (!htpasswd.open(QIODevice::WriteOnly) || htpasswd.write("alice:secret\n") < 0)
                    return false;
                text += "[auth]\ntype = htpasswd\nhtpasswd_filename = " + users.toUtf8() +
                        "\nhtpasswd_encryption = plain\n";
            } else {
                text += "[auth]\ntype = none\n";
            }
            QFile file(config);
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
                return false;
            file.close();
            m_process.start(QStringLiteral("radicale"), {QStringLiteral("--config"), config});
        }
        return m_process.waitForStarted();
    }

    // The calendar "Birthdays" of alice, made in Radicale's store as the server would, and
    // rights that let her read it and write only elsewhere.
    bool readOnlyCalendar(const QString &data)
    {
        const QString calendar = data + QStringLiteral("/collection-root/alice/birthdays");
        const QByteArray props = R"({"tag": "VCALENDAR", "D:displayname": "Birthdays", )"
                                 R"("C:supported-calendar-component-set": "VEVENT"})";
        const QByteArray rights = "[birthdays]\nuser: .+\ncollection: {user}/birthdays\n"
                                  "permissions: r\n"
                                  "[principal]\nuser: .+\ncollection: {user}\npermissions: RW\n"
                                  "[calendars]\nuser: .+\ncollection: {user}/[^/]+\n"
                                  "permissions: rw\n"
                                  "[root]\nuser: .+\ncollection:\npermissions: R\n";
        QFile propsFile(calendar + QStringLiteral("/.Radicale.props"));
        QFile rightsFile(m_dir.filePath(QStringLiteral("rights")));
        return QDir().mkpath(calendar) && propsFile.open(QIODevice::WriteOnly) &&
               propsFile.write(props) == props.size() && rightsFile.open(QIODevice::WriteOnly) &&
               rightsFile.write(rights) == rights.size();
    }

    // Up to ten seconds for the server to listen.
    bool waitForPort()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200))
                return true;
            if (m_process.state() != QProcess::Running)
                return false;
            QTest::qWait(50);
        }
        return false;
    }

    // Radicale's calendar "Personal" of alice, made once (MKCALENDAR), as a phone makes one.
    bool prepare()
    {
        if (m_made || m_kind == Kind::Xandikos || m_content != Content::WithCalendar)
            return true;
        QNetworkAccessManager network;
        QNetworkRequest request(calendarUrl());
        request.setRawHeader("Authorization", "Basic " + QByteArray("alice:secret").toBase64());
        request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
        request.setTransferTimeout(10000);
        QNetworkReply *reply = network.sendCustomRequest(
            request, "MKCALENDAR",
            "<?xml version=\"1.0\"?><C:mkcalendar xmlns:D=\"DAV:\" "
            "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:set><D:prop><D:displayname>Personal"
            "</D:displayname><C:supported-calendar-component-set><C:comp name=\"VEVENT\"/>"
            "<C:comp name=\"VTODO\"/></C:supported-calendar-component-set></D:prop></D:set>"
            "</C:mkcalendar>");
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        delete reply;
        m_made = status == 201;
        return m_made;
    }

    const Kind m_kind;
    const Content m_content;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    bool m_started = false;
    QProcess m_process;
    bool m_made = false;
};

Q_DECLARE_METATYPE(DavServer::Kind)
