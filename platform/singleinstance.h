#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace platform {

// Holds a lock for the life of the process, so that a second start of the same installation
// can tell that one is already running. The lock is named after the executable's folder, so
// two installations do not block each other; a lock left by a crashed process is recognised
// by its dead process id and taken over.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &executableDir);
    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }

    static QString lockPathFor(const QString &executableDir);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

} // namespace platform
