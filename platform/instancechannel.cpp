#include "platform/instancechannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

constexpr int WaitMs = 2000;

} // namespace

QString InstanceChannel::socketNameFor(const QString &bookPath)
{
    // Every spelling of the book's path, and a link to it, names the same socket.
    const QFileInfo book(bookPath);
    const QString target =
        book.canonicalFilePath().isEmpty() ? book.absoluteFilePath() : book.canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash(target.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    const QString name = u"zentavo-"_s + QString::fromLatin1(digest) + u".socket"_s;
    // The runtime folder is this user's alone; without one, Qt's place for sockets, which it
    // makes readable to this user only.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? QDir(runtime).filePath(name) : name;
}

InstanceChannel::InstanceChannel(const QString &bookPath, QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    const QString name = socketNameFor(bookPath);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by an instance that crashed; the instance lock says none runs.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        qWarning("zentavo: a second start cannot reach this window: %s",
                 qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::accept);
}

void InstanceChannel::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The message is the files, one a line, percent-encoded, ended by an empty line.
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray received = socket->peek(socket->bytesAvailable());
            if (!received.endsWith("\n\n") && received != "\n")
                return;
            socket->readAll();
            QStringList files;
            for (const QByteArray &line : received.split('\n')) {
                if (!line.isEmpty())
                    files.append(QString::fromUtf8(QByteArray::fromPercentEncoding(line)));
            }
            // The files are read before the answer, so that the program that asked may remove
            // them once it has it.
            emit opened(files);
            socket->write("ok\n");
            socket->disconnectFromServer();
        });
    }
}

bool InstanceChannel::tellRunning(const QString &bookPath, const QStringList &files)
{
    QLocalSocket socket;
    socket.connectToServer(socketNameFor(bookPath));
    if (!socket.waitForConnected(WaitMs))
        return false;
    QByteArray message;
    for (const QString &file : files)
        message += QFileInfo(file).absoluteFilePath().toUtf8().toPercentEncoding("/") + '\n';
    socket.write(message + '\n');
    return socket.waitForBytesWritten(WaitMs) && socket.waitForReadyRead(WaitMs) &&
           socket.readAll().startsWith("ok");
}

} // namespace platform
