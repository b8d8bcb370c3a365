#include "mappedbook.h"

#include "book/datetext.h"
#include "book/dayagenda.h"

#include <QFile>
#include <QStringEncoder>

#include <cstdio>

#include <signal.h>
#include <unistd.h>

namespace {

// The book is mapped, not read: a file cut short by another program meanwhile ends the
// process with SIGBUS, which is then told as what it is.
void FileCutShort(int)
{
    static const char message[] = "agenda_print: the file was cut short while it was read\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(1);
}

} // namespace

// agenda_print FILE DATE: the display lines of DATE's agenda in FILE, one per line, as UTF-8.
int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: agenda_print FILE dd/mm/yyyy\n");
        return 2;
    }
    const QDate date = book::ParseDateText(QString::fromLocal8Bit(argv[2]));
    if (!date.isValid()) {
        std::fprintf(stderr, "agenda_print: not a date: %s\n", argv[2]);
        return 2;
    }
    struct sigaction onBusError = {};
    onBusError.sa_handler = FileCutShort;
    ::sigaction(SIGBUS, &onBusError, nullptr);
    const MappedBook book(QFile::decodeName(argv[1]));
    if (!book.lines()) {
        std::fprintf(stderr, "agenda_print: cannot read %s\n", argv[1]);
        return 1;
    }
    const book::DayAgenda agenda = book::BuildDayAgenda(*book.lines(), date);
    // Through one small buffer, so that printing costs neither an allocation a line nor
    // memory the size of the output.
    QStringEncoder utf8(QStringEncoder::Utf8);
    char buffer[64 * 1024];
    char *end = buffer;
    for (const QStringView line : agenda.displayLines) {
        const qsizetype room = utf8.requiredSpace(line.size()) + 1;
        if (room > buffer + sizeof buffer - end) {
            std::fwrite(buffer, 1, size_t(end - buffer), stdout);
            end = buffer;
        }
        if (room > qsizetype(sizeof buffer)) { // written on its own, NUL characters and all
            const QByteArray bytes = line.toUtf8() + '\n';
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            continue;
        }
        end = utf8.appendToBuffer(end, line);
        *end++ = '\n';
    }
    std::fwrite(buffer, 1, size_t(end - buffer), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
