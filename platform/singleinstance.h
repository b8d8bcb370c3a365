#pragma once

#include <QString>

namespace platform {

// Holds a lock for the life of the process, so that a second start on the same book can tell
// that one is already running, whatever its session or spelling of the book's path. The lock
// is the system's lock (flock) on a file beside the book, named after it, readable by this user
// only and taken only when it is this user's, so that nobody else can hold it to keep the
// program from starting; it goes with the process however the process ends, so a crashed one
// leaves nothing to clear away. Where the book's folder takes no new file of this user's, the
// lock lies in the user's runtime folder instead, which belongs to this user alone; without
// one, the program runs without it (the book's own lock still keeps its writers taking turns).
class SingleInstance
{
public:
    explicit SingleInstance(const QString &bookPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // False when another instance holds the lock.
    bool acquired() const { return m_acquired; }

    // Beside the book (its target, where it is a link), and in the runtime folder.
    static QString lockPathFor(const QString &bookPath);
    static QString runtimeLockPathFor(const QString &bookPath);

private:
    int m_file = -1;
    bool m_acquired = false;
};

} // namespace platform
