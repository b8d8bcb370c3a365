#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// The book as one name, however it is reached: its target where it is a link, or where it
// does not exist yet, its folder's real path.
QFileInfo RealBook(const QString &bookPath)
{
    const QFileInfo book(bookPath);
    const QString target = book.canonicalFilePath();
    if (!target.isEmpty())
        return QFileInfo(target);
    const QString folder = QFileInfo(book.absolutePath()).canonicalFilePath();
    return QFileInfo(
        QDir(folder.isEmpty() ? book.absolutePath() : folder).filePath(book.fileName()));
}

// The lock file, or -1. It is never removed, as removing it would let a second instance lock a
// new file while the first holds the old one. Only a file of this user's counts: nothing that
// another user put at its path (a file of theirs in a shared folder, a pipe, a link) can hold
// the start up.
int OpenLockFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat info = {};
    if (fd >= 0 &&
        (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString SingleInstance::lockPathFor(const QString &bookPath)
{
    const QFileInfo book = RealBook(bookPath);
    return book.absoluteDir().filePath(u'.' + book.fileName() + u".zentavo-lock"_s);
}

QString SingleInstance::runtimeLockPathFor(const QString &bookPath)
{
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return {};
    const QByteArray id = QCryptographicHash::hash(
        QFile::encodeName(RealBook(bookPath).absoluteFilePath()), QCryptographicHash::Sha256);
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u"/zentavo-"_s +
           QString::fromLatin1(id.toHex().left(16)) + u".lock"_s;
}

SingleInstance::SingleInstance(const QString &bookPath)
{
    // Beside the book, unless the folder takes no new file or the file there is not this
    // user's (a book shared by another user, who then runs as a session of its own).
    m_file = OpenLockFile(lockPathFor(bookPath));
    if (m_file < 0) {
        if (const QString runtime = runtimeLockPathFor(bookPath); !runtime.isEmpty())
            m_file = OpenLockFile(runtime);
    }
    // Only a lock that another process holds means that another instance runs. Where no file
    // can be had or locked (a file system without locks) the program runs without one, rather
    // than never start.
    m_acquired = m_file < 0 || ::flock(m_file, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

SingleInstance::~SingleInstance()
{
    if (m_file >= 0)
        ::close(m_file);
}

} // namespace platform
