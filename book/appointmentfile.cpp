#include "book/appointmentfile.h"

#include "book/booklock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace book {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

// A new or renamed file survives a power cut only once its folder entry is on disk too.
// Best effort: by now the content is in place, and calling that a failure would be untrue.
void SyncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A rewrite is written to a file of a name that only this program makes, hidden and tagged so
// that no person would choose it, and renamed over the data file. A process killed before the
// rename leaves such a file behind; names of exactly that form, and no others, are removed,
// and only by a writer that holds the book's lock, so that no other writer is still filling
// one. The user's own copies beside the book (ganctl.ngb.bak, ganctl.ngb~, ...) are never
// touched.
constexpr QStringView TemporaryTag = u".zentavo-rewrite.";
constexpr int TemporaryRandomLength = 6;

QString TemporaryPrefix(const QFileInfo &file)
{
    return u'.' + file.fileName() + TemporaryTag.toString();
}

void RemoveLeftTemporaries(const QFileInfo &file)
{
    QDir folder = file.absoluteDir();
    const QString prefix = TemporaryPrefix(file);
    const QRegularExpression temporary(u"^"_s + QRegularExpression::escape(prefix) +
                                       u"[A-Za-z0-9]{"_s + QString::number(TemporaryRandomLength) +
                                       u"}$"_s);
    const QStringList names =
        folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (temporary.match(name).hasMatch())
            folder.remove(name);
    }
}

// How many of the bytes reached the file: all of them, or as many as went before a write
// failed; a write cut short (disk full) goes on until it fails.
qsizetype WriteAll(int fd, QByteArrayView bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(fd, bytes.data() + written, size_t(bytes.size() - written));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        written += done;
    }
    return written;
}

// All of the bytes, or false.
bool WriteFd(int fd, QByteArrayView bytes)
{
    return WriteAll(fd, bytes) == bytes.size();
}

// The whole content of the open file, in one block read with as few calls as its size allows;
// nullopt when it is no regular file, cannot be read, or is too large for a book.
std::optional<QByteArray> ReadRegularFile(int fd)
{
    struct stat info = {};
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return std::nullopt;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > AppointmentLines::MaxContentSize)
        return std::nullopt;
    QByteArray content(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype filled = 0;
    char more[4096]; // what a file that grew since fstat() has beyond that
    for (;;) {
        const bool full = filled == content.size();
        const ssize_t got =
            full ? ::read(fd, more, sizeof more)
                 : ::read(fd, content.data() + filled, size_t(content.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || (full && content.size() + got > AppointmentLines::MaxContentSize))
            return std::nullopt;
        if (got == 0)
            break;
        if (full)
            content.append(more, got);
        filled += got;
    }
    content.truncate(filled);
    return content;
}

// The book opened for reading; -1 for a missing file, an empty book; nullopt when it
// exists but cannot be opened. O_NONBLOCK: a pipe in the book's place must not hold the
// program up; it is refused later with a folder or a device, as a book that cannot be read.
std::optional<int> OpenBook(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0)
        return fd;
    // A link to nowhere (a drive not mounted) is no empty book.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return -1;
    return std::nullopt;
}

} // namespace

std::optional<QByteArray> ReadAppointmentFile(const QString &path)
{
    const std::optional<int> fd = OpenBook(path);
    if (!fd)
        return std::nullopt;
    if (*fd < 0)
        return QByteArray();
    std::optional<QByteArray> content = ReadRegularFile(*fd);
    ::close(*fd);
    return content;
}

std::optional<AppointmentLines> LoadAppointmentLines(const QString &path)
{
    std::optional<QByteArray> content = ReadAppointmentFile(path);
    if (!content)
        return std::nullopt;
    return AppointmentLines(std::move(*content));
}

QByteArray AppointmentFileContent(const AppointmentLines &lines, qsizetype index,
                                  QByteArrayView line)
{
    QByteArray content;
    qsizetype size = LineEnd.size() + (index >= 0 ? line.size() + LineEnd.size() : 0);
    for (AppointmentLine each : lines)
        size += each.bytes().size() + LineEnd.size();
    content.reserve(size);

    // The file starts with an empty line; readers skip it.
    content.append(LineEnd);
    for (qsizetype i = 0; i <= lines.size(); ++i) {
        if (i == index)
            content.append(line).append(LineEnd);
        if (i < lines.size())
            content.append(lines.at(i).bytes()).append(LineEnd);
    }
    return content;
}

