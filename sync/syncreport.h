#pragma once

#include "sync/davresult.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace caldav {

// What a sync pass did, or why it stopped.
struct SyncReport
{
    DavResult result;
    QDateTime finishedAt;
    // Appointments (book lines and server events) that came, went or changed on each side.
    qsizetype addedHere = 0;
    qsizetype addedThere = 0;
    qsizetype removedHere = 0;
    qsizetype removedThere = 0;
    qsizetype changedHere = 0;
    qsizetype changedThere = 0;
    // What was not synced, and why, one a line.
    QStringList leftOut;
    // The pass stopped before any change because it would empty a side, or remove more than
    // half of its items, and removals were not allowed: how many would go where, of how many.
    bool needsConfirmation = false;
    qsizetype wouldRemoveHere = 0;
    qsizetype wouldRemoveThere = 0;
    qsizetype itemsHere = 0;
    qsizetype itemsThere = 0;
    // The book was written.
    bool bookChanged = false;

    bool ok() const { return result.ok() && !needsConfirmation; }
    // One line of what the pass did: "added 2 here, 1 there; removed 0 here, 3 there", or
    // "nothing to do"; the error where it failed.
    QString summary() const;
    // The question to put before a pass that needsConfirmation.
    QString question() const;
};

} // namespace caldav

Q_DECLARE_METATYPE(caldav::SyncReport)
