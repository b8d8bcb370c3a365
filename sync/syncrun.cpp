#include "sync/syncrun.h"

#include "book/appointment.h"
#include "book/appointmentfile.h"
#include "book/appointmentline.h"
#include "ical/calendarexport.h"
#include "ical/calendaritem.h"
#include "sync/syncpass.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

// Items read in one calendar-multiget, and requests that change the server at once.
constexpr int FetchBatch = 100;
constexpr int WritesAtOnce = 4;
// Attempts at a write that someone else's change keeps failing.
constexpr int Attempts = 3;
// The state is saved at least this often while the server's changes are made.
constexpr int SaveEveryMs = 500;

// Whether removing `removed` of `items` empties a side or takes more than half of it.
bool TooMany(qsizetype removed, qsizetype items)
{
    return removed > 0 && (removed >= items || 2 * removed > items);
}

// A line as the sync compares it: in UTF-8, as the book reads it. A book may hold older lines
// in Windows-1252, and what comes from the server is UTF-8; bytes alone would take the same
// appointment for two.
QByteArray SameLine(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return bytes.toByteArray();
    return book::DecodeLineBytes(bytes).toUtf8();
}

} // namespace

SyncRun::SyncRun(SyncPass *pass)
    : QObject(pass)
    , m_pass(pass)
    , m_statePath(SyncStatePath(pass->m_bookPath))
{
}

void SyncRun::start()
{
    QString error;
    std::optional<SyncState> state = LoadSyncState(m_statePath, &error);
    if (!state)
        return QTimer::singleShot(0, this,
                                  [this, error] { fail(u"no server is set up: %1"_s.arg(error)); });
    m_state = std::move(*state);
    m_saved = m_state;
    for (SyncedItem &item : m_state.items) {
        for (QByteArray &line : item.lines)
            line = SameLine(line);
    }
    m_loaded = true;
    m_client = new CalendarClient(
        m_pass->m_network, Account{m_state.calendar, m_state.user, m_pass->m_password}, this);
    m_client->setTimeout(m_pass->m_timeout);

    book::RecoverAppointmentFile(m_pass->m_bookPath);
    const std::optional<book::AppointmentLines> lines =
        book::LoadAppointmentLines(m_pass->m_bookPath);
    if (!lines)
        return QTimer::singleShot(0, this, [this] { fail(u"the book cannot be read"_s); });
    for (const book::AppointmentLine line : *lines) {
        if (book::Appointment(line).isValid())
            m_book.append(SameLine(line.bytes()));
        else
            ++m_undated;
    }
    listServer();
}

void SyncRun::fail(const DavResult &result)
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_queue.clear();
    m_report.result = result;
    // What was done before the failure is kept for the next pass.
    save();
    m_report.finishedAt = QDateTime::currentDateTime();
    emit finished(m_report);
}

void SyncRun::fail(const QString &message)
{
    fail(DavResult{DavResult::Kind::ServerError, 0, message});
}

bool SyncRun::isFatal(const DavResult &result) const
{
    using Kind = DavResult::Kind;
    return result.kind == Kind::Unreachable || result.kind == Kind::Refused ||
           result.kind == Kind::NeedsPassword || result.kind == Kind::Insecure;
}

// A write the server refuses with 403 is refused for that item (a calendar that takes no such
// event, a UID it holds elsewhere): the item is left out, and the pass goes on.
bool SyncRun::isFatalForItem(const DavResult &result) const
{
    return isFatal(result) &&
           !(result.kind == DavResult::Kind::Refused && result.httpStatus == 403);
}

void SyncRun::listServer()
{
    m_client->changesSince(m_state.syncToken,
                           [this](const DavResult &result, const Listing &listing) {
                               if (result.ok())
                                   return takeListing(listing);
                               if (isFatal(result))
                                   return fail(result);
                               // A token the server no longer knows, or no sync-collection at all:
                               // the ctag tells whether anything changed, a listing what. The next
                               // pass starts again with a fresh token.
                               m_state.syncToken.clear();
                               listAll();
                           });
}

void SyncRun::listAll()
{
    const auto list = [this] {
        m_client->list([this](const DavResult &result, const Listing &listing) {
            if (!result.ok())
                return fail(result);
            Listing without = listing;
            without.syncToken.clear(); // this server's tokens are not to be used
            takeListing(without);
        });
    };
    if (m_state.ctag.isEmpty())
        return list();
    m_client->state([this, list](const DavResult &result, const Listing &listing) {
        if (!result.ok())
            return fail(result);
        if (listing.ctag != m_state.ctag)
            return list();
        Listing same;
        same.full = false;
        same.ctag = listing.ctag;
        takeListing(same);
    });
}

