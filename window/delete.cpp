// Del. and Delete all, and Ctrl+Z, which brings back what they removed.
#include "window/form1.h"

#include "book/appointmentfile.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QCryptographicHash>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Blake2b: as safe against an accidental match as SHA-256, and five times as fast.
QByteArray DigestOf(QByteArrayView content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Blake2b_256);
}

} // namespace

void form1::Command3_Click()
{
    clearStatus();
    // The chosen entry: the one selected, or the entry whose text was typed into the box. A
    // text that is no entry of the agenda chooses nothing.
    // The box shows at most its maximum length of an entry: the entry selected is chosen
    // while the box shows what it can of it, however long the entry is.
    const QString chosen = Combo3->currentText();
    const int shownAtMost = Combo3->lineEdit()->maxLength();
    int entry = Combo3->currentIndex();
    if (entry < 0 || Combo3->itemText(entry).left(shownAtMost) != chosen)
        entry = chosen.isEmpty() ? -1 : Combo3->findText(chosen, Qt::MatchExactly);
    if (entry < 0) {
        m_services.dialogs->inform(this, u"Choose an appointment"_s);
        return;
    }

    // Only the line the entry shows goes: not the same text stored for another date, nor a
    // longer text that begins with it. The file is read again, so that lines added since the
    // last build (by hand, or by a Save whose refresh was refused) are kept; among identical
    // lines, the one in the same place goes.
    const qsizetype source = Combo3Lines.value(entry, -1);
    if (source < 0 || source >= Combo2.size())
        return;
    const QByteArray target = Combo2.at(source).bytes().toByteArray();
    const book::AppointmentLine line(target);
    const qsizetype occurrence = std::count(Combo2.cbegin(), Combo2.cbegin() + source, line);
    std::optional<Deletion> deletion;
    int error = 0;
    const book::WriteStatus status = book::ChangeAppointmentFile(
        m_services.dataFile,
        [&](const QByteArray &before) {
            deletion.reset();
            book::AppointmentLines lines(before);
            qsizetype seen = 0;
            const auto found = std::find_if(lines.begin(), lines.end(), [&](auto each) {
                return each == line && seen++ == occurrence;
            });
            if (found == lines.end()) // gone already, deleted elsewhere
                return book::BookChange{};
            const qsizetype index = found - lines.begin();
            const bool rewrittenBefore = book::AppointmentFileContent(lines) == before;
            lines.erase(found);
            QByteArray after = book::AppointmentFileContent(lines);
            deletion = Deletion{{target},
                                DigestOf(after),
                                rewrittenBefore ? QByteArray() : before,
                                rewrittenBefore ? index : -1};
            return book::BookChange{book::BookChange::Kind::Replace, std::move(after)};
        },
        &error);
    const QString shown = Combo3->itemText(entry);
    if (status == book::WriteStatus::Written && deletion) {
        m_deleted.append(std::move(*deletion));
        refreshAfterChange();
        tellStatus(u"Deleted: %1. Ctrl+Z brings it back."_s.arg(shown));
        return;
    }
    if (status != book::WriteStatus::Written)
        informWriteFailure(status, u"The appointment could not be deleted."_s, error);
    refreshAfterChange();
}

void form1::Command7_Click()
{
    clearStatus();
    if (!m_services.dialogs->askYesNo(this, u"All records will be deleted?"_s))
        return;
    QByteArray before; // what the book held when it was emptied, to bring back
    int error = 0;
    const book::WriteStatus status = book::ChangeAppointmentFile(
        m_services.dataFile,
        [&before](const QByteArray &now) {
            before = now;
            return book::BookChange{book::BookChange::Kind::Replace, {}};
        },
        &error);
    if (status != book::WriteStatus::Written) {
        informWriteFailure(status, u"The appointments could not be deleted."_s, error);
        return;
    }
    QList<QByteArray> removed;
    for (book::AppointmentLine line : book::AppointmentLines(before))
        removed.append(line.bytes().toByteArray());
    if (!removed.isEmpty()) // an empty book has nothing to bring back
        m_deleted.append({removed, DigestOf({}), before, -1});
    ft3->clear();
    ft4.clear();
    clearStatus();
    cft1->setCurrentIndex(-1);
    cft1->clearEditText();
    ft1->clear();
    ft2->clear();
    refreshAfterChange();
    if (!removed.isEmpty())
        tellStatus(u"Deleted all %1. Ctrl+Z brings them back."_s.arg(
            removed.size() == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(removed.size())));
    Command4->setFocus();
}

void form1::undoDelete()
{
    if (m_deleted.isEmpty())
        return;
    const Deletion &last = m_deleted.constLast();
    // Untouched since the delete: the file goes back to exactly what it was. Changed since (a
    // Save, a hand edit): the lines come back at its end, and nothing added since is lost.
    int error = 0;
    const book::WriteStatus status = book::ChangeAppointmentFile(
        m_services.dataFile,
        [&last](const QByteArray &now) {
            if (DigestOf(now) != last.afterDigest) {
                QByteArray lines;
                for (const QByteArray &line : last.lines)
                    lines.append(line).append("\r\n");
                return book::BookChange{book::BookChange::Kind::Append, lines};
            }
            return book::BookChange{
                book::BookChange::Kind::Replace,
                last.index < 0 ? last.before
                               : book::AppointmentFileContent(book::AppointmentLines(now),
                                                              last.index, last.lines.constFirst())};
        },
        &error);
    if (status != book::WriteStatus::Written) {
        informWriteFailure(status, u"The appointments could not be restored."_s, error);
        return;
    }
    const qsizetype back = m_deleted.constLast().lines.size();
    m_deleted.removeLast();
    refreshAfterChange();
    tellStatus(back == 1 ? u"1 appointment brought back."_s
                         : u"%1 appointments brought back."_s.arg(back));
}
