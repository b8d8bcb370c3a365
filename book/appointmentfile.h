#pragma once

#include "book/appointmentline.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

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

// The same lines, with the file mapped into memory rather than read: quicker for a process
// that reads the book once and ends, as its pages are then the file cache's own. A file cut
// short while the lines live, by another program or by a write in place of this one, raises
// SIGBUS where they are read: a program that keeps the lines or writes the book must load them.
std::optional<AppointmentLines> MapAppointmentLines(const QString &path);

// The file's bytes as they are: empty for a missing file, nullopt when it cannot be read.
// AppointmentLines(bytes) gives the lines that LoadAppointmentLines would.
std::optional<QByteArray> ReadAppointmentFile(const QString &path);

// Adds the line and CR LF at the end of the file, creating it (owner-only) if absent, and
// flushes it to disk. A last line the user left without a line end is ended first, so the
// new line never runs into it. On failure the file is left as it was. Done as a rewrite, so
// that a kill never leaves part of the line; in place where the folder takes no new file.
[[nodiscard]] bool AppendAppointmentLine(const QString &path, QStringView line);
// The same for lines given as the bytes they had in the file, each written back unchanged.
[[nodiscard]] bool AppendAppointmentLines(const QString &path, const QList<QByteArray> &lines);

// Replaces the file with one empty line and then the given lines, each ended by CR LF and
// written back byte for byte. The new content is written to a temporary file beside the old
// one and renamed over it, so the file is always either wholly old or wholly new.
[[nodiscard]] bool RewriteAppointmentFile(const QString &path, const AppointmentLines &lines);

// Leaves an existing file of zero bytes, as atomically as RewriteAppointmentFile.
[[nodiscard]] bool ClearAppointmentFile(const QString &path);

// What RewriteAppointmentFile writes for the lines; with `line` put back before the one at
// `index` (after the last for size()) when index is not negative.
QByteArray AppointmentFileContent(const AppointmentLines &lines, qsizetype index = -1,
                                  QByteArrayView line = {});
// Replaces the file's bytes with `content`, as atomically as RewriteAppointmentFile.
[[nodiscard]] bool WriteAppointmentFile(const QString &path, QByteArrayView content);

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
