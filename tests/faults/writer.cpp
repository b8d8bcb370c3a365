// Changes a data file again and again until it is killed, for the kill test.
//   writer rewrite FILE FIRST SECOND   rewrites FILE with the lines of FIRST and SECOND, in turn
//   writer append FILE                 appends numbered lines
//   writer clear FILE FIRST            rewrites FILE with the lines of FIRST, then empties it
#include "book/appointmentfile.h"
#include "faults/contents.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[2]);
    const auto linesOf = [&](int index) {
        return argc > index ? book::LoadAppointmentLines(QString::fromLocal8Bit(argv[index]))
                                  .value_or(QList<book::AppointmentLine>())
                            : QList<book::AppointmentLine>();
    };
    const QList<book::AppointmentLine> first = linesOf(3);
    const QList<book::AppointmentLine> second = linesOf(4);
    for (long round = 0;; ++round) {
        bool done = false;
        if (std::strcmp(argv[1], "rewrite") == 0)
            done = book::RewriteAppointmentFile(path, round % 2 ? first : second);
        else if (std::strcmp(argv[1], "append") == 0)
            done = book::AppendAppointmentLine(path, AppendedLine(round));
        else if (std::strcmp(argv[1], "clear") == 0)
            done = round % 2 ? book::ClearAppointmentFile(path)
                             : book::RewriteAppointmentFile(path, first);
        if (!done) {
            std::fprintf(stderr, "writer: %s failed\n", argv[1]);
            return 1;
        }
        if (round == 0) {
            std::puts("started"); // the test kills only after this
            std::fflush(stdout);
        }
    }
}
