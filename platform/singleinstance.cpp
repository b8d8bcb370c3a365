#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

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
{
    const QByteArray path = QFile::encodeName(lockPathFor(executableDir));
    // Read-only, and made only where it is missing: the lock file another user left in a shared
    // temporary folder still serves (the system refuses to open it with O_CREAT there).
    m_file = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_file < 0 && errno == ENOENT)
        m_file = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    m_acquired = m_file >= 0 && ::flock(m_file, LOCK_EX | LOCK_NB) == 0;
}

SingleInstance::~SingleInstance()
{
    if (m_file >= 0)
        ::close(m_file);
}

} // namespace platform
