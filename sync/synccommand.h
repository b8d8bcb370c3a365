#pragma once

#include "sync/calendarclient.h"

#include <QString>

#include <functional>

class QTextStream;

namespace caldav {

// Where the command line gets a password, and keeps it: each may be empty.
struct Passwords
{
    // Given on standard input (--password-stdin); null when it was not.
    QString given;
    // Asks the person at the terminal; null when there is none.
    std::function<QString()> ask;
    // The keyring: the password kept for an account (null for none), keeping and forgetting
    // one; false with `error` set where the keyring cannot keep it.
    std::function<QString(const Account &)> stored;
    std::function<bool(const Account &, const QString &, QString *error)> keep;
    std::function<void(const Account &)> forget;
};

// The sync from the command line, on the book at `bookPath`. Each returns the process's exit
// status: 0 when done, 1 with a message on `err` when the server cannot be reached, refuses
// the password or answers what is not CalDAV, or the book cannot be written.

// Sets the server up (SetUpSync()) and says what it found.
int SyncWithCommand(const QString &bookPath, const Account &account, const Passwords &passwords,
                    QTextStream &out, QTextStream &err);
// One pass, then a line for what it did and one for each thing left out. A pass that would
// empty a side or remove more than half of one is made only with `yes`.
int SyncCommand(const QString &bookPath, bool yes, const Passwords &passwords, QTextStream &out,
                QTextStream &err);
// Forgets the server and its password; deletes nothing on either side.
int SyncOffCommand(const QString &bookPath, const Passwords &passwords, QTextStream &out,
                   QTextStream &err);

} // namespace caldav
