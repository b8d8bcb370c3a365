#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace platform {

// How a second start of the program on the same book reaches the first: it hands over the
// files it was given to open (calendars to import) and ends, and the running window comes to
// the front. A local socket in the user's runtime folder, named after the book; the first
// instance listens on it while it holds the instance lock, so no one else can.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    // Listens for later starts on the book; call only while holding its instance lock.
    explicit InstanceChannel(const QString &bookPath, QObject *parent = nullptr);

    // From a second start: hands the files (empty: only "come to the front") to the instance
    // that runs on the book. False when none answered within a second or two.
    static bool tellRunning(const QString &bookPath, const QStringList &files);

signals:
    // A later start asked for the window, with these files to open (absolute paths). The
    // receiver reads them at once, and puts off anything that runs an event loop (a question),
    // so that the socket that brought them is not deleted under its signal.
    void opened(const QStringList &files);

private:
    static QString socketNameFor(const QString &bookPath);
    void accept();

    QLocalServer *m_server;
};

} // namespace platform