void SyncRun::takeListing(const Listing &listing)
{
    m_listing = listing;
    if (listing.full) {
        for (const ItemVersion &item : listing.items)
            m_server.insert(item.href, item.etag);
    } else {
        for (const SyncedItem &item : std::as_const(m_state.items))
            m_server.insert(item.href, item.etag);
        for (const ItemVersion &item : listing.items)
            m_server.insert(item.href, item.etag);
        for (const QString &href : listing.removed)
            m_server.remove(href);
    }
    fetchChanged();
}

void SyncRun::fetchChanged()
{
    QStringList hrefs;
    for (auto it = m_server.cbegin(); it != m_server.cend(); ++it) {
        const auto known = m_state.items.constFind(it.key());
        if (known == m_state.items.cend() || known->etag != it.value() ||
            (known->series && known->expanded != m_pass->m_today))
            hrefs.append(it.key());
    }
    fetchBatch(hrefs, [this, hrefs](const QList<FetchedItem> &items) {
        QSet<QString> answered;
        for (const FetchedItem &item : items) {
            answered.insert(item.href);
            m_server.insert(item.href, item.etag);
            m_fetched.insert(item.href, ServerItem{item.etag, ical::ReadCalendarItem(
                                                                  item.data, m_pass->m_today)});
        }
        // Asked for and not given: gone meanwhile, or held back by the server. An item synced
        // before stays as it was until a listing says it is gone, so that its lines stay too.
        for (const QString &href : hrefs) {
            if (answered.contains(href))
                continue;
            const auto known = m_state.items.constFind(href);
            if (known == m_state.items.cend()) {
                m_server.remove(href);
            } else {
                m_server.insert(href, known->etag);
                m_fetched.remove(href);
            }
        }
        plan();
    });
}

void SyncRun::fetchBatch(QStringList hrefs, const std::function<void(QList<FetchedItem>)> &done)
{
    if (hrefs.isEmpty())
        return done({});
    const QStringList batch = hrefs.mid(0, FetchBatch);
    hrefs.remove(0, batch.size());
    m_client->fetch(batch, [this, hrefs, done](const DavResult &result,
                                               const QList<FetchedItem> &items) {
        if (!result.ok())
            return fail(result);
        fetchBatch(hrefs, [items, done](const QList<FetchedItem> &rest) { done(items + rest); });
    });
}

void SyncRun::plan()
{
    m_plan = PlanSync(
        m_book, m_state, m_server, m_fetched, m_pass->m_today,
        [this](const QByteArray &uid) { return m_client->hrefFor(QString::fromUtf8(uid)); });
    m_report.leftOut = m_plan.leftOut;
    if (m_undated)
        m_report.leftOut.append(
            u"%1 of the book's lines fall on no date and stay in the book only"_s.arg(m_undated));
    m_report.itemsHere = m_book.size();
    m_report.itemsThere = m_server.size();
    m_report.wouldRemoveHere = m_plan.removedHere;
    m_report.wouldRemoveThere = m_plan.deletes.size();
    if (!m_pass->m_removalsAllowed && (TooMany(m_report.wouldRemoveHere, m_report.itemsHere) ||
                                       TooMany(m_report.wouldRemoveThere, m_report.itemsThere))) {
        m_report.needsConfirmation = true;
        m_stopped = true;
        m_report.finishedAt = QDateTime::currentDateTime();
        return emit finished(m_report);
    }
    if (!changeBook(m_plan.bookRemove, m_plan.bookAdd))
        return;
    m_report.addedHere = m_plan.addedHere;
    m_report.removedHere = m_plan.removedHere;
    m_report.changedHere = m_plan.changedHere;
    m_state.items = m_plan.items;
    if (!m_listing.syncToken.isEmpty())
        m_state.syncToken = m_listing.syncToken;
    if (!m_listing.ctag.isEmpty())
        m_state.ctag = m_listing.ctag;
    if (!save())
        return;
    writeServer();
}

