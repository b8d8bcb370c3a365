#include "bookgen.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    const int lines = argc == 3 ? std::atoi(argv[1]) : 0;
    if (lines <= 0) {
        std::fprintf(stderr, "usage: make_book LINES FILE\n");
        return 2;
    }
    QFile file(QFile::decodeName(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(GenerateBook(lines)) < 0) {
        std::fprintf(stderr, "make_book: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
