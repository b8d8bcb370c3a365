#pragma once

#include "book/appointmentlines.h"

#include <QString>

#include <optional>

// A data file mapped into memory rather than read, and its lines: quicker for a process that
// reads the book once and ends, as its pages are then the file cache's own. The lines are
// views into the mapping, valid while this object lives. A file cut short meanwhile, by
// another program, raises SIGBUS where they are read; which is why the program itself, which
// keeps lines and writes the book, never maps it.
class MappedBook
{
public:
    explicit MappedBook(const QString &path);
    ~MappedBook();
    MappedBook(const MappedBook &) = delete;
    MappedBook &operator=(const MappedBook &) = delete;

    // As LoadAppointmentLines() gives them: nullopt when the file exists but cannot be read.
    const std::optional<book::AppointmentLines> &lines() const { return m_lines; }

private:
    void *m_mapped = nullptr;
    size_t m_size = 0;
    std::optional<book::AppointmentLines> m_lines;
};
