#pragma once

#include "book/appointmentfile.h"
#include "book/newlines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace book {

// The deletes and imports of one run of the program, the last one last, and the rule that
// takes them back: Del., Delete all and an import make their change of the book through here,
// and Ctrl+Z takes back the last one still to be undone. Every change goes through
// ChangeAppointmentFile(), so a Save, a hand edit or another writer in between is never lost.
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
        bool imported = false;   // the step was an import
        QList<QByteArray> added; // the lines an import added, in their order
    };

    explicit UndoHistory(QString path);

    // Removes the line with these bytes that has `occurrence` lines equal to it before it,
    // where the book still holds it; where it does not (deleted elsewhere), lines is 0.
    Outcome deleteLine(QByteArrayView line, qsizetype occurrence);
    // Empties the book; lines is how many it held.
    Outcome deleteAll();
    // Adds the lines that the book does not hold yet (AddNewLines()); lines is how many.
    Outcome addLines(const LineGroups &groups);
    // Takes back the last step still to be undone. A delete: where the book is as the delete
    // left it, it becomes exactly what it was before; where it changed since, the lines come
    // back at its end and nothing added since is lost. An import: where nothing followed it,
    // the book becomes what it was before; else the last copy of each line it added goes.
    // lines is how many lines came back or went.
    Outcome undo();
    bool canUndo() const { return !m_steps.isEmpty(); }

private:
    struct Step
    {
        bool added = false;      // an import: the lines came, and go again on undo
        QList<QByteArray> lines; // that went, or came
        // A cryptographic digest, so that a large book is not held twice for each step: of what
        // a delete left, or of the book before an import.
        QByteArray digest;
        // The file's bytes before a delete; empty when the line goes back at `index` of a book
        // that was already in the form a rewrite gives it (every Del. after the first one).
        QByteArray before;
        // Where the deleted line goes back; the size of the book before an import.
        qsizetype index = -1;
    };
    Outcome takeBackAddition(const Step &last);

    const QString m_path;
    QList<Step> m_steps;
};

} // namespace book
