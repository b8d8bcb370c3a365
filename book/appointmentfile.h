#pragma once

#include "book/appointmentlines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace book {

// The data file, `ganctl.ngb` beside the executable: one appointment per line, each line
// ended by CR LF. Every operation opens the file, does its work and closes it again, so the
// user may edit the file by hand while the program runs.

inline constexpr QStringView DataFileName = u"ganctl.ngb";

// Every non-empty line of the file in file order, without line ends (see AppointmentLines).
// A missing file reads as no lines and is not created. nullopt when the file exists but
// cannot be read (or is larger than AppointmentLines::MaxContentSize): the caller must then
// not write anything back in its place.
std::optional<AppointmentLines> LoadAppointmentLines(const QString &path);

// The file's bytes as they are: empty for a missing file, nullopt when it cannot be read.
// AppointmentLines(bytes) gives the lines that LoadAppointmentLines would.
std::optional<QByteArray> ReadAppointmentFile(const QString &path);

// How a change of the book ended.
enum class WriteStatus {
    Written, // done, or nothing was to be done
    InUse,   // another writer held the book, or kept changing it, for longer than a person waits
    Failed,  // the book could not be read or written
};
// Whatever the status, a kill at any moment leaves the book's old content or its new one,
// never a mix and never less; a change that fails leaves it as it was.

// What a change makes of the book, given its bytes as they are at the moment of the change.
struct BookChange
{
    enum class Kind { Keep, Replace, Append };
    Kind kind = Kind::Keep;
    // Replace: the book's new content. Append: lines to add after its bytes, each with its line
    // end; a last line that the user left without one is ended first.
    QByteArray bytes;
};
// Called with the book's bytes (empty for a missing book), perhaps more than once: when
// another program changes the book while the change is being written, the change is made
// again on what the book then holds.
using BookEdit = std::function<BookChange(const QByteArray &now)>;

// Every change of the book goes through here. It holds the book's lock (BookLock) from the
// read to the end of the write, so that writers of this program take turns, and right before
// the new content takes the book's place it checks that the book is still what was read, so
// that a program that takes no lock loses nothing either. The book stays the file it was:
// its owner, group, mode, ACL and extended attributes, its other hard links and a link that
// names it. A missing book is made (owner-only) by any change but Keep, even one that leaves it
// empty, as emptying the book makes it.
// `error`, where given, tells why a change failed, as errno (EWOULDBLOCK for InUse).
[[nodiscard]] WriteStatus ChangeAppointmentFile(const QString &path, const BookEdit &edit,
                                                int *error = nullptr);

// Adds the lines, each with CR LF, at the end of the file, in place and in one write, and
// flushes them to disk; the book's content is not read, so the cost does not grow with it.
[[nodiscard]] WriteStatus
AppendAppointmentLines(const QString &path, const QList<QByteArray> &lines, int *error = nullptr);
[[nodiscard]] WriteStatus AppendAppointmentLine(const QString &path, QStringView line,
                                                int *error = nullptr);

// Replaces the file with one empty line and then the given lines, each ended by CR LF and
// written back byte for byte.
[[nodiscard]] WriteStatus RewriteAppointmentFile(const QString &path,
                                                 const AppointmentLines &lines);

// Leaves an existing file of zero bytes.
[[nodiscard]] WriteStatus ClearAppointmentFile(const QString &path);

// What RewriteAppointmentFile writes for the lines; with `line` put back before the one at
// `index` (after the last for size()) when index is not negative.
QByteArray AppointmentFileContent(const AppointmentLines &lines, qsizetype index = -1,
                                  QByteArrayView line = {});
// Replaces the file's bytes with `content`.
[[nodiscard]] WriteStatus WriteAppointmentFile(const QString &path, QByteArrayView content);

// What a writer killed in the middle left: a write in place is finished from its recovery
// copy, and its temporary files go. Every change does this first; start-up does it too, so
// that nothing is left lying beside the book.
void RecoverAppointmentFile(const QString &path);

// Tells one state of the file from another without reading it: a write in place changes its
// size or times, a save by rename its inode.
struct FileStamp
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0;
    qint64 modifiedNs = 0;
    qint64 changed = 0;
    qint64 changedNs = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};
FileStamp StampOf(const QString &path);

} // namespace book
