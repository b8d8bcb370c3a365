#pragma once

#include <QByteArray>

#include <chrono>

namespace book {

// The exclusive right to change the book: the system's lock (flock) on the book file itself,
// held from before the book is read until its new content is in place. Every writer of this
// program takes it, whatever its user, session or spelling of the path, as the lock belongs to
// the file and not to a name in a shared folder; any user who may read the book may take it,
// so a book shared with others through its permissions is shared safely too.
//
// A writer that replaces the book by a rename leaves the lock on a file that is no longer the
// book: whoever was waiting then finds that its file is not the book any more and locks the
// new one, so that holding the lock always means holding it on the book as it is now.
class BookLock
{
public:
    enum class Status {
        Locked,
        Missing, // there is no book, and none was to be made
        InUse,   // another writer kept it for longer than the wait
        Failed,  // the book cannot be opened or locked
    };

    // How long a writer waits for another one: long enough for any write of a book that fits in
    // memory, short enough for a person to wait for an answer.
    static constexpr std::chrono::milliseconds DefaultWait{3000};

    // `target` is the file itself, links resolved. With `create`, a missing book is made
    // (owner-only) and locked.
    BookLock(const QByteArray &target, bool create, std::chrono::milliseconds wait = DefaultWait);
    ~BookLock();
    BookLock(const BookLock &) = delete;
    BookLock &operator=(const BookLock &) = delete;

    Status status() const { return m_status; }
    // The book, open for reading (and for writing where it can be), while the lock is held.
    int fd() const { return m_fd; }
    // What went wrong, as errno, for a lock that is not held.
    int error() const { return m_error; }

private:
    int m_fd = -1;
    Status m_status = Status::Failed;
    int m_error = 0;
};

} // namespace book
