#include "platform/passwordstore.h"

#include <QEventLoop>
#include <QPointer>

#include <qt6keychain/keychain.h>

#include <utility>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// The keyring's entries of this program go under its name.
const QString Service = u"Zentavo"_s;

// Where the desktop has no keyring, QtKeychain would keep the password in a plain settings file
// instead: never here, as the file would hold it readable to anyone with the disk.
template<typename Job>
Job *Prepare(Job *job, const QString &key)
{
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    job->setKey(key);
    return job;
}

// Whether a keyring can be asked at all; the QtKeychain of Debian 12 (0.13) cannot tell before
// a job, and then the job itself fails.
bool KeyringAvailable()
{
#ifdef ZENTAVO_KEYCHAIN_TELLS_AVAILABLE
    return QKeychain::isAvailable();
#else
    return true;
#endif
}

const QString NoKeyring = u"no keyring is available"_s;

// Runs `start` with a callback that ends a loop of its own, and waits for it.
template<typename Start>
void Wait(Start start)
{
    QEventLoop loop;
    bool done = false;
    start([&] {
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
}

} // namespace

PasswordStore::PasswordStore(QObject *parent)
    : QObject(parent)
{
}

// The jobs have no parent: QtKeychain's callbacks from the keyring would reach a job deleted
// with this store. They delete themselves once finished; what they tell after this store is
// gone goes nowhere, as the store is the context of the connection.

void PasswordStore::read(const QString &key, std::function<void(bool found, QString password)> done)
{
    if (!KeyringAvailable()) {
        QMetaObject::invokeMethod(
            this, [done] { done(false, {}); }, Qt::QueuedConnection);
        return;
    }
    auto *job = Prepare(new QKeychain::ReadPasswordJob(Service), key);
    connect(job, &QKeychain::Job::finished, this, [done = std::move(done)](QKeychain::Job *ended) {
        const auto *read = static_cast<QKeychain::ReadPasswordJob *>(ended);
        const bool found = read->error() == QKeychain::NoError;
        done(found, found ? read->textData() : QString());
    });
    job->start();
}

void PasswordStore::write(const QString &key, const QString &password,
                          std::function<void(bool ok, QString error)> done)
{
    if (!KeyringAvailable()) {
        QMetaObject::invokeMethod(
            this, [done] { done(false, NoKeyring); }, Qt::QueuedConnection);
        return;
    }
    auto *job = Prepare(new QKeychain::WritePasswordJob(Service), key);
    job->setTextData(password);
    connect(job, &QKeychain::Job::finished, this, [done = std::move(done)](QKeychain::Job *ended) {
        const bool ok = ended->error() == QKeychain::NoError;
        done(ok, ok ? QString() : ended->errorString());
    });
    job->start();
}

void PasswordStore::remove(const QString &key, std::function<void(bool ok, QString error)> done)
{
    if (!KeyringAvailable()) {
        QMetaObject::invokeMethod(
            this, [done] { done(false, NoKeyring); }, Qt::QueuedConnection);
        return;
    }
    auto *job = Prepare(new QKeychain::DeletePasswordJob(Service), key);
    connect(job, &QKeychain::Job::finished, this, [done = std::move(done)](QKeychain::Job *ended) {
        // A password that was not there is gone as well.
        const bool ok =
            ended->error() == QKeychain::NoError || ended->error() == QKeychain::EntryNotFound;
        done(ok, ok ? QString() : ended->errorString());
    });
    job->start();
}

bool PasswordStore::ReadNow(const QString &key, QString *password)
{
    PasswordStore store;
    bool found = false;
    Wait([&](const std::function<void()> &quit) {
        store.read(key, [&, quit](bool was, const QString &kept) {
            found = was;
            if (password)
                *password = kept;
            quit();
        });
    });
    return found;
}

bool PasswordStore::WriteNow(const QString &key, const QString &password, QString *error)
{
    PasswordStore store;
    bool written = false;
    Wait([&](const std::function<void()> &quit) {
        store.write(key, password, [&, quit](bool ok, const QString &message) {
            written = ok;
            if (error)
                *error = message;
            quit();
        });
    });
    return written;
}

void PasswordStore::RemoveNow(const QString &key)
{
    PasswordStore store;
    Wait([&](const std::function<void()> &quit) {
        store.remove(key, [quit](bool, const QString &) { quit(); });
    });
}

} // namespace platform
