#include "ical/exchange.h"

#include "book/appointment.h"
#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "book/newlines.h"
#include "ical/calendarexport.h"
#include "ical/calendarimport.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace ical {

namespace {

// "05/12/2026 10:30 Dentist (weekly)": a line as the report names it.
QString Described(const QByteArray &line)
{
    const book::Appointment appointment{book::AppointmentLine(line)};
    return book::DateText(appointment.storedDate()) + u' ' + appointment.displayLine() + u" ("_s +
           book::FrequencyName(appointment.frequency()) + u')';
}

QString Plural(qsizetype count, const QString &one, const QString &many)
{
    return count == 1 ? u"1 "_s + one : QString::number(count) + u' ' + many;
}

} // namespace

int ExportBookTo(const QString &bookPath, const QString &file, QTextStream &out, QTextStream &err)
{
    const std::optional<book::AppointmentLines> lines = book::LoadAppointmentLines(bookPath);
    if (!lines) {
        err << "zentavo: the appointment file could not be read: " << bookPath << Qt::endl;
        return 1;
    }
    const CalendarExport exported = ExportCalendar(*lines, QDateTime::currentDateTimeUtc());
    if (file == u"-"_s) {
        out.flush();
        const bool written =
            std::fwrite(exported.calendar.constData(), 1, size_t(exported.calendar.size()),
                        stdout) == size_t(exported.calendar.size()) &&
            std::fflush(stdout) == 0;
        if (!written) {
            err << "zentavo: could not write to standard output" << Qt::endl;
            return 1;
        }
    } else {
        // A new file whole, or the old one left as it was.
        QSaveFile target(file);
        if (!target.open(QIODevice::WriteOnly) ||
            target.write(exported.calendar) != exported.calendar.size() || !target.commit()) {
            err << "zentavo: " << file << ": " << target.errorString() << Qt::endl;
            return 1;
        }
    }
    err << "zentavo: exported " << Plural(exported.events, u"appointment"_s, u"appointments"_s);
    if (exported.leftOut > 0)
        err << "; left out "
            << (exported.leftOut == 1 ? u"1 line that falls"_s
                                      : u"%1 lines that fall"_s.arg(exported.leftOut))
            << " on no date";
    err << Qt::endl;
    return 0;
}

int ImportFilesInto(const QString &bookPath, const QStringList &files, QDate today,
                    QTextStream &out, QTextStream &err)
{
    book::LineGroups lines;
    QStringList notes;
    QStringList leftOut;
    for (const QString &name : files) {
        const CalendarImport calendar =
            name == u"-"_s ? ReadCalendarFrom(stdin, today) : ReadCalendarFile(name, today);
        if (!calendar.error.isEmpty()) {
            err << "zentavo: " << (name == u"-"_s ? u"standard input"_s : name) << ": "
                << calendar.error << "; nothing was imported" << Qt::endl;
            return 1;
        }
        lines.append(calendar.lines);
        notes += calendar.notes;
        leftOut += calendar.leftOut;
    }
    const book::LinesAdded added = book::AddNewLines(bookPath, lines);
    if (added.status != book::WriteStatus::Written) {
        err << "zentavo: the appointment file could not be written: "
            << (added.status == book::WriteStatus::InUse
                    ? u"it is in use"_s
                    : QString::fromLocal8Bit(std::strerror(added.error)))
            << "; nothing was imported" << Qt::endl;
        return 1;
    }
    for (const QByteArray &line : added.added)
        out << "added: " << Described(line) << '\n';
    for (const QString &note : std::as_const(notes))
        out << "note: " << note << '\n';
    for (const QString &why : std::as_const(leftOut))
        out << "left out: " << why << '\n';
    out << Plural(added.added.size(), u"appointment"_s, u"appointments"_s) << " added, "
        << added.known << " already in the book, " << leftOut.size() << " left out" << Qt::endl;
    return 0;
}

} // namespace ical
