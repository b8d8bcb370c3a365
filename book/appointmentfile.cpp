#include "book/appointmentfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace book {

namespace {

constexpr QByteArrayView LineEnd = "\r\n";
constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

// Appointments are private.
constexpr QFileDevice::Permissions NewFilePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool WriteAll(QFileDevice &file, QByteArrayView bytes)
{
    return file.write(bytes.data(), bytes.size()) == bytes.size();
}

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

// QSaveFile gives its temporary file a name of its own (the file's name, a dot and six
// characters) just before it renames it; a process killed in between leaves it behind. Only
// one instance of the program writes here, so any such file is a leftover.
void RemoveLeftTemporaries(const QString &path)
{
    const QFileInfo file(path);
    QDir folder = file.absoluteDir();
    const QRegularExpression temporary(u"^"_s + QRegularExpression::escape(file.fileName()) +
                                       u"\\.[A-Za-z0-9]{6}$"_s);
    for (const QString &name : folder.entryList({file.fileName() + u".??????"_s}, QDir::Files)) {
        if (temporary.match(name).hasMatch())
            folder.remove(name);
    }
}

bool WriteWholeFile(const QString &path, QByteArrayView content)
{
    const bool existed = QFileInfo::exists(path);
    // A file made read-only stays as it is, as it does for an append; renaming a new file
    // over it would get round that. Opening it to append tells, and changes nothing.
    if (existed && !QFile(path).open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QSaveFile file(path);
    // Unbuffered: a write that fails (disk full) must fail here. Buffered, it would only fail
    // in the flush inside commit(), which Qt 6.4 does not report, and the file would be
    // replaced by a truncated one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    // QSaveFile gives the new file the old one's permissions; a new file gets ours.
    if (!existed && !file.setPermissions(NewFilePermissions)) {
        file.cancelWriting();
        return false;
    }
    if (!WriteAll(file, content)) {
        file.cancelWriting();
        return false;
    }
    // commit() flushes the data to disk before it renames.
    if (!file.commit())
        return false;
    SyncFolderOf(path);
    RemoveLeftTemporaries(path);
    return true;
}

} // namespace

std::optional<QList<AppointmentLine>> LoadAppointmentLines(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return QList<AppointmentLine>();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    file.close();

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
    const bool written = WriteAll(file, record) && file.flush() && ::fsync(file.handle()) == 0;
    if (!written) {
        file.resize(oldSize); // a short write (disk full) must not leave half a line
        return false;
    }
    if (!existed)
        SyncFolderOf(path);
    return true;
}

bool RewriteAppointmentFile(const QString &path, const QList<AppointmentLine> &lines)
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
    return WriteWholeFile(path, content);
}

bool ClearAppointmentFile(const QString &path)
{
    return WriteWholeFile(path, {});
}

} // namespace book
