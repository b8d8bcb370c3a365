#pragma once

#include "ical/calendaritem.h"
#include "sync/syncstate.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace caldav {

// An item read from the server in the version `etag` names.
struct ServerItem
{
    QByteArray etag;
    ical::CalendarItem item;
};

// A line new in the book, to go to the server as an event of its own.
struct NewEvent
{
    QByteArray line;
    QByteArray uid;
    QString href;
};

// What a sync pass does, judged item by item from the book now, the server now and the state of
// the last sync.
struct SyncPlan
{
    // The book's change: lines to take out (one copy each) and lines to add.
    QList<QByteArray> bookRemove;
    QList<QByteArray> bookAdd;
    // The state once the book has changed; the server's changes below change it further as
    // each is made.
    QHash<QString, SyncedItem> items;
    QList<NewEvent> puts;
    // Items gone from the book, to remove from the server in the version of the state.
    QList<QString> deletes;
    // Items whose one line was edited here (its line gone, a new line of the same date and
    // time, or of the same content, in its place): the server's copy is changed to the new
    // line, keeping what the book cannot show. By href, the new line.
    QHash<QString, QByteArray> edits;
    // Occurrences of series gone from the book, by href, to take out of the series.
    QHash<QString, QList<QByteArray>> exclusions;

    qsizetype addedHere = 0;
    qsizetype removedHere = 0;
    qsizetype changedHere = 0;
    QStringList leftOut;
};

// The plan for a book of `bookLines` (every line that falls on a date), a server that holds
// `serverNow` (href to ETag), of which `fetched` are the items new or changed since `state`
// (and series to expand again), read as of `today`. `hrefFor` gives the href of a new event's
// UID; `taken` tells whether an href is in use. An item changed on one side and gone from the
// other stays, in its changed version; a line edited here and its event edited there both stay.
SyncPlan PlanSync(const QList<QByteArray> &bookLines, const SyncState &state,
                  const QHash<QString, QByteArray> &serverNow,
                  const QHash<QString, ServerItem> &fetched, QDate today,
                  const std::function<QString(const QByteArray &uid)> &hrefFor);

} // namespace caldav
