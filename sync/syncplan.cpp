#include "sync/syncplan.h"

#include "book/appointment.h"
#include "ical/calendarexport.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

// The book's lines not yet tied to an item, each as often as the book holds it.
class FreeLines
{
public:
    explicit FreeLines(const QList<QByteArray> &lines)
    {
        for (const QByteArray &line : lines)
            ++m_count[line];
    }
    bool take(const QByteArray &line)
    {
        const auto it = m_count.find(line);
        if (it == m_count.end() || *it == 0)
            return false;
        --*it;
        return true;
    }
    // What is left, in the order of `lines`.
    QList<QByteArray> left(const QList<QByteArray> &lines) const
    {
        QHash<QByteArray, qsizetype> count = m_count;
        QList<QByteArray> result;
        for (const QByteArray &line : lines) {
            qsizetype &n = count[line];
            if (n > 0) {
                --n;
                result.append(line);
            }
        }
        return result;
    }

private:
    QHash<QByteArray, qsizetype> m_count;
};

// What ties an edited line to the line it was: its date and time, and its content.
std::pair<QString, QString> EditKeys(const QByteArray &line)
{
    const book::Appointment appointment{book::AppointmentLine(line)};
    return {u"%1 %2 %3"_s.arg(int(appointment.frequency()))
                .arg(appointment.storedDate().toJulianDay())
                .arg(appointment.minuteOfDay()),
            appointment.content().toString()};
}

// Takes each of the lines from a multiset of lines, where it is there; the rest is returned.
QList<QByteArray> Missing(const QList<QByteArray> &lines, QHash<QByteArray, qsizetype> &from)
{
    QList<QByteArray> missing;
    for (const QByteArray &line : lines) {
        const auto it = from.find(line);
        if (it != from.end() && *it > 0)
            --*it;
        else
            missing.append(line);
    }
    return missing;
}

} // namespace

