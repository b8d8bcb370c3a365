// Changes a data file again and again until it is killed, for the kill test. It says
// "started" once its first change is done.
//   writer rewrite FILE   rewrites FILE with the first and the second content, in turn
//   writer append FILE    appends numbered lines
//   writer clear FILE     rewrites FILE with the first content, then empties it, in turn
//   writer content N      prints the bytes of a file that holds content N (0 or 1)
#include "book/appointmentfile.h"

#include <cstdio>
#include <cstring>

namespace {

// 100,000 lines each.
QList<book::AppointmentLine> Content(int which)
{
    QList<book::AppointmentLine> lines;
    for (int i = 0; i < 100000; ++i)
        lines.append(book::AppointmentLine::fromText(
            QStringLiteral("*Daily^01/01/2026 %1:%2 content %3 line %4")
                .arg(i % 24, 2, 10, QChar(u'0'))
                .arg(i % 60, 2, 10, QChar(u'0'))
                .arg(which)
                .arg(i)));
    return lines;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const char *const mode = argv[1];
    const QList<book::AppointmentLine> contents[2] = {Content(0), Content(1)};
    if (std::strcmp(mode, "content") == 0) {
        QByteArray bytes = "\r\n";
        for (const book::AppointmentLine &line : contents[std::atoi(argv[2]) % 2])
            bytes.append(line.bytes()).append("\r\n");
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) ==
                       size_t(bytes.size())
                   ? 0
                   : 1;
    }
    const QString path = QString::fromLocal8Bit(argv[2]);
    for (long round = 0;; ++round) {
        const bool done =
            std::strcmp(mode, "append") == 0
                ? book::AppendAppointmentLine(
                      path, QStringLiteral("*Once^05/12/2026 10:30 appended %1").arg(round))
            : std::strcmp(mode, "clear") == 0 && round % 2
                ? book::ClearAppointmentFile(path)
                : book::RewriteAppointmentFile(
                      path, contents[std::strcmp(mode, "rewrite") == 0 ? round % 2 : 0]);
        if (!done) {
            std::fprintf(stderr, "writer: %s failed\n", mode);
            return 1;
        }
        if (round == 0) {
            std::puts("started");
            std::fflush(stdout);
        }
    }
}