// ---- Writing the book ----
//
// Every change runs under the book's lock (BookLock) and goes one of three ways:
// - an append, in place with one write, for Save and for lines brought back at the end;
// - a replacement by a temporary file renamed over the book, where that keeps all that the
//   file was (owner, group, mode, ACL, extended attributes);
// - a write in place where the file must stay the same file: a book with other hard links, one
//   bind-mounted on its own, one whose owner or attributes a new file could not be given. A
//   recovery copy beside it, made and flushed first, lets the next writer finish a write
//   that a kill cut short.

namespace {

// A few times at most, for a book that another program keeps changing.
constexpr int MaxAttempts = 5;

// A stamp taken this close to the book's last change cannot tell a later change of the same
// size, as the file system's clock moves in ticks: of the kernel's timer (10 ms at the most)
// where files have times in nanoseconds, of up to two seconds elsewhere (FAT, network file
// systems, whose clock is the server's).
qint64 StampTrustedAfterNs(int fd)
{
    struct statfs system = {};
    if (::fstatfs(fd, &system) != 0)
        return 2'000'000'000;
    switch (system.f_type) {
    case EXT4_SUPER_MAGIC: // and ext2, ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return 20'000'000;
    default:
        return 2'000'000'000;
    }
}

constexpr QByteArrayView RecoveryMagic = "zentavo recovery 1\n";

enum class Outcome { Done, Collided, Failed };

// The names of one book's files.
struct BookPaths
{
    QByteArray book;     // the file itself: the target where the book is a link
    QByteArray folder;   // the folder it lies in
    QByteArray recovery; // the recovery copy of a write in place
    QFileInfo info;      // of `book`
};

// Nothing for a link to nowhere (a drive not mounted), which is no book to write.
std::optional<BookPaths> PathsOf(const QString &path)
{
    const QFileInfo given(path);
    const QString canonical = given.canonicalFilePath();
    if (canonical.isEmpty() && given.isSymLink())
        return std::nullopt;
    const QFileInfo file(canonical.isEmpty() ? given.absoluteFilePath() : canonical);
    return BookPaths{QFile::encodeName(file.absoluteFilePath()),
                     QFile::encodeName(file.absolutePath()),
                     QFile::encodeName(file.absoluteDir().filePath(u'.' + file.fileName() +
                                                                   u".zentavo-recovery"_s)),
                     file};
}

FileStamp StampOf(const struct stat &status)
{
    return {true,
            status.st_dev,
            status.st_ino,
            status.st_size,
            status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec,
            status.st_ctim.tv_sec,
            status.st_ctim.tv_nsec};
}

qsizetype CommonPrefix(QByteArrayView a, QByteArrayView b)
{
    const auto [ai, bi] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return ai - a.begin();
}

// All of the bytes at `offset`, or false.
bool PwriteFd(int fd, QByteArrayView bytes, off_t offset)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), size_t(bytes.size()), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
        offset += written;
    }
    return true;
}

// The book as a writer read it under the lock.
struct Reading
{
    QByteArray bytes;
    struct stat status = {}; // taken before the bytes, and the same after them
    // False when the book had changed less than a tick of the file system's clock before it
    // was read: a later write of the same size may then keep its stamp, and only its bytes
    // can tell.
    bool stampTells = false;
};

qint64 NanosecondsBetween(const struct timespec &earlier, const struct timespec &later)
{
    return (qint64(later.tv_sec) - earlier.tv_sec) * 1'000'000'000 +
           (later.tv_nsec - earlier.tv_nsec);
}

// Nothing, with `changed` set, when another program wrote the book while it was read.
std::optional<Reading> ReadLocked(int lockFd, bool &changed)
{
    Reading read;
    struct timespec now = {};
    struct stat after = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (::fstat(lockFd, &read.status) != 0)
        return std::nullopt;
    std::optional<QByteArray> bytes = ReadRegularFile(lockFd);
    if (!bytes || ::fstat(lockFd, &after) != 0)
        return std::nullopt;
    changed = StampOf(after) != StampOf(read.status);
    if (changed)
        return std::nullopt;
    read.bytes = std::move(*bytes);
    read.stampTells = NanosecondsBetween(read.status.st_mtim, now) > StampTrustedAfterNs(lockFd) &&
                      NanosecondsBetween(read.status.st_ctim, now) > StampTrustedAfterNs(lockFd);
    return read;
}

