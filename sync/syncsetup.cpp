#include "sync/syncsetup.h"

#include "sync/syncstate.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace caldav {

QString SetupReport::summary() const
{
    if (!result.ok())
        return result.message;
    if (calendar.toBeMade)
        return u"No calendar yet; one named '%1' will be made"_s.arg(calendar.name);
    return u"Calendar '%1', %2"_s.arg(calendar.name,
                                      events == 1 ? u"1 event"_s : u"%1 events"_s.arg(events));
}

void SetUpSync(QNetworkAccessManager *network, const QString &bookPath, const Account &account,
               bool test, const std::function<void(SetupReport)> &done)
{
    if (!account.url.userInfo().isEmpty()) {
        // A password in the address would go to files, messages and plain http.
        const SetupReport refused{DavResult{DavResult::Kind::Insecure, 0,
                                            u"give the user name and the password apart from "
                                            u"the address"_s},
                                  {},
                                  0};
        QTimer::singleShot(0, network, [done, refused] { done(refused); });
        return;
    }
    FindCalendar(
        network, account, !test, [=](const DavResult &result, const FoundCalendar &calendar) {
            SetupReport report{result, calendar, 0};
            if (!result.ok() || calendar.toBeMade)
                return done(report);
            auto *client =
                new CalendarClient(network, Account{calendar.url, account.user, account.password});
            client->list([=](const DavResult &result, const Listing &listing) mutable {
                client->deleteLater();
                report.result = result;
                report.events = listing.items.size();
                if (!result.ok() || test)
                    return done(report);
                const QString path = SyncStatePath(bookPath);
                std::optional<SyncState> state = LoadSyncState(path);
                if (!state || state->calendar != calendar.url || state->user != account.user)
                    state = SyncState{calendar.url, account.user, {}, {}, {}};
                QString error;
                if (!SaveSyncState(path, *state, &error))
                    report.result = DavResult{DavResult::Kind::ServerError, 0,
                                              u"the sync state cannot be written: %1"_s.arg(error)};
                done(report);
            });
        });
}

QUrl AddressFromUser(const QString &typed)
{
    const QString address = typed.trimmed();
    QUrl url =
        address.contains(u"://"_s) ? QUrl(address, QUrl::StrictMode) : QUrl::fromUserInput(address);
    if (url.isValid() &&
        (url.host().isEmpty() || (url.scheme() != u"https"_s && url.scheme() != u"http"_s)))
        url = QUrl();
    return url;
}

bool SyncIsSetUp(const QString &bookPath, Account *account)
{
    const std::optional<SyncState> state = LoadSyncState(SyncStatePath(bookPath));
    if (state && account)
        *account = Account{state->calendar, state->user, {}};
    return state.has_value();
}

bool StopSync(const QString &bookPath, QString *error)
{
    QFile file(SyncStatePath(bookPath));
    if (!file.exists() || file.remove())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

QString PasswordKey(const Account &account, const QString &bookPath)
{
    return u"%1@%2 for %3"_s.arg(account.user, account.url.toString(), bookPath);
}

} // namespace caldav
