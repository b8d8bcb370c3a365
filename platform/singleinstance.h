#pragma once

#include <QString>

namespace platform {

// Holds a lock for the life of the process, so that a second start of the same installation
// can tell that one is already running. The lock is named after the executable's folder, so
// two installations do not block each other. It is the system's lock on an open file (flock),
// which goes with the process however the process ends: a crashed one leaves nothing to clear
// away, and taking the lock writes nothing to the disk.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &executableDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }

    static QString lockPathFor(const QString &executableDir);

private:
    int m_file = -1;
    bool m_acquired = false;
};

} // namespace platform
