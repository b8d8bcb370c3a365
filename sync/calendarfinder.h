#pragma once

#include "sync/calendarclient.h"
#include "sync/davresult.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

namespace caldav {

// The calendar that an address leads to.
struct FoundCalendar
{
    QUrl url;              // the collection, with a final slash
    QString name;          // its displayname, or the last part of its path
    bool made = false;     // true when the finder made it (MKCALENDAR)
    bool toBeMade = false; // true when the account has none yet and the finder may not make it
};

// Finds the calendar that a user means by an address (RFC 6764, RFC 4791): the address itself
// when it is a calendar collection; else from its current-user-principal (from
// /.well-known/caldav when the address has none) to its calendar-home-set to the first
// calendar there that holds events and that the user may write to; when there is none, one
// named "Zentavo" is made there with MKCALENDAR, or, when `mayMake` is false, only named
// (toBeMade). Follows redirects, but never from https to http. A password goes only over
// https, or plain http to a loopback address (Insecure otherwise); NeedsPassword when the
// server asks for one and none was given.
void FindCalendar(QNetworkAccessManager *network, const Account &account, bool mayMake,
                  std::function<void(DavResult, FoundCalendar)> done);

} // namespace caldav
