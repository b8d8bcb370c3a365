#include "book/appointmentfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace book {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";
constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

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
    // A missing file is an empty book; a link to nowhere (a drive not mounted), a folder or a
    // pipe in its place is a book that cannot be read.
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QByteArray();
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

std::optional<QList<AppointmentLine>> LoadAppointmentLines(const QString &path)
{
    std::optional<QByteArray> content = ReadAppointmentFile(path);
    if (!content)
        return std::nullopt;
    return SplitAppointmentLines(*content);
}

QList<AppointmentLine> SplitAppointmentLines(const QByteArray &content)
{
    const char *const begin = content.constData();
    const char *const end = begin + content.size();
    const char *lineStart = content.startsWith(Utf8Bom) ? begin + Utf8Bom.size() : begin;

    // memchr finds line ends far faster than a loop over every byte. Each search reaches past
    // the line it serves only when that kind of line end is missing there, and its answer is
    // kept until passed, so a file that uses only one kind is still read in one pass.
    const auto next = [end](const char *from, char lineEnd) {
        const void *found = std::memchr(from, lineEnd, size_t(end - from));
        return found ? static_cast<const char *>(found) : end;
    };
    const char *nextLf = next(lineStart, '\n');
    const char *nextCr = next(lineStart, '\r');

    QList<AppointmentLine> lines;
    lines.reserve(std::count(lineStart, end, '\n') + 1);
    while (lineStart < end) {
        if (nextLf < lineStart)
            nextLf = next(lineStart, '\n');
        if (nextCr < lineStart)
            nextCr = next(lineStart, '\r');
        const char *lineEnd = std::min(nextLf, nextCr);
        if (lineEnd != lineStart) // CR LF leaves an empty line between them, which is skipped
            lines.emplace_back(content, lineStart - begin, lineEnd - lineStart);
        if (lineEnd == end)
            break;
        lineStart = lineEnd + 1;
    }
    return lines;
}

bool AppendAppointmentLine(const QString &path, QStringView line)
{
    const bool existed = QFileInfo::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered,
                   NewFilePermissions))
        return false;

    const qint64 oldSize = file.size();
    QByteArray record;
    if (oldSize > 0) {
        char last = 0;
        if (!file.seek(oldSize - 1) || !file.getChar(&last))
            return false;
        if (last != '\n' && last != '\r')
            record.append(LineEnd);
    }
    record.append(line.toUtf8()).append(LineEnd);

    // One write, so that the line reaches the file whole or not at all.
    const bool written = WriteFd(file.handle(), record) && ::fsync(file.handle()) == 0;
    if (!written) {
        file.resize(oldSize); // a short write (disk full) must not leave half a line
        return false;
    }
    if (!existed)
        SyncFolderOf(path);
    return true;
}

QByteArray AppointmentFileContent(const QList<AppointmentLine> &lines)
{
    QByteArray content;
    qsizetype size = LineEnd.size();
    for (const AppointmentLine &line : lines)
        size += line.bytes().size() + LineEnd.size();
    content.reserve(size);

    // The file starts with an empty line; readers skip it.
    content.append(LineEnd);
    for (const AppointmentLine &line : lines)
        content.append(line.bytes()).append(LineEnd);
    return content;
}

bool RewriteAppointmentFile(const QString &path, const QList<AppointmentLine> &lines)
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
