#include "book/undohistory.h"

#include <QCryptographicHash>

#include <algorithm>
#include <optional>

namespace book {

namespace {

// Blake2b: as safe against an accidental match as SHA-256, and five times as fast.
QByteArray DigestOf(QByteArrayView content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Blake2b_256);
}

} // namespace

UndoHistory::UndoHistory(QString path)
    : m_path(std::move(path))
{
}

UndoHistory::Outcome UndoHistory::deleteLine(QByteArrayView line, qsizetype occurrence)
{
    // The book is read again under its lock, so that lines added since the window last read it
    // are kept; among identical lines, the one in the same place goes.
    const AppointmentLine target(line);
    std::optional<Step> deletion;
    Outcome outcome;
    outcome.status = ChangeAppointmentFile(
        m_path,
        [&](const QByteArray &before) {
            deletion.reset();
            AppointmentLines lines(before);
            qsizetype seen = 0;
            const auto found = std::find_if(lines.begin(), lines.end(), [&](auto each) {
                return each == target && seen++ == occurrence;
            });
            if (found == lines.end())
                return BookChange{};
            const qsizetype index = found - lines.begin();
            const bool rewrittenBefore = AppointmentFileContent(lines) == before;
            lines.erase(found);
            QByteArray after = AppointmentFileContent(lines);
            deletion = Step{false,
                            {line.toByteArray()},
                            DigestOf(after),
                            rewrittenBefore ? QByteArray() : before,
                            rewrittenBefore ? index : -1};
            return BookChange{BookChange::Kind::Replace, std::move(after)};
        },
        &outcome.error);
    if (outcome.status == WriteStatus::Written && deletion) {
        m_steps.append(std::move(*deletion));
        outcome.lines = 1;
    }
    return outcome;
}

UndoHistory::Outcome UndoHistory::deleteAll()
{
    QByteArray before; // what the book held when it was emptied, to bring back
    Outcome outcome;
    outcome.status = ChangeAppointmentFile(
        m_path,
        [&before](const QByteArray &now) {
            before = now;
            return BookChange{BookChange::Kind::Replace, {}};
        },
        &outcome.error);
    if (outcome.status != WriteStatus::Written)
        return outcome;
    QList<QByteArray> removed;
    for (AppointmentLine line : AppointmentLines(before))
        removed.append(line.bytes().toByteArray());
    outcome.lines = removed.size();
    if (!removed.isEmpty()) // an empty book has nothing to bring back
        m_steps.append({false, removed, DigestOf({}), before, -1});
    return outcome;
}

UndoHistory::Outcome UndoHistory::addLines(const LineGroups &groups)
{
    const LinesAdded added = AddNewLines(m_path, groups);
    Outcome outcome{added.status, added.error, added.added.size(), true, added.added};
    if (!added.added.isEmpty()) {
        // The book as it was, told by its size and the digest of those bytes.
        m_steps.append({true, added.added, DigestOf(added.before), {}, added.before.size()});
    }
    return outcome;
}

UndoHistory::Outcome UndoHistory::takeBackAddition(const Step &last)
{
    Outcome outcome;
    qsizetype removed = 0;
    outcome.status = ChangeAppointmentFile(
        m_path,
        [&last, &removed](const QByteArray &now) {
            // Untouched since: the book as it was before, byte for byte.
            const qsizetype before = last.index;
            removed = last.lines.size();
            if (now.size() > before && DigestOf(now.first(before)) == last.digest &&
                AppointmentLines(now.sliced(before)) ==
                    AppointmentLines(QByteArray(last.lines.join("\r\n")))) {
                return BookChange{BookChange::Kind::Replace, now.first(before)};
            }
            // Changed since: the last copy of each line the import added goes.
            removed = 0;
            AppointmentLines lines(now);
            for (qsizetype k = last.lines.size() - 1; k >= 0; --k) {
                for (qsizetype i = lines.size() - 1; i >= 0; --i) {
                    if (lines.at(i).bytes() == last.lines.at(k)) {
                        lines.removeAt(i);
                        ++removed;
                        break;
                    }
                }
            }
            if (removed == 0) // all gone already, by hand or another writer
                return BookChange{};
            return BookChange{BookChange::Kind::Replace, AppointmentFileContent(lines)};
        },
        &outcome.error);
    outcome.lines = removed;
    return outcome;
}

UndoHistory::Outcome UndoHistory::undo()
{
    Outcome outcome;
    if (m_steps.isEmpty())
        return outcome;
    const Step &last = m_steps.constLast();
    if (last.added) {
        outcome = takeBackAddition(last);
        outcome.imported = true;
        if (outcome.status == WriteStatus::Written)
            m_steps.removeLast();
        return outcome;
    }
    outcome.status = ChangeAppointmentFile(
        m_path,
        [&last](const QByteArray &now) {
            if (DigestOf(now) != last.digest) {
                QByteArray lines;
                for (const QByteArray &line : last.lines)
                    lines.append(line).append("\r\n");
                return BookChange{BookChange::Kind::Append, lines};
            }
            return BookChange{BookChange::Kind::Replace,
                              last.index < 0
                                  ? last.before
                                  : AppointmentFileContent(AppointmentLines(now), last.index,
                                                           last.lines.constFirst())};
        },
        &outcome.error);
    if (outcome.status == WriteStatus::Written) {
        outcome.lines = last.lines.size();
        m_steps.removeLast();
    }
    return outcome;
}

} // namespace book
