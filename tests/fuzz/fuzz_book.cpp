// Arbitrary bytes as a data file, and a date taken from the first two bytes: reading,
// building an agenda and rewriting must hold their promises for every input.
#include "book/appointment.h"
#include "book/appointmentfile.h"
#include "book/dayagenda.h"
#include "fuzz/oracle.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <cstdint>

namespace {

// The non-empty lines of the bytes, cut at every CR and LF, after a leading byte-order mark.
QList<QByteArray> Lines(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QList<QByteArray> lines = bytes.replace('\n', '\r').split('\r');
    lines.removeAll(QByteArray());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QDate date = QDate(2020, 1, 1).addDays((data[0] << 8 | data[1]) % 7300);
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 2, qsizetype(size) - 2);
    // In memory: the rewrite flushes to disk, which on a disk would be most of the time.
    static const QTemporaryDir folder(QStringLiteral("/dev/shm/zentavo-fuzz-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("ganctl.ngb"));
    QFile file(path);
    REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
            file.write(bytes) == bytes.size());
    file.close();

    // Every non-empty line, unchanged.
    const std::optional<book::AppointmentLines> read = book::LoadAppointmentLines(path);
    REQUIRE(read.has_value());
    QList<QByteArray> lines;
    for (book::AppointmentLine line : *read) {
        lines.append(line.bytes().toByteArray());
        // Qt's own reading where the bytes are UTF-8, a character a byte where they are not.
        REQUIRE(line.bytes().isValidUtf8()
                    ? line.text() == QStringDecoder(QStringDecoder::Utf8,
                                                    QStringDecoder::Flag::ConvertInitialBom)
                                         .decode(line.bytes())
                    : line.text().size() == line.bytes().size());
    }
    REQUIRE(lines == Lines(bytes));

    // The agenda: exactly the lines the recurrence table selects, none showing a "^".
    const book::DayAgenda agenda = book::BuildDayAgenda(path, date);
    REQUIRE(!agenda.readFailed);
    QList<qsizetype> selected;
    for (qsizetype i = 0; i < read->size(); ++i) {
        if (oracle::FallsOn(read->at(i).text(), date))
            selected.append(i);
        // The parsed view of a line gives the agenda's answer, and shows the line as it does.
        const book::Appointment appointment(read->at(i));
        REQUIRE(appointment.fallsOn(agenda.key) == selected.contains(i));
        REQUIRE(appointment.displayLine() == oracle::DisplayLine(read->at(i).text()));
        REQUIRE(
            !appointment.isValid() ||
            book::FallsOnDate(read->at(i).asLatin1(), book::MakeDayKey(appointment.storedDate())));
    }
    REQUIRE(agenda.matchingLines == selected);
    REQUIRE(agenda.count == selected.size() && agenda.displayLines.size() == selected.size());
    for (qsizetype i = 0; i < agenda.displayLines.size(); ++i) { // the oracle shows no "^"
        REQUIRE(agenda.displayLines.at(i) ==
                oracle::DisplayLine(agenda.allLines.at(agenda.displaySources.at(i)).text()));
        // In order of the folded text, then of the place in the file.
        const int order = i == 0 ? -1
                                 : agenda.displayLines.at(i - 1).toString().toCaseFolded().compare(
                                       agenda.displayLines.at(i).toString().toCaseFolded());
        REQUIRE(order < 0 ||
                (order == 0 && agenda.displaySources.at(i - 1) < agenda.displaySources.at(i)));
    }

    // A rewrite of what was read gives the same lines back, byte for byte.
    REQUIRE(book::RewriteAppointmentFile(path, *read) == book::WriteStatus::Written);
    REQUIRE(book::LoadAppointmentLines(path) == read);

    // Four fields cut from the bytes always compose one line, trimmed of blanks.
    const QString text = QString::fromUtf8(bytes);
    const QStringList fields = text.split(u'|');
    const QString line = book::ComposeAppointmentLine(fields.value(0), fields.value(1),
                                                      fields.value(2), fields.value(3));
    REQUIRE(!line.contains(u'\r') && !line.contains(u'\n'));
    REQUIRE(!line.startsWith(u' ') && !line.endsWith(u' '));
    return 0;
}
