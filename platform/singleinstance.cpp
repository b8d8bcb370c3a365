#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

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
    : m_lock(std::make_unique<QLockFile>(lockPathFor(executableDir)))
{
    // Never stale by age (the lock is held as long as the program runs), only when the process
    // that holds it is gone.
    m_lock->setStaleLockTime(0);
    m_acquired = m_lock->tryLock(0);
}

} // namespace platform
