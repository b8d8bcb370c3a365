#include "book/booklock.h"

#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace book {

namespace {

// For writing where it can be, as NFS emulates flock() with a lock that needs it; for reading
// where the book may only be appended to (chattr +a) or read. O_NONBLOCK: a pipe put in the
// book's place must not hold the writer up; it is refused as no regular file.
int OpenForLock(const char *path, bool create)
{
    constexpr int Flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path, O_RDWR | Flags);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY))
        fd = ::open(path, O_RDONLY | Flags);
    if (fd < 0 && errno == ENOENT && create)
        fd = ::open(path, O_RDWR | O_CREAT | Flags, 0600);
    return fd;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

BookLock::BookLock(const QByteArray &target, bool create, std::chrono::milliseconds wait)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + wait;
    for (;;) {
        const int fd = OpenForLock(target.constData(), create);
        if (fd < 0) {
            m_error = errno;
            m_status = m_error == ENOENT ? Status::Missing : Status::Failed;
            return;
        }
        struct stat locked = {};
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            m_error = locked.st_mode == 0 ? errno : EINVAL; // no regular file
            ::close(fd);
            return;
        }
        // Another writer's turn lasts a few milliseconds: polling at that pace keeps the wait
        // short without a thread or a signal to break a blocking lock off.
        bool held = false;
        while (!(held = ::flock(fd, LOCK_EX | LOCK_NB) == 0) && errno == EWOULDBLOCK &&
               Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (!held) {
            m_error = errno;
            m_status = m_error == EWOULDBLOCK ? Status::InUse : Status::Failed;
            ::close(fd);
            return;
        }
        // Still the book, or replaced while this writer waited: then the new one is locked.
        struct stat now = {};
        if (::stat(target.constData(), &now) == 0 && SameFile(now, locked)) {
            m_fd = fd;
            m_status = Status::Locked;
            return;
        }
        ::close(fd);
        if (Clock::now() >= until) {
            m_error = EWOULDBLOCK;
            m_status = Status::InUse;
            return;
        }
    }
}

BookLock::~BookLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // which lets the lock go
}

} // namespace book