bool SyncRun::changeBook(const QList<QByteArray> &remove, const QList<QByteArray> &add)
{
    if (m_stopped)
        return false;
    if (remove.isEmpty() && add.isEmpty())
        return true;
    QByteArray appended;
    for (const QByteArray &line : add)
        appended += line + "\r\n";
    int error = 0;
    const book::WriteStatus status = book::ChangeAppointmentFile(
        m_pass->m_bookPath,
        [&](const QByteArray &now) {
            if (remove.isEmpty())
                return book::BookChange{book::BookChange::Kind::Append, appended};
            // One copy of each line to go, where the book still has it.
            book::AppointmentLines lines(now);
            QHash<QByteArray, qsizetype> going;
            for (const QByteArray &line : remove)
                ++going[line];
            for (qsizetype i = lines.size() - 1; i >= 0; --i) {
                const auto it = going.find(SameLine(lines.at(i).bytes()));
                if (it != going.end() && *it > 0) {
                    --*it;
                    lines.removeAt(i);
                }
            }
            return book::BookChange{book::BookChange::Kind::Replace,
                                    book::AppointmentFileContent(lines) + appended};
        },
        &error);
    if (status == book::WriteStatus::Written) {
        m_report.bookChanged = true;
        return true;
    }
    fail(status == book::WriteStatus::InUse
             ? u"the book is in use by another program; nothing was changed"_s
             : u"the book cannot be written: %1"_s.arg(QString::fromLocal8Bit(strerror(error))));
    return false;
}

void SyncRun::writeServer()
{
    m_sinceSave.start();
    for (const NewEvent &event : std::as_const(m_plan.puts))
        m_queue.append([this, event] { putNew(event, 0); });
    for (const QString &href : std::as_const(m_plan.deletes))
        m_queue.append([this, href] { removeItem(href, 0); });
    for (auto it = m_plan.exclusions.cbegin(); it != m_plan.exclusions.cend(); ++it)
        m_queue.append([this, href = it.key()] { excludeOccurrences(href, 0); });
    for (auto it = m_plan.edits.cbegin(); it != m_plan.edits.cend(); ++it)
        m_queue.append([this, href = it.key(), line = it.value()] { editItem(href, line, 0); });
    runNext();
}

void SyncRun::runNext()
{
    if (m_stopped)
        return;
    while (m_running < WritesAtOnce && !m_queue.isEmpty()) {
        ++m_running;
        m_queue.takeFirst()();
    }
    if (m_running == 0 && m_queue.isEmpty())
        readBack();
}

void SyncRun::operationDone()
{
    if (m_stopped) // answers still coming after a failure change nothing more
        return;
    --m_running;
    saveNowAndThen();
    runNext();
}

void SyncRun::putNew(const NewEvent &event, int attempt)
{
    const QByteArray data =
        ical::CalendarOfLine(event.line, event.uid, QDateTime::currentDateTimeUtc());
    m_client->put(
        event.href, data, {},
        [this, event, attempt](const DavResult &result, const QByteArray &etag) {
            if (result.ok()) {
                m_state.items.insert(
                    event.href, SyncedItem{event.href, etag, event.uid, {event.line}, false, {}});
                if (etag.isEmpty())
                    m_withoutEtag.append(event.href);
                ++m_report.addedThere;
                return operationDone();
            }
            if (result.kind != DavResult::Kind::Changed || attempt >= Attempts) {
                if (isFatalForItem(result))
                    return fail(result);
                m_report.leftOut.append(
                    u"\"%1\": %2"_s.arg(QString::fromUtf8(event.line), result.message));
                return operationDone();
            }
            // The href is taken: by this line's own event when a pass was cut off after its PUT,
            // which is then adopted, or by another item, and the line takes the next UID.
            m_client->fetch({event.href}, [this, event, attempt](const DavResult &result,
                                                                 const QList<FetchedItem> &items) {
                if (!result.ok() && isFatal(result))
                    return fail(result);
                if (!items.isEmpty()) {
                    const ical::CalendarItem item =
                        ical::ReadCalendarItem(items.first().data, m_pass->m_today);
                    if (item.lines == QList<QByteArray>{event.line} &&
                        !m_state.items.contains(event.href)) {
                        m_state.items.insert(event.href,
                                             SyncedItem{event.href, items.first().etag, item.uid,
                                                        item.lines, item.series, m_pass->m_today});
                        return operationDone();
                    }
                }
                NewEvent next = event;
                for (qsizetype n = 1;; ++n) {
                    next.uid = event.uid.first(event.uid.lastIndexOf('-')) + '-' +
                               QByteArray::number(n + qsizetype(attempt) * 1000) + "@zentavo";
                    next.href = m_client->hrefFor(QString::fromUtf8(next.uid));
                    if (!m_server.contains(next.href) && !m_state.items.contains(next.href))
                        break;
                }
                putNew(next, attempt + 1);
            });
        });
}

