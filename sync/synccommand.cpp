#include "sync/synccommand.h"

#include "sync/syncpass.h"
#include "sync/syncsetup.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace caldav {

namespace {

bool WantsPassword(const DavResult &result)
{
    return result.kind == DavResult::Kind::NeedsPassword || result.kind == DavResult::Kind::Refused;
}

// The failure, with how to give the password where none was given nor could be asked for.
QString FailureText(const DavResult &result, const QString &user, const Passwords &passwords)
{
    if (result.kind != DavResult::Kind::NeedsPassword || !passwords.given.isNull())
        return result.message;
    if (user.isEmpty())
        return result.message + u"; give the user name with --sync-with URL --user NAME"_s;
    return result.message + u"; give the password on standard input with --password-stdin"_s;
}

SetupReport SetUpNow(const QString &bookPath, const Account &account, bool test)
{
    QNetworkAccessManager network;
    QEventLoop loop;
    SetupReport report;
    SetUpSync(&network, bookPath, account, test, [&](SetupReport done) {
        report = std::move(done);
        loop.quit();
    });
    loop.exec();
    return report;
}

SyncReport SyncNow(const QString &bookPath, const QString &password, bool yes)
{
    QNetworkAccessManager network;
    QEventLoop loop;
    SyncReport report;
    SyncPass pass(&network, bookPath, password);
    pass.setRemovalsAllowed(yes);
    QObject::connect(&pass, &SyncPass::finished, &loop, [&](const SyncReport &done) {
        report = done;
        loop.quit();
    });
    pass.start();
    loop.exec();
    return report;
}

// Keeps a password that the server took, saying so where the keyring cannot.
void Keep(const Passwords &passwords, const Account &account, QTextStream &err)
{
    if (account.password.isEmpty() || !passwords.keep)
        return;
    QString error;
    if (!passwords.keep(account, account.password, &error))
        err << "zentavo: the keyring cannot keep the password (" << error
            << "); it will be asked again" << Qt::endl;
}

} // namespace

int SyncWithCommand(const QString &bookPath, const Account &given, const Passwords &passwords,
                    QTextStream &out, QTextStream &err)
{
    Account account = given;
    account.password = passwords.given;
    SetupReport report = SetUpNow(bookPath, account, false);
    if (WantsPassword(report.result) && passwords.given.isNull() && passwords.ask) {
        account.password = passwords.ask();
        report = SetUpNow(bookPath, account, false);
    }
    if (!report.result.ok()) {
        err << "zentavo: " << FailureText(report.result, account.user, passwords) << Qt::endl;
        return 1;
    }
    Keep(passwords, Account{report.calendar.url, account.user, account.password}, err);
    out << "Syncs with " << report.calendar.url.toString() << ": " << report.summary()
        << (report.calendar.made ? u" (made now)"_s : QString()) << Qt::endl;
    return 0;
}

int SyncCommand(const QString &bookPath, bool yes, const Passwords &passwords, QTextStream &out,
                QTextStream &err)
{
    Account account;
    if (!SyncIsSetUp(bookPath, &account)) {
        err << "zentavo: no server is set up; give --sync-with URL first" << Qt::endl;
        return 1;
    }
    bool asked = false;
    account.password = passwords.given;
    if (account.password.isNull() && passwords.stored)
        account.password = passwords.stored(account);
    SyncReport report = SyncNow(bookPath, account.password, yes);
    if (WantsPassword(report.result) && passwords.given.isNull() && passwords.ask) {
        account.password = passwords.ask();
        asked = true;
        report = SyncNow(bookPath, account.password, yes);
    }
    if (report.needsConfirmation) {
        err << "zentavo: " << report.question().chopped(QStringLiteral(". Go on?").size())
            << "; nothing was changed. Give --yes to do it." << Qt::endl;
        return 1;
    }
    if (!report.result.ok()) {
        err << "zentavo: " << FailureText(report.result, account.user, passwords) << Qt::endl;
        return 1;
    }
    if (asked)
        Keep(passwords, account, err);
    out << "Synced with " << account.url.toString() << ": " << report.summary() << Qt::endl;
    for (const QString &what : std::as_const(report.leftOut))
        out << "left out: " << what << Qt::endl;
    return 0;
}

int SyncOffCommand(const QString &bookPath, const Passwords &passwords, QTextStream &out,
                   QTextStream &err)
{
    Account account;
    if (!SyncIsSetUp(bookPath, &account)) {
        out << "No server was set up." << Qt::endl;
        return 0;
    }
    QString error;
    if (!StopSync(bookPath, &error)) {
        err << "zentavo: " << error << Qt::endl;
        return 1;
    }
    if (passwords.forget)
        passwords.forget(account);
    out << "No longer syncs with " << account.url.toString()
        << "; nothing was deleted on either side." << Qt::endl;
    return 0;
}

} // namespace caldav
