#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace caldav {

// An item of the calendar as the last sync left it on both sides.
struct SyncedItem
{
    QString href; // percent-decoded path
    QByteArray etag;
    QByteArray uid;
    // The book lines it stands for: one, the occurrences of a series, or none for an item the
    // book cannot hold (a to-do, say), which is kept so that it is not read again.
    QList<QByteArray> lines;
    // The lines are occurrences of a series, each of which goes on its own.
    bool series = false;
    // The day the series was expanded around; it is expanded again when today moves on.
    QDate expanded;

    friend bool operator==(const SyncedItem &, const SyncedItem &) = default;
};

// The state of a book's sync: where, as whom, and what the calendar and the book held after
// the last sync, by href.
struct SyncState
{
    QUrl calendar;
    QString user;
    QByteArray syncToken;
    QByteArray ctag;
    QHash<QString, SyncedItem> items;

    friend bool operator==(const SyncState &, const SyncState &) = default;
};

// The state lies beside the book, in a file of the book's name and ".sync".
QString SyncStatePath(const QString &bookPath);

// nullopt, with `error` set, where the file is missing or cannot be read; one that is not such
// a state reads as an error too, so that nothing is written over it.
std::optional<SyncState> LoadSyncState(const QString &path, QString *error = nullptr);
// Writes the state whole or not at all (a new file that takes the old one's place), readable by
// the owner only, and on disk when it returns true.
bool SaveSyncState(const QString &path, const SyncState &state, QString *error = nullptr);

} // namespace caldav
