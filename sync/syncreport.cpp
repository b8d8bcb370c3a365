#include "sync/syncreport.h"

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

QString Appointments(qsizetype n)
{
    return n == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(n);
}

} // namespace

QString SyncReport::summary() const
{
    if (!result.ok())
        return result.message;
    if (needsConfirmation)
        return u"waiting: %1"_s.arg(question());
    QStringList parts;
    const auto say = [&](const QString &what, qsizetype here, qsizetype there) {
        if (here && there)
            parts.append(u"%1 %2 here, %3 there"_s.arg(what).arg(here).arg(there));
        else if (here)
            parts.append(u"%1 %2 here"_s.arg(what).arg(here));
        else if (there)
            parts.append(u"%1 %2 there"_s.arg(what).arg(there));
    };
    say(u"added"_s, addedHere, addedThere);
    say(u"removed"_s, removedHere, removedThere);
    say(u"changed"_s, changedHere, changedThere);
    QString text = parts.isEmpty() ? u"nothing to do"_s : parts.join(u"; "_s);
    if (!leftOut.isEmpty())
        text += u"; %1 left out"_s.arg(leftOut.size());
    return text;
}

QString SyncReport::question() const
{
    QStringList parts;
    if (wouldRemoveThere)
        parts.append(u"remove %1 of %2 from the server"_s.arg(Appointments(wouldRemoveThere))
                         .arg(itemsThere));
    if (wouldRemoveHere)
        parts.append(
            u"remove %1 of %2 from this book"_s.arg(Appointments(wouldRemoveHere)).arg(itemsHere));
    return u"This sync would %1. Go on?"_s.arg(parts.join(u" and "_s));
}

} // namespace caldav
