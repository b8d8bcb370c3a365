#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace platform {

// The desktop's keyring (the Secret Service, through QtKeychain), where the passwords of sync
// accounts are kept; never a file. Asynchronous: each callback runs once, later.
class PasswordStore : public QObject
{
    Q_OBJECT
public:
    explicit PasswordStore(QObject *parent = nullptr);

    // The password kept under `key`; found false when there is none or no keyring.
    void read(const QString &key, std::function<void(bool found, QString password)> done);
    // Keeps `password` under `key`; ok false, with the keyring's message, where it cannot.
    void write(const QString &key, const QString &password,
               std::function<void(bool ok, QString error)> done);
    void remove(const QString &key, std::function<void(bool ok, QString error)> done);

    // The same, waiting for the answer in an event loop of its own: for the command line.
    static bool ReadNow(const QString &key, QString *password);
    static bool WriteNow(const QString &key, const QString &password, QString *error);
    static void RemoveNow(const QString &key);
};

} // namespace platform
