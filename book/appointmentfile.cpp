#include "book/appointmentfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace book {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";

// Appointments are private.
constexpr QFileDevice::Permissions NewFilePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// A new or renamed file survives a power cut only once its folder entry is on disk too.
// Best effort: by now the content is in place, and calling that a failure would be untrue.
void SyncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A rewrite is written to a file of a name that only this program makes, hidden and tagged so
// that no person would choose it, and renamed over the data file. A process killed before the
// rename leaves such a file behind; names of exactly that form, and no others, are removed.
// The user's own copies beside the book (ganctl.ngb.bak, ganctl.ngb~, ...) are never touched.
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

// All of the bytes, or false; a write cut short (disk full) goes on until it fails.
bool WriteFd(int fd, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// The whole content of the open file, in one block read with as few calls as its size allows;
// nullopt when it is no regular file, cannot be read, or is too large for a book.
std::optional<QByteArray> ReadRegularFile(int fd)
{
    struct stat info = {};
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

bool WriteAppointmentFile(const QString &path, QByteArrayView content)
{
    // A book kept as a link to a file elsewhere stays a link: the file it points to is
    // rewritten. A link to nowhere is left alone.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty() && QFileInfo(path).isSymLink())
        return false;
    const QFileInfo file(canonical.isEmpty() ? path : canonical);
    const QByteArray target = QFile::encodeName(file.absoluteFilePath());
    struct stat old = {};
    const bool existed = ::stat(target.constData(), &old) == 0;
    if (existed && !S_ISREG(old.st_mode))
        return false;
    // A file made read-only stays as it is, as it does for an append; renaming a new file
    // over it would get round that. Opening it to append tells, and changes nothing.
    if (existed) {
        const int probe = ::open(target.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (probe < 0)
            return false;
        ::close(probe);
    }

    QByteArray temporary = QFile::encodeName(file.absoluteDir().filePath(TemporaryPrefix(file))) +
                           QByteArray(TemporaryRandomLength, 'X');
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // A new file is private; a rewritten one keeps its permissions.
    const mode_t mode = existed ? (old.st_mode & 07777) : mode_t(S_IRUSR | S_IWUSR);
    // The owner and group too, where the system lets us (a shared book keeps its group).
    if (existed && ::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)!::fchown(fd, uid_t(-1), old.st_gid);
    const bool written = ::fchmod(fd, mode) == 0 && WriteFd(fd, content) && ::fdatasync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    SyncFolderOf(file.absoluteFilePath());
    RemoveLeftTemporaries(file);
    return true;
}

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

std::optional<AppointmentLines> MapAppointmentLines(const QString &path)
{
    const std::optional<int> fd = OpenBook(path);
    if (!fd)
        return std::nullopt;
    if (*fd < 0)
        return AppointmentLines();
    struct stat info = {};
    if (::fstat(*fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0 ||
        info.st_size > AppointmentLines::MaxContentSize) {
        ::close(*fd);
        return LoadAppointmentLines(path); // which tells these cases apart
    }
    const auto size = size_t(info.st_size);
    // MAP_POPULATE: the pages are the file cache's, all taken in one call.
    void *const mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, *fd, 0);
    ::close(*fd);
    if (mapped == MAP_FAILED)
        return LoadAppointmentLines(path); // a file system that cannot map
    std::shared_ptr<const void> keeper(
        mapped, [size](const void *p) { ::munmap(const_cast<void *>(p), size); });
    return AppointmentLines(
        QByteArray::fromRawData(static_cast<const char *>(mapped), qsizetype(size)),
        std::move(keeper));
}

namespace {

// Where no new file can be made beside the book, the line is added in place.
bool AppendInPlace(const QString &path, QByteArrayView record)
{
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   NewFilePermissions))
        return false;
    const qint64 oldSize = file.size();
    // One write, so that the record reaches the file whole or not at all (but for a kill).
    const bool written = WriteFd(file.handle(), record) && ::fsync(file.handle()) == 0;
    if (!written) {
        file.resize(oldSize); // a short write (disk full) must not leave half a line
        return false;
    }
    if (!existed)
        SyncFolderOf(path);
    return true;
}

} // namespace

bool AppendAppointmentLines(const QString &path, const QList<QByteArray> &lines)
{
    const std::optional<QByteArray> old = ReadAppointmentFile(path);
    if (!old)
        return false;
    QByteArray record;
    if (!old->isEmpty() && !old->endsWith('\n') && !old->endsWith('\r'))
        record.append(LineEnd);
    for (const QByteArray &line : lines)
        record.append(line).append(LineEnd);
    // Lines written in place can be cut where they cross a page of the file by a kill (or a
    // power cut) in the middle of the write. The file is therefore rewritten whole, its bytes
    // unchanged and the lines after them, and renamed over the book like any rewrite.
    const QFileInfo target(
        QFileInfo(path).canonicalFilePath().isEmpty() ? path : QFileInfo(path).canonicalFilePath());
    if (::faccessat(AT_FDCWD, QFile::encodeName(target.absolutePath()).constData(), W_OK,
                    AT_EACCESS) != 0)
        return AppendInPlace(path, record);
    return WriteAppointmentFile(path, *old + record);
}

bool AppendAppointmentLine(const QString &path, QStringView line)
{
    return AppendAppointmentLines(path, {line.toUtf8()});
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

bool RewriteAppointmentFile(const QString &path, const AppointmentLines &lines)
{
    return WriteAppointmentFile(path, AppointmentFileContent(lines));
}

bool ClearAppointmentFile(const QString &path)
{
    return WriteAppointmentFile(path, {});
}

FileStamp StampOf(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {true,
            status.st_dev,
            status.st_ino,
            status.st_size,
            status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec,
            status.st_ctim.tv_sec,
            status.st_ctim.tv_nsec};
}

} // namespace book
