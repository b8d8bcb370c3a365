#include "platform/terminal.h"

#include <QByteArray>

#include <termios.h>

namespace platform {

namespace {

// Never null: a line that was read, even an empty one, is a password given.
QString LineOf(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line.isEmpty() ? QStringLiteral("") : QString::fromLocal8Bit(line);
}

QByteArray ReadLine(FILE *stream)
{
    QByteArray line;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
        line.append(char(c));
        if (c == '\n')
            break;
    }
    return line;
}

} // namespace

QString AskPassword(const QString &prompt)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return {};
    std::fputs(prompt.toLocal8Bit().constData(), tty);
    std::fflush(tty);
    termios before{};
    const bool terminal = ::tcgetattr(fileno(tty), &before) == 0;
    if (terminal) {
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(fileno(tty), TCSAFLUSH, &quiet);
    }
    QString password = LineOf(ReadLine(tty));
    if (terminal)
        ::tcsetattr(fileno(tty), TCSAFLUSH, &before);
    std::fputs("\n", tty);
    std::fclose(tty);
    return password;
}

QString ReadPasswordLine(FILE *stream)
{
    return LineOf(ReadLine(stream));
}

} // namespace platform