void SyncRun::removeItem(const QString &href, int attempt)
{
    const SyncedItem item = m_state.items.value(href);
    m_client->remove(href, item.etag, [this, href, attempt](const DavResult &result) {
        if (result.ok() || result.kind == DavResult::Kind::NotFound) {
            m_state.items.remove(href);
            ++m_report.removedThere;
            return operationDone();
        }
        if (isFatalForItem(result))
            return fail(result);
        if (result.kind != DavResult::Kind::Changed || attempt >= Attempts) {
            m_report.leftOut.append(u"%1: %2"_s.arg(href, result.message));
            return operationDone();
        }
        // Changed there since: the change wins over the delete here, and comes back to the book.
        m_client->fetch(
            {href}, [this, href](const DavResult &result, const QList<FetchedItem> &items) {
                if (!result.ok())
                    return isFatal(result) ? fail(result) : operationDone();
                if (items.isEmpty()) {
                    m_state.items.remove(href);
                    return operationDone();
                }
                const ical::CalendarItem read =
                    ical::ReadCalendarItem(items.first().data, m_pass->m_today);
                // Into the book before into the state: a state that knows the new version
                // while the book lacks its lines would delete it on the next pass.
                if (!changeBook({}, read.lines))
                    return;
                m_state.items.insert(href, SyncedItem{href, items.first().etag, read.uid,
                                                      read.lines, read.series, m_pass->m_today});
                ++m_report.changedHere;
                operationDone();
            });
    });
}

void SyncRun::excludeOccurrences(const QString &href, int attempt)
{
    m_client->fetch(
        {href}, [this, href, attempt](const DavResult &result, const QList<FetchedItem> &items) {
            if (!result.ok())
                return isFatal(result) ? fail(result) : operationDone();
            if (items.isEmpty()) { // gone meanwhile
                m_state.items.remove(href);
                return operationDone();
            }
            const FetchedItem &fetched = items.first();
            const QList<QByteArray> gone = m_plan.exclusions.value(href);
            SyncedItem item = m_state.items.value(href);
            const auto settled = [this, href, gone](SyncedItem item, const QByteArray &etag) {
                QHash<QByteArray, qsizetype> going;
                for (const QByteArray &line : gone)
                    ++going[line];
                QList<QByteArray> kept;
                for (const QByteArray &line : std::as_const(item.lines)) {
                    auto it = going.find(line);
                    if (it != going.end() && *it > 0)
                        --*it;
                    else
                        kept.append(line);
                }
                item.lines = kept;
                item.etag = etag;
                m_state.items.insert(href, item);
            };
            if (fetched.etag != item.etag && attempt == 0) {
                // Changed there since the listing: the next pass judges the new version.
                return operationDone();
            }
            const std::optional<QByteArray> data = ical::WithoutOccurrences(fetched.data, gone);
            if (!data) {
                settled(item, fetched.etag);
                return operationDone();
            }
            rewrite(
                href, *data, fetched.etag, attempt,
                [settled, item](const QByteArray &etag) { settled(item, etag); },
                [this, href, attempt] { excludeOccurrences(href, attempt + 1); });
        });
}

void SyncRun::rewrite(const QString &href, const QByteArray &data, const QByteArray &etag,
                      int attempt, const std::function<void(const QByteArray &etag)> &written,
                      const std::function<void()> &again)
{
    m_client->put(href, data, etag, [=, this](const DavResult &result, const QByteArray &newEtag) {
        if (result.ok()) {
            written(newEtag);
            if (newEtag.isEmpty())
                m_withoutEtag.append(href);
            ++m_report.changedThere;
            return operationDone();
        }
        if (isFatalForItem(result))
            return fail(result);
        if (result.kind == DavResult::Kind::Changed && attempt < Attempts)
            return again();
        m_report.leftOut.append(u"%1: %2"_s.arg(href, result.message));
        operationDone();
    });
}

NewEvent SyncRun::newEventFor(const QByteArray &line) const
{
    for (qsizetype n = 0;; ++n) {
        const QByteArray uid = ical::EventUid(line, n);
        const QString href = m_client->hrefFor(QString::fromUtf8(uid));
        if (!m_server.contains(href) && !m_state.items.contains(href))
            return NewEvent{line, uid, href};
    }
}

