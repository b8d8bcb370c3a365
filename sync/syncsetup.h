#pragma once

#include "sync/calendarclient.h"
#include "sync/calendarfinder.h"
#include "sync/davresult.h"

#include <QString>

#include <functional>

class QNetworkAccessManager;

namespace caldav {

// What setting a server up found.
struct SetupReport
{
    DavResult result;
    FoundCalendar calendar;
    qsizetype events = 0; // items in the calendar
    // "Calendar 'Personal', 42 events", or the error.
    QString summary() const;
};

// Finds the calendar the account's address leads to (FindCalendar()), counts its items, and
// makes the book sync with it from now on: its sync state names the calendar and the user. A
// state for the same calendar and user is kept as it is; one for another calendar starts
// afresh, deleting nothing on either side. `test` only finds and counts, and writes nothing.
void SetUpSync(QNetworkAccessManager *network, const QString &bookPath, const Account &account,
               bool test, const std::function<void(SetupReport)> &done);

// The address a user typed: one with its scheme as it is, so that a fault in it (a port of
// 99999) is said rather than guessed around; one without ("dav.example.org") as a browser
// reads it. Invalid, with its errorString(), where it is no http or https address.
QUrl AddressFromUser(const QString &typed);

// Whether the book syncs with a server, and with which: the calendar and user of its state.
bool SyncIsSetUp(const QString &bookPath, Account *account = nullptr);

// Forgets the server: removes the sync state; deletes nothing on either side. False with
// `error` set where the state cannot be removed.
bool StopSync(const QString &bookPath, QString *error = nullptr);

// The key under which the account's password for the book is kept in the keyring: "user@url
// for /path/ganctl.ngb". Each book has its own, so that stopping one leaves another's.
QString PasswordKey(const Account &account, const QString &bookPath);

} // namespace caldav
