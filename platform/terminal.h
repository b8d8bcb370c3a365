#pragma once

#include <QString>

#include <cstdio>

namespace platform {

// The person at the terminal, for the command line.

// Asks for a password on the terminal (/dev/tty) without echo; null when there is no terminal.
QString AskPassword(const QString &prompt);

// The first line of a stream (standard input), without its line end: a password given by
// another program. Empty, not null, for an empty stream.
QString ReadPasswordLine(FILE *stream);

} // namespace platform
