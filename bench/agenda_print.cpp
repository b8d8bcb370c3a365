#include "book/datetext.h"
#include "book/dayagenda.h"

#include <QFile>

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
    QByteArray out;
    for (const QString &line : agenda.displayLines)
        out.append(line.toUtf8()).append('\n');
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