void SyncRun::editItem(const QString &href, const QByteArray &line, int attempt)
{
    m_client->fetch({href}, [this, href, line, attempt](const DavResult &result,
                                                        QList<FetchedItem> items) {
        if (!result.ok())
            return isFatal(result) ? fail(result) : operationDone();
        const SyncedItem item = m_state.items.value(href);
        if (items.isEmpty()) { // gone there meanwhile: the edited line is a new event
            m_state.items.remove(href);
            return putNew(newEventFor(line), 0);
        }
        const FetchedItem fetched = items.first();
        if (fetched.etag != item.etag) {
            // Changed there too: both versions stay, the server's as a line of its own.
            const ical::CalendarItem read = ical::ReadCalendarItem(fetched.data, m_pass->m_today);
            if (!changeBook({}, read.lines))
                return;
            m_state.items.insert(href, SyncedItem{href, fetched.etag, read.uid, read.lines,
                                                  read.series, m_pass->m_today});
            ++m_report.changedHere;
            return putNew(newEventFor(line), 0);
        }
        const std::optional<QByteArray> data =
            ical::WithLine(fetched.data, line, QDateTime::currentDateTimeUtc());
        if (!data) {
            m_report.leftOut.append(
                u"\"%1\": cannot be written to the server"_s.arg(QString::fromUtf8(line)));
            return operationDone();
        }
        rewrite(
            href, *data, fetched.etag, attempt,
            [this, href, line, item](const QByteArray &etag) {
                SyncedItem now = item;
                now.lines = {line};
                now.etag = etag;
                m_state.items.insert(href, now);
            },
            [this, href, line, attempt] { editItem(href, line, attempt + 1); });
    });
}

void SyncRun::readBack()
{
    if (m_report.addedThere + m_report.removedThere + m_report.changedThere == 0 ||
        m_state.syncToken.isEmpty())
        return readEtags();
    // The token of the listing is older than this pass's own writes, and a server may tell
    // changes as the difference between two states: an item put here and removed elsewhere
    // before the next pass would then never show as removed. What changed since is asked
    // again; when it is all this pass's own doing, the newer token is taken, and the ETags
    // the server did not give with its answers to PUT come with it.
    m_client->changesSince(
        m_state.syncToken, [this](const DavResult &result, const Listing &listing) {
            if (result.ok() && !listing.syncToken.isEmpty()) {
                bool ours = true;
                for (const QString &href : std::as_const(listing.removed))
                    ours = ours && !m_state.items.contains(href);
                for (const ItemVersion &item : std::as_const(listing.items)) {
                    const auto it = m_state.items.constFind(item.href);
                    ours = ours && it != m_state.items.cend() &&
                           (it->etag == item.etag ||
                            (it->etag.isEmpty() && m_withoutEtag.contains(item.href)));
                }
                if (ours) {
                    for (const ItemVersion &item : std::as_const(listing.items))
                        m_state.items[item.href].etag = item.etag;
                    m_withoutEtag.clear();
                    m_state.syncToken = listing.syncToken;
                }
            }
            readEtags();
        });
}

void SyncRun::readEtags()
{
    const QStringList hrefs = m_withoutEtag;
    m_withoutEtag.clear();
    fetchBatch(hrefs, [this](const QList<FetchedItem> &items) {
        for (const FetchedItem &fetched : items) {
            const auto it = m_state.items.find(fetched.href);
            if (it != m_state.items.end())
                it->etag = fetched.etag;
        }
        finish();
    });
}

void SyncRun::finish()
{
    if (m_stopped)
        return;
    m_stopped = true;
    if (!save())
        return;
    m_report.finishedAt = QDateTime::currentDateTime();
    emit finished(m_report);
}

bool SyncRun::save()
{
    if (!m_loaded) // nothing to keep, and no state to write over
        return true;
    if (m_state == m_saved) {
        m_sinceSave.restart();
        return true;
    }
    QString error;
    if (SaveSyncState(m_statePath, m_state, &error)) {
        m_saved = m_state;
        m_sinceSave.restart();
        return true;
    }
    m_report.result = DavResult{DavResult::Kind::ServerError, 0,
                                u"the sync state cannot be written: %1"_s.arg(error)};
    if (!m_stopped) {
        m_stopped = true;
        m_report.finishedAt = QDateTime::currentDateTime();
        emit finished(m_report);
    }
    return false;
}

void SyncRun::saveNowAndThen()
{
    if (!m_stopped && m_sinceSave.elapsed() >= SaveEveryMs)
        save();
}

} // namespace caldav
