#pragma once

#include "book/appointmentfile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace book {

// What adding lines from elsewhere (an import) did.
struct LinesAdded
{
    WriteStatus status = WriteStatus::Written;
    int error = 0; // errno, where it failed
    // The lines written, in the order given.
    QList<QByteArray> added;
    // The lines passed over, as the book held them already.
    qsizetype known = 0;
    // The book's bytes before the lines were added.
    QByteArray before;
};

// Lines from elsewhere, a list for each file they came from.
using LineGroups = QList<QList<QByteArray>>;

// Of the lines, those that a book of `content` does not hold yet, in their order: a line given
// n times in one group is new as often as the book holds it fewer than n times, and each group
// is judged against the book with the groups before it added, so that the same file given
// twice adds its lines once. `known` counts the others.
QList<QByteArray> NewLines(const QByteArray &content, const LineGroups &groups,
                           qsizetype *known = nullptr);

// Adds the lines that the book does not hold yet, in one write at its end, or none of them.
// A line given n times is added as often as the book holds it fewer than n times, so that
// adding the same lines twice adds nothing the second time, and equal lines of one import all
// come.
LinesAdded AddNewLines(const QString &path, const LineGroups &groups);

} // namespace book