// Whether the book is still what the lock's file was when it was read. The stamp tells a
// rename, a change of size and any write after the next tick of the file system's clock; the
// bytes are compared where it cannot tell.
bool StillAsRead(const BookPaths &paths, int lockFd, const Reading &read)
{
    struct stat now = {};
    if (::stat(paths.book.constData(), &now) != 0 || StampOf(now) != StampOf(read.status))
        return false;
    if (read.stampTells)
        return true;
    const std::optional<QByteArray> again = ReadRegularFile(lockFd);
    return again && *again == read.bytes;
}

// The owner, group, mode and extended attributes (a POSIX ACL is one) of the book given to the
// new file `to`, exactly; false where the system does not let this writer, and the book must
// then be written in place.
bool TakeOverMetadata(int from, int to, const struct stat &book)
{
    // The owner first, as a change of owner drops the set-id bits; the mode last, as setting an
    // ACL sets the group bits; then a check, as a system may drop a bit without a word.
    if (::fchown(to, book.st_uid, book.st_gid) != 0)
        return false;
    const auto names = [](int fd) -> std::optional<QList<QByteArray>> {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional(QList<QByteArray>()) : std::nullopt;
        QByteArray list(size, Qt::Uninitialized);
        const ssize_t got = ::flistxattr(fd, list.data(), size_t(size));
        if (got < 0)
            return std::nullopt; // grew meanwhile: rare enough to write in place
        list.truncate(got);
        list.chop(list.endsWith('\0') ? 1 : 0);
        return list.isEmpty() ? QList<QByteArray>() : list.split('\0');
    };
    const std::optional<QList<QByteArray>> wanted = names(from);
    const std::optional<QList<QByteArray>> inherited = names(to); // a folder's default ACL
    if (!wanted || !inherited)
        return false;
    for (const QByteArray &name : *inherited) {
        if (!wanted->contains(name) && ::fremovexattr(to, name.constData()) != 0)
            return false;
    }
    for (const QByteArray &name : *wanted) {
        const ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
        QByteArray value(qMax<ssize_t>(size, 0), Qt::Uninitialized);
        if (size < 0 || ::fgetxattr(from, name.constData(), value.data(), size_t(size)) != size ||
            ::fsetxattr(to, name.constData(), value.constData(), size_t(size), 0) != 0)
            return false;
    }
    struct stat made = {};
    return ::fchmod(to, book.st_mode & 07777) == 0 && ::fstat(to, &made) == 0 &&
           made.st_uid == book.st_uid && made.st_gid == book.st_gid &&
           (made.st_mode & 07777) == (book.st_mode & 07777);
}

// A new file in the book's folder, of the temporaries' names, holding `content` on the disk;
// -1 when none can be made. The caller renames or removes it.
int WriteTemporary(const BookPaths &paths, QByteArray &name, QByteArrayView content,
                   const std::function<bool(int)> &prepare = {})
{
    name = QFile::encodeName(paths.info.absoluteDir().filePath(TemporaryPrefix(paths.info))) +
           QByteArray(TemporaryRandomLength, 'X');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    const bool written = (!prepare || prepare(fd)) && WriteFd(fd, content) && ::fdatasync(fd) == 0;
    if (!written) {
        ::close(fd);
        ::unlink(name.constData());
        return -1;
    }
    return fd;
}

// The recovery copy of a write in place: the book's inode, where the write starts, and the
// bytes from there before and after. Made whole under a temporary name and renamed, so that one
// that exists is whole.
bool WriteRecovery(const BookPaths &paths, quint64 inode, qsizetype offset, QByteArrayView before,
                   QByteArrayView after)
{
    QByteArray record = RecoveryMagic.toByteArray();
    record += QByteArray::number(inode) + ' ' + QByteArray::number(offset) + ' ' +
              QByteArray::number(before.size()) + ' ' + QByteArray::number(after.size()) + '\n';
    record += before;
    record += after;
    QByteArray name;
    const int fd = WriteTemporary(paths, name, record);
    if (fd < 0)
        return false;
    ::close(fd);
    if (::rename(name.constData(), paths.recovery.constData()) != 0) {
        ::unlink(name.constData());
        return false;
    }
    SyncFolder(paths.folder);
    return true;
}

void DropRecovery(const BookPaths &paths)
{
    if (::unlink(paths.recovery.constData()) == 0)
        SyncFolder(paths.folder);
}

