#pragma once

#include "book/appointmentfile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace book {

// The deletes of one run of the program, the last one last, and the rule that brings them
// back: Del. and Delete all make their change of the book through here, and Ctrl+Z takes back
// the last one still to be undone. Every change goes through ChangeAppointmentFile(), so a
// Save, a hand edit or another writer in between is never lost.
class UndoHistory
{
public:
    // How one step ended: the status of the change of the book, why it failed (errno), and how
    // many lines it removed or brought back.
    struct Outcome
    {
        WriteStatus status = WriteStatus::Written;
        int error = 0;
        qsizetype lines = 0;
    };

    explicit UndoHistory(QString path);

    // Removes the line with these bytes that has `occurrence` lines equal to it before it,
    // where the book still holds it; where it does not (deleted elsewhere), lines is 0.
    Outcome deleteLine(QByteArrayView line, qsizetype occurrence);
    // Empties the book; lines is how many it held.
    Outcome deleteAll();
    // Brings back what the last delete still to be undone removed. Where the book is as that
    // delete left it, it becomes exactly what it was before; where it changed since, the lines
    // come back at its end and nothing added since is lost.
    Outcome undo();
    bool canUndo() const { return !m_deleted.isEmpty(); }

private:
    struct Deletion
    {
        QList<QByteArray> lines; // that went
        // What the delete left, told by a cryptographic digest, so that a large book is not held
        // twice for each delete.
        QByteArray afterDigest;
        // The file's bytes before; empty when the line goes back at `index` of a book that was
        // already in the form a rewrite gives it (every Del. after the first one).
        QByteArray before;
        qsizetype index = -1;
    };

    const QString m_path;
    QList<Deletion> m_deleted;
};

} // namespace book
