#include "book/datetext.h"
#include "book/dayagenda.h"

#include <QFile>
#include <QStringEncoder>

#include <cstdio>

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
    const book::DayAgenda agenda = book::BuildDayAgenda(QFile::decodeName(argv[1]), date);
    if (agenda.readFailed) {
        std::fprintf(stderr, "agenda_print: cannot read %s\n", argv[1]);
        return 1;
    }
    // One buffer for all of it, so that printing costs no allocation a line.
    QStringEncoder utf8(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (const QString &line : agenda.displayLines)
        room += utf8.requiredSpace(line.size()) + 1;
    QByteArray out(room, Qt::Uninitialized);
    char *end = out.data();
    for (const QString &line : agenda.displayLines) {
        end = utf8.appendToBuffer(end, line);
        *end++ = '\n';
    }
    out.truncate(end - out.constData());
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
