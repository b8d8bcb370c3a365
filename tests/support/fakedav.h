#pragma once

// A web server on loopback that answers every request with the same raw HTTP answer, or
// never answers at all: for the faults that no real CalDAV server can be made to give
// (garbage for a multistatus, an answer that never comes, a full disk).

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

class FakeDav
{
public:
    FakeDav()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    // What every request gets from now on; nothing (the default) leaves it unanswered.
    void setAnswer(const QByteArray &raw) { m_answer = raw; }
    // An answer of that status with that body, the connection closed after it.
    static QByteArray Answer(int status, const QByteArray &reason, const QByteArray &type = {},
                             const QByteArray &body = {}, const QByteArray &headers = {})
    {
        QByteArray raw = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
        if (!type.isEmpty())
            raw += "Content-Type: " + type + "\r\n";
        return raw + headers + "Content-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

    QUrl url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()));
    }
    // The requests read so far, each up to the end of its body.
    const QList<QByteArray> &requests() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        auto received = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype end = received->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            qsizetype length = 0;
            for (const QByteArray &line : received->left(end).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    length = line.mid(15).trimmed().toLongLong();
            }
            if (received->size() < end + 4 + length)
                return;
            m_requests.append(received->left(end + 4 + length));
            received->remove(0, end + 4 + length);
            if (m_answer.isEmpty())
                return;
            socket->write(m_answer);
            socket->disconnectFromHost();
        });
    }

    QTcpServer m_server;
    QByteArray m_answer;
    QList<QByteArray> m_requests;
};