// Finishes the write in place that a recovery copy describes, if the book shows that it was
// cut short: each of its bytes from the offset is then the new one or the old one (a kill
// leaves the new ones up to some point, a power cut any of its pages). A book that is the
// old one or the new one, that was changed otherwise since, or that is another file now is
// left as it is. Under the lock.
void Recover(const BookPaths &paths, int lockFd)
{
    const int fd = ::open(paths.recovery.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    const std::optional<QByteArray> record = ReadRegularFile(fd);
    ::close(fd);
    const qsizetype head = record ? record->indexOf('\n', RecoveryMagic.size()) : -1;
    const QList<QByteArray> numbers =
        head < 0 ? QList<QByteArray>()
                 : record->sliced(RecoveryMagic.size(), head - RecoveryMagic.size()).split(' ');
    bool valid = record && record->startsWith(RecoveryMagic) && numbers.size() == 4;
    const quint64 inode = valid ? numbers[0].toULongLong(&valid) : 0;
    const qsizetype offset = valid ? numbers[1].toLongLong(&valid) : 0;
    const qsizetype beforeSize = valid ? numbers[2].toLongLong(&valid) : 0;
    const qsizetype afterSize = valid ? numbers[3].toLongLong(&valid) : 0;
    struct stat book = {};
    valid = valid && offset >= 0 && beforeSize >= 0 && afterSize >= 0 &&
            record->size() == head + 1 + beforeSize + afterSize && ::fstat(lockFd, &book) == 0 &&
            book.st_ino == inode;
    const std::optional<QByteArray> content = valid ? ReadRegularFile(lockFd) : std::nullopt;
    if (content && content->size() >= offset) {
        const QByteArrayView before = QByteArrayView(*record).sliced(head + 1, beforeSize);
        const QByteArrayView after = QByteArrayView(*record).sliced(head + 1 + beforeSize);
        const QByteArrayView tail = QByteArrayView(*content).sliced(offset);
        bool cutShort =
            tail != after && tail != before && tail.size() <= qMax(before.size(), after.size());
        for (qsizetype i = 0; cutShort && i < tail.size(); ++i)
            cutShort = (i < after.size() && tail[i] == after[i]) ||
                       (i < before.size() && tail[i] == before[i]);
        bool finished = !cutShort;
        if (cutShort && before.isEmpty()) {
            // An append: the rest of it, through the end, where the book takes only appends.
            const int write = ::open(paths.book.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
            finished =
                write >= 0 && WriteFd(write, after.sliced(tail.size())) && ::fdatasync(write) == 0;
            if (write >= 0)
                ::close(write);
        } else if (cutShort) {
            const int write = ::open(paths.book.constData(), O_WRONLY | O_CLOEXEC);
            finished = write >= 0 && PwriteFd(write, after, offset) &&
                       ::ftruncate(write, offset + after.size()) == 0 && ::fdatasync(write) == 0;
            if (write >= 0)
                ::close(write);
        }
        if (!finished)
            return; // kept for the next writer to try again
    }
    DropRecovery(paths);
}

// What every writer does first, under the lock: mends what a killed writer left.
void Prepare(const BookPaths &paths, int lockFd)
{
    Recover(paths, lockFd);
    RemoveLeftTemporaries(paths.info);
}

// Adds `lines` at the book's end in one write, then flushes them. A kill cuts a write only
// where it crosses a page of the file, so such a write has a recovery copy first.
Outcome AppendLocked(const BookPaths &paths, int lockFd, QByteArrayView lines)
{
    const int fd = ::open(paths.book.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    struct stat locked = {}, opened = {};
    if (fd < 0 || ::fstat(lockFd, &locked) != 0 || ::fstat(fd, &opened) != 0 ||
        opened.st_ino != locked.st_ino || opened.st_dev != locked.st_dev) {
        if (fd >= 0)
            ::close(fd);
        return fd < 0 ? Outcome::Failed : Outcome::Collided;
    }
    const off_t size = opened.st_size;
    char last = '\n';
    if (size > 0 && ::pread(lockFd, &last, 1, size - 1) != 1)
        last = 0;
    QByteArray record;
    if (last != '\n' && last != '\r')
        record.append(LineEnd);
    record.append(lines);
    // The room first, where the file system can tell: a full disk then refuses the line
    // before any of it is written.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, size, record.size()) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        ::close(fd);
        return Outcome::Failed;
    }
    const off_t page = ::sysconf(_SC_PAGESIZE);
    const bool crossesPage = page > 0 && size / page != (size + record.size() - 1) / page;
    // Best effort: where the folder takes no new file, the line is added as any program adds one.
    const bool recoverable = crossesPage && WriteRecovery(paths, opened.st_ino, size, {}, record);
    const qsizetype written = WriteAll(fd, record);
    const bool flushed = written == record.size() && ::fsync(fd) == 0;
    if (!flushed && written > 0) {
        // A short write (disk full) must not leave half a line: cut back to where it began,
        // unless another program has added to the book since.
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        struct stat now = {};
        if (end >= written && ::fstat(fd, &now) == 0 && now.st_size == end)
            (void)!::ftruncate(fd, end - written);
    }
    ::close(fd);
    if (recoverable)
        DropRecovery(paths);
    if (flushed && size == 0)
        SyncFolder(paths.folder); // the book may be new
    return flushed ? Outcome::Done : Outcome::Failed;
}

// The new content written over the old in place, from the first byte that differs.
Outcome ReplaceInPlace(const BookPaths &paths, int lockFd, const Reading &read,
                       const QByteArray &after)
{
    const QByteArray &before = read.bytes;
    const qsizetype offset = CommonPrefix(before, after);
    if (!WriteRecovery(paths, read.status.st_ino, offset, QByteArrayView(before).sliced(offset),
                       QByteArrayView(after).sliced(offset)))
        return Outcome::Failed;
    const int fd = ::open(paths.book.constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat opened = {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_ino != read.status.st_ino ||
        !StillAsRead(paths, lockFd, read)) {
        if (fd >= 0)
            ::close(fd);
        DropRecovery(paths);
        return fd < 0 ? Outcome::Failed : Outcome::Collided;
    }
    const auto put = [&](const QByteArray &content) {
        return PwriteFd(fd, QByteArrayView(content).sliced(offset), offset) &&
               ::ftruncate(fd, content.size()) == 0 && ::fdatasync(fd) == 0;
    };
    const bool written = put(after);
    // A disk that fills up midway: the old bytes go back over the blocks they had.
    const bool restored = written || put(before);
    // A write drops the set-id bits, which the file keeps.
    if (read.status.st_mode & (S_ISUID | S_ISGID))
        (void)!::fchmod(fd, read.status.st_mode & 07777);
    ::close(fd);
    if (restored)
        DropRecovery(paths); // else the recovery copy finishes it later
    return written ? Outcome::Done : Outcome::Failed;
}

// The new content in a temporary file renamed over the book; nothing when that would lose what
// the file is, and the book must be written in place.
std::optional<Outcome> ReplaceByRename(const BookPaths &paths, int lockFd, const Reading &read,
                                       const QByteArray &after)
{
    bool keepsAll = true;
    QByteArray temporary;
    const int fd = WriteTemporary(paths, temporary, after, [&](int fd) {
        keepsAll = TakeOverMetadata(lockFd, fd, read.status);
        return keepsAll;
    });
    if (fd < 0)
        return keepsAll ? std::optional(Outcome::Failed) : std::nullopt;
    ::close(fd);
    // Between this check and the rename lies one system call: a program that takes no lock and
    // writes in that microsecond can still lose its write, and nothing on a POSIX system can
    // close that gap but the lock it does not take.
    if (!StillAsRead(paths, lockFd, read)) {
        ::unlink(temporary.constData());
        return Outcome::Collided;
    }
    if (::rename(temporary.constData(), paths.book.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        // A book bind-mounted on its own cannot be replaced, only written.
        if (error == EBUSY || error == EXDEV)
            return std::nullopt;
        return Outcome::Failed;
    }
    SyncFolder(paths.folder);
    return Outcome::Done;
}

Outcome ReplaceLocked(const BookPaths &paths, int lockFd, const Reading &read,
                      const QByteArray &after)
{
    // A book made read-only stays as it is, as it does for an append; a rename would get round
    // that. Opening it to append tells, and changes nothing.
    const int probe = ::open(paths.book.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (probe < 0)
        return Outcome::Failed;
    ::close(probe);
    if (read.status.st_nlink <= 1) {
        if (const std::optional<Outcome> renamed = ReplaceByRename(paths, lockFd, read, after))
            return *renamed;
    }
    return ReplaceInPlace(paths, lockFd, read, after);
}

// Why a change failed, as errno, for the caller that asks; taken where the failure is known.
auto FailureTo(int *error)
{
    return [error](int why, WriteStatus status = WriteStatus::Failed) {
        if (error)
            *error = why;
        return status;
    };
}

// What is left of one wait for a whole change, however many times it is tried.
std::chrono::milliseconds WaitLeft(std::chrono::steady_clock::time_point until)
{
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now()));
}

WriteStatus StatusOf(BookLock::Status status)
{
    return status == BookLock::Status::InUse ? WriteStatus::InUse : WriteStatus::Failed;
}

} // namespace

WriteStatus ChangeAppointmentFile(const QString &path, const BookEdit &edit, int *error)
{
    const auto failed = FailureTo(error);
    const std::optional<BookPaths> paths = PathsOf(path);
    if (!paths)
        return failed(ENOENT); // a link to nowhere
    const auto until = std::chrono::steady_clock::now() + BookLock::DefaultWait;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        std::optional<BookLock> lock;
        lock.emplace(paths->book, false, WaitLeft(until));
        if (lock->status() == BookLock::Status::Missing) {
            if (edit({}).kind == BookChange::Kind::Keep)
                return WriteStatus::Written;
            lock.reset();
            lock.emplace(paths->book, true, WaitLeft(until));
        }
        if (lock->status() != BookLock::Status::Locked)
            return failed(lock->error(), StatusOf(lock->status()));
        Prepare(*paths, lock->fd());
        bool changed = false;
        const std::optional<Reading> read = ReadLocked(lock->fd(), changed);
        if (!read && !changed)
            return failed(errno);
        if (!read)
            continue;
        const BookChange change = edit(read->bytes);
        Outcome outcome = Outcome::Done;
        if (change.kind == BookChange::Kind::Append)
            outcome = AppendLocked(*paths, lock->fd(), change.bytes);
        else if (change.kind == BookChange::Kind::Replace && change.bytes != read->bytes)
            outcome = ReplaceLocked(*paths, lock->fd(), *read, change.bytes);
        if (outcome != Outcome::Collided)
            return outcome == Outcome::Done ? WriteStatus::Written : failed(errno);
    }
    return failed(EWOULDBLOCK, WriteStatus::InUse);
}

WriteStatus AppendAppointmentLines(const QString &path, const QList<QByteArray> &lines, int *error)
{
    const auto failed = FailureTo(error);
    QByteArray record;
    for (const QByteArray &line : lines)
        record.append(line).append(LineEnd);
    const std::optional<BookPaths> paths = PathsOf(path);
    if (!paths)
        return failed(ENOENT); // a link to nowhere
    const auto until = std::chrono::steady_clock::now() + BookLock::DefaultWait;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const BookLock lock(paths->book, true, WaitLeft(until));
        if (lock.status() != BookLock::Status::Locked)
            return failed(lock.error(), StatusOf(lock.status()));
        Prepare(*paths, lock.fd());
        const Outcome outcome = AppendLocked(*paths, lock.fd(), record);
        if (outcome != Outcome::Collided)
            return outcome == Outcome::Done ? WriteStatus::Written : failed(errno);
    }
    return failed(EWOULDBLOCK, WriteStatus::InUse);
}

WriteStatus AppendAppointmentLine(const QString &path, QStringView line, int *error)
{
    return AppendAppointmentLines(path, {line.toUtf8()}, error);
}

WriteStatus WriteAppointmentFile(const QString &path, QByteArrayView content)
{
    const QByteArray bytes = content.toByteArray();
    return ChangeAppointmentFile(path, [&bytes](const QByteArray &) {
        return BookChange{BookChange::Kind::Replace, bytes};
    });
}

WriteStatus RewriteAppointmentFile(const QString &path, const AppointmentLines &lines)
{
    return WriteAppointmentFile(path, AppointmentFileContent(lines));
}

WriteStatus ClearAppointmentFile(const QString &path)
{
    return WriteAppointmentFile(path, {});
}

void RecoverAppointmentFile(const QString &path)
{
    const std::optional<BookPaths> paths = PathsOf(path);
    if (!paths)
        return;
    const BookLock lock(paths->book, false);
    if (lock.status() == BookLock::Status::Locked)
        Prepare(*paths, lock.fd());
}

FileStamp StampOf(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return StampOf(status);
}

} // namespace book
