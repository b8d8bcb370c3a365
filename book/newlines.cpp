#include "book/newlines.h"

#include "book/appointmentlines.h"

#include <QHash>

namespace book {

QList<QByteArray> NewLines(const QByteArray &content, const LineGroups &groups, qsizetype *known)
{
    // How many of each line the book holds, with the groups before added.
    QHash<QByteArrayView, qsizetype> held;
    const AppointmentLines book(content);
    for (AppointmentLine line : book)
        ++held[line.bytes()];
    QList<QByteArray> fresh;
    qsizetype matched = 0;
    for (const QList<QByteArray> &lines : groups) {
        // Of this group's lines, each copy the book holds matches one.
        QHash<QByteArrayView, qsizetype> used;
        for (const QByteArray &line : lines) {
            qsizetype &taken = used[line];
            if (taken < held.value(line)) {
                ++taken;
                ++matched;
            } else {
                fresh.append(line);
                ++held[line];
                ++taken; // the copy added is this group's own
            }
        }
    }
    if (known)
        *known = matched;
    return fresh;
}

LinesAdded AddNewLines(const QString &path, const LineGroups &groups)
{
    LinesAdded result;
    result.status = ChangeAppointmentFile(
        path,
        [&](const QByteArray &now) {
            result.before = now;
            result.added = NewLines(now, groups, &result.known);
            QByteArray bytes;
            for (const QByteArray &line : std::as_const(result.added))
                bytes.append(line).append("\r\n");
            return bytes.isEmpty() ? BookChange{}
                                   : BookChange{BookChange::Kind::Append, std::move(bytes)};
        },
        &result.error);
    if (result.status != WriteStatus::Written)
        result.added.clear();
    return result;
}

} // namespace book
