#pragma once

#include "sync/calendarclient.h"

#include <QDialog>
#include <QString>

#include <functional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPushButton;

namespace platform {
class PasswordStore;
} // namespace platform

// "Sync with a server…": the address of a CalDAV server or calendar, the user name and the
// password; Test finds the calendar and says what it holds, OK makes the book sync with it
// from now on and keeps the password in the keyring. Nothing waits: the requests run while
// the dialog stays usable, and what they found or why they failed is said in the dialog.
class SyncDialog : public QDialog
{
    Q_OBJECT

public:
    // `current` fills the fields (the server set up now, if any). `whenIdle` runs what it is
    // given once no sync pass runs, so that a pass that ends later does not write its state
    // over the new one.
    SyncDialog(QNetworkAccessManager *network, QString bookPath, const caldav::Account &current,
               platform::PasswordStore *passwords,
               std::function<void(std::function<void()>)> whenIdle, QWidget *parent = nullptr);

    void accept() override;
    void reject() override;

signals:
    // The book syncs with `account` (the calendar found, with the password typed) from now on.
    // `keyringError` says why the keyring could not keep the password; empty when it did.
    void setUp(const caldav::Account &account, const QString &keyringError);

private:
    void test();
    // The account the fields give; false, having said why, for an address that is none.
    bool readAccount(caldav::Account *account);
    void setRunning(bool running, bool settingUp);
    void say(const QString &text);
    void sayFailure(const QString &message); // as a sentence of its own

    QNetworkAccessManager *const m_network;
    const QString m_bookPath;
    platform::PasswordStore *const m_passwords;
    const std::function<void(std::function<void()>)> m_whenIdle;
    QLineEdit *m_address;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QPushButton *m_test;
    QLabel *m_result;
    QDialogButtonBox *m_buttons;
    bool m_running = false;   // Test's or OK's requests run
    bool m_settingUp = false; // OK's: the dialog stays until they end
};