SyncPlan PlanSync(const QList<QByteArray> &bookLines, const SyncState &state,
                  const QHash<QString, QByteArray> &serverNow,
                  const QHash<QString, ServerItem> &fetched, QDate today,
                  const std::function<QString(const QByteArray &uid)> &hrefFor)
{
    SyncPlan plan;
    FreeLines free(bookLines);

    // First every synced item takes its lines from the book, so that a line that a changed
    // item now has is never taken from an item that holds it already.
    QHash<QString, QList<QByteArray>> present;
    for (const SyncedItem &item : state.items) {
        QList<QByteArray> &found = present[item.href];
        for (const QByteArray &line : item.lines) {
            if (free.take(line))
                found.append(line);
        }
    }
    // The lines of an item's new version: those it held stay, others are taken from the
    // book's free lines (a line the book has already, as a sync cut off leaves it), and the
    // rest come.
    const auto settle = [&](const QList<QByteArray> &held, const QList<QByteArray> &now) {
        QHash<QByteArray, qsizetype> kept;
        for (const QByteArray &line : held)
            ++kept[line];
        qsizetype added = 0;
        for (const QByteArray &line : Missing(now, kept)) {
            if (!free.take(line)) {
                plan.bookAdd.append(line);
                ++added;
            }
        }
        // What is left of the old version goes.
        qsizetype removed = 0;
        for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
            for (qsizetype n = 0; n < it.value(); ++n) {
                plan.bookRemove.append(it.key());
                ++removed;
            }
        }
        return std::pair(added, removed);
    };

    for (const SyncedItem &item : state.items) {
        const QList<QByteArray> &held = present.value(item.href);
        const auto server = serverNow.constFind(item.href);
        if (server == serverNow.cend()) {
            // Gone from the server: its lines go from the book.
            plan.bookRemove += held;
            plan.removedHere += held.size();
            continue;
        }
        const auto read = fetched.constFind(item.href);
        if (read != fetched.cend() && !read->item.error.isEmpty()) {
            plan.leftOut.append(u"%1: %2"_s.arg(item.href, read->item.error));
            plan.items.insert(item.href, item); // as it was; tried again next time
            continue;
        }
        if (read != fetched.cend() && read->etag != item.etag) {
            // Changed there: the new version replaces the old one, also where the book lost
            // some of its lines meanwhile.
            const auto [added, removed] = settle(held, read->item.lines);
            if (added || removed)
                ++plan.changedHere;
            plan.leftOut += read->item.leftOut;
            SyncedItem now = item;
            now.etag = read->etag;
            now.uid = read->item.uid;
            now.lines = read->item.lines;
            now.series = read->item.series;
            now.expanded = today;
            plan.items.insert(item.href, now);
            continue;
        }
        SyncedItem now = item;
        now.lines = held;
        // Every line of the item gone from the book: it goes from the server too, and brings
        // no new occurrences.
        const bool going = held.isEmpty() && !item.lines.isEmpty();
        QList<QByteArray> added;
        if (read != fetched.cend() && !going) {
            // The same version, expanded around another day: occurrences that came into the
            // twelve months come, those that left them stay.
            QHash<QByteArray, qsizetype> known;
            for (const QByteArray &line : item.lines)
                ++known[line];
            for (const QByteArray &line : Missing(read->item.lines, known)) {
                if (!free.take(line)) {
                    plan.bookAdd.append(line);
                    ++plan.addedHere;
                }
                added.append(line);
            }
            now.lines += added;
            now.expanded = today;
        }
        if (held.size() < item.lines.size()) {
            // Lines gone from the book: the whole item, or occurrences of its series.
            // Until the server has taken the change, the state keeps the item as it was, so
            // that a pass cut off makes it again.
            if (held.isEmpty()) {
                plan.deletes.append(item.href);
                now.lines = item.lines;
            } else if (item.series) {
                QHash<QByteArray, qsizetype> kept;
                for (const QByteArray &line : held)
                    ++kept[line];
                plan.exclusions.insert(item.href, Missing(item.lines, kept));
                now.lines = item.lines + added;
            }
            // Any other item of several lines (an all-day event of some days) cannot lose one
            // on the server: the book just holds fewer.
        }
        plan.items.insert(item.href, now);
    }

    // Items new on the server.
    for (auto it = fetched.cbegin(); it != fetched.cend(); ++it) {
        if (state.items.contains(it.key()))
            continue;
        if (!it->item.error.isEmpty()) {
            plan.leftOut.append(u"%1: %2"_s.arg(it.key(), it->item.error));
            continue;
        }
        const auto [added, removed] = settle({}, it->item.lines);
        Q_UNUSED(removed);
        plan.addedHere += added;
        plan.leftOut += it->item.leftOut;
        plan.items.insert(it.key(), SyncedItem{it.key(), it->etag, it->item.uid, it->item.lines,
                                               it->item.series, today});
    }

    // An item whose one line went while one new line has its date and time, or its content,
    // and no other: the line was edited, and the event is changed rather than replaced.
    QList<QByteArray> added = free.left(bookLines);
    {
        QHash<QString, QList<qsizetype>> byKey; // indexes into `added`
        for (qsizetype i = 0; i < added.size(); ++i) {
            const auto [when, what] = EditKeys(added.at(i));
            byKey[QChar(u'd') + when].append(i);
            byKey[QChar(u'c') + what].append(i);
        }
        QHash<qsizetype, QList<QString>> claims; // line to the deleted items it could be
        QHash<QString, qsizetype> choice;
        for (const QString &href : std::as_const(plan.deletes)) {
            const SyncedItem &item = plan.items[href];
            if (item.lines.size() != 1 || item.series)
                continue;
            const auto [when, what] = EditKeys(item.lines.first());
            QList<qsizetype> candidates =
                byKey.value(QChar(u'd') + when) + byKey.value(QChar(u'c') + what);
            std::sort(candidates.begin(), candidates.end());
            candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
            if (candidates.size() == 1) {
                choice.insert(href, candidates.first());
                claims[candidates.first()].append(href);
            }
        }
        QList<qsizetype> taken;
        for (auto it = choice.cbegin(); it != choice.cend(); ++it) {
            if (claims.value(it.value()).size() != 1)
                continue;
            plan.edits.insert(it.key(), added.at(it.value()));
            plan.deletes.removeOne(it.key());
            taken.append(it.value());
        }
        std::sort(taken.begin(), taken.end(), std::greater<>());
        for (const qsizetype i : std::as_const(taken))
            added.removeAt(i);
    }

    // Lines new in the book, each an event of its own; the UID is the line's, numbered past
    // those in use, so that a pass cut off after its PUT finds the event at the same place.
    QSet<QString> taken(serverNow.keyBegin(), serverNow.keyEnd());
    QHash<QByteArray, qsizetype> next;
    for (const QByteArray &line : std::as_const(added)) {
        qsizetype &n = next[line];
        for (;;) {
            const QByteArray uid = ical::EventUid(line, n++);
            const QString href = hrefFor(uid);
            if (taken.contains(href) || plan.items.contains(href))
                continue;
            taken.insert(href);
            plan.puts.append(NewEvent{line, uid, href});
            break;
        }
    }
    return plan;
}

} // namespace caldav
