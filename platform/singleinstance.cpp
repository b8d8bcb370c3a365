#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// The lock file, or -1. It is never removed, as removing it would let a second instance lock a
// new file while the first holds the old one. Nothing another user put at its path (a pipe, a
// link) can hold the start up.
int OpenLockFile(const QByteArray &path)
{
    constexpr int Flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    const auto openWith = [&path](int flags) {
        return ::open(path.constData(), flags | Flags, 0644);
    };
    // For writing where it can be: NFS emulates flock() with a lock that needs it. Read-only
    // for the file another user left in a shared temporary folder.
    int fd = openWith(O_RDWR);
    if (fd < 0 && errno == ENOENT) {
        fd = openWith(O_RDWR | O_CREAT | O_EXCL);
        if (fd >= 0)
            ::fchmod(fd, 0644); // whatever the umask, so that other users can lock it too
        else if (errno == EEXIST)
            fd = openWith(O_RDWR); // made by another start meanwhile
    }
    if (fd < 0 && errno == EACCES)
        fd = openWith(O_RDONLY);
    struct stat info = {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

} // namespace

QString SingleInstance::lockPathFor(const QString &executableDir)
{
    // The user's runtime folder rather than the executable's own, which may be read-only.
    // Without a session (XDG_RUNTIME_DIR unset) the temporary folder serves.
    const QString folder = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                               ? QDir::tempPath()
                               : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QByteArray id = QCryptographicHash::hash(
        QFile::encodeName(QDir(executableDir).canonicalPath()), QCryptographicHash::Sha256);
    return folder + u"/zentavo-"_s + QString::fromLatin1(id.toHex().left(16)) + u".lock"_s;
}

SingleInstance::SingleInstance(const QString &executableDir)
    : m_file(OpenLockFile(QFile::encodeName(lockPathFor(executableDir))))
{
    // Only a lock that another process holds means that another instance runs. Where the file
    // cannot be had or locked (another user's, a file system without locks) the program runs
    // without one, rather than never start.
    m_acquired = m_file < 0 || ::flock(m_file, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

SingleInstance::~SingleInstance()
{
    if (m_file >= 0)
        ::close(m_file);
}

} // namespace platform
