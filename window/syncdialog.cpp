#include "window/syncdialog.h"

#include "platform/passwordstore.h"
#include "sync/syncsetup.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *Field(QWidget *parent, const char *name, const QString &accessibleName,
                 const QString &text)
{
    auto *field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1StringView(name));
    field->setAccessibleName(accessibleName);
    return field;
}

} // namespace

SyncDialog::SyncDialog(QNetworkAccessManager *network, QString bookPath,
                       const caldav::Account &current, platform::PasswordStore *passwords,
                       std::function<void(std::function<void()>)> whenIdle, QWidget *parent)
    : QDialog(parent)
    , m_network(network)
    , m_bookPath(std::move(bookPath))
    , m_passwords(passwords)
    , m_whenIdle(std::move(whenIdle))
{
    setObjectName(u"syncDialog"_s);
    setWindowTitle(u"Sync with a server"_s);

    m_address = Field(this, "syncAddress", u"Address"_s, current.url.toString());
    m_address->setPlaceholderText(u"https://example.org/dav/"_s);
    m_address->setAccessibleDescription(u"The address of the CalDAV server, account or calendar"_s);
    m_address->setMinimumWidth(m_address->fontMetrics().averageCharWidth() * 48);
    m_user = Field(this, "syncUser", u"User name"_s, current.user);
    m_user->setAccessibleDescription(u"Empty for a server that asks for none"_s);
    m_password = Field(this, "syncPassword", u"Password"_s, current.password);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);

    auto *form = new QFormLayout;
    const std::pair<QString, QLineEdit *> rows[] = {
        {u"&Address:"_s, m_address}, {u"&User name:"_s, m_user}, {u"&Password:"_s, m_password}};
    for (const auto &[caption, field] : rows) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        form->addRow(label, field);
    }

    m_result = new QLabel(this);
    m_result->setObjectName(u"syncResult"_s);
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_result->setAccessibleDescription(u"What the test or the setting up found"_s);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_test = m_buttons->addButton(u"&Test"_s, QDialogButtonBox::ActionRole);
    m_test->setObjectName(u"syncTest"_s);
    m_test->setAccessibleDescription(u"Finds the calendar and counts its events, changing "
                                     u"nothing"_s);
    m_buttons->button(QDialogButtonBox::Ok)->setObjectName(u"syncOk"_s);
    m_buttons->button(QDialogButtonBox::Cancel)->setObjectName(u"syncCancel"_s);
    // No pictures on the buttons, as in the program's message boxes.
    for (QAbstractButton *button : m_buttons->buttons())
        button->setIcon(QIcon());
    connect(m_test, &QPushButton::clicked, this, &SyncDialog::test);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &SyncDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &SyncDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_result);
    layout->addWidget(m_buttons);

    // The fields in their order, then Test, then OK and Cancel.
    setTabOrder(m_address, m_user);
    setTabOrder(m_user, m_password);
    setTabOrder(m_password, m_test);
    setTabOrder(m_test, m_buttons->button(QDialogButtonBox::Ok));
    setTabOrder(m_buttons->button(QDialogButtonBox::Ok),
                m_buttons->button(QDialogButtonBox::Cancel));
    (m_address->text().isEmpty() ? m_address : m_password)->setFocus();
}

bool SyncDialog::readAccount(caldav::Account *account)
{
    const QString address = m_address->text().trimmed();
    const QUrl url = caldav::AddressFromUser(address);
    if (address.isEmpty() || !url.isValid()) {
        say(address.isEmpty() ? u"Give the address of the server."_s
                              : u"%1 is no http or https address."_s.arg(address));
        m_address->setFocus();
        return false;
    }
    *account = caldav::Account{url, m_user->text().trimmed(), m_password->text()};
    return true;
}

void SyncDialog::test()
{
    caldav::Account account;
    if (m_running || !readAccount(&account))
        return;
    setRunning(true, false);
    say(u"Testing\u2026"_s);
    const QPointer<SyncDialog> dialog(this);
    caldav::SetUpSync(m_network, m_bookPath, account, true,
                      [dialog](const caldav::SetupReport &report) {
                          if (!dialog)
                              return; // closed meanwhile
                          dialog->setRunning(false, false);
                          if (report.result.ok())
                              dialog->say(report.summary());
                          else
                              dialog->sayFailure(report.summary());
                      });
}

void SyncDialog::accept()
{
    caldav::Account account;
    if (m_running || !readAccount(&account))
        return;
    setRunning(true, true);
    say(u"Setting up\u2026"_s);
    const QPointer<SyncDialog> dialog(this);
    m_whenIdle([dialog, account] {
        if (!dialog)
            return;
        caldav::SetUpSync(
            dialog->m_network, dialog->m_bookPath, account, false,
            [dialog, account](const caldav::SetupReport &report) {
                if (!dialog)
                    return;
                if (!report.result.ok()) {
                    dialog->setRunning(false, false);
                    dialog->sayFailure(report.summary());
                    return;
                }
                // The password goes under the calendar found, which names the sync from now on.
                const caldav::Account found{report.calendar.url, account.user, account.password};
                const auto done = [dialog, found](bool, const QString &error) {
                    if (!dialog)
                        return;
                    dialog->setRunning(false, false);
                    // An empty password that the keyring did not keep is asked again, but
                    // is no loss to tell of.
                    emit dialog->setUp(found, found.password.isEmpty() ? QString() : error);
                    dialog->QDialog::accept();
                };
                // An empty password too, where the server takes one: the window asks for none then.
                if (found.user.isEmpty())
                    return done(true, {});
                dialog->say(u"Keeping the password in the keyring\u2026"_s);
                dialog->m_passwords->write(caldav::PasswordKey(found, dialog->m_bookPath),
                                           found.password, done);
            });
    });
}

void SyncDialog::reject()
{
    // Once OK's requests run, the book may sync with the server any moment: the dialog stays
    // until it is known, so that what it did is not hidden.
    if (!m_settingUp)
        QDialog::reject();
}

void SyncDialog::setRunning(bool running, bool settingUp)
{
    m_running = running;
    m_settingUp = running && settingUp;
    m_test->setEnabled(!running);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!running);
    m_buttons->button(QDialogButtonBox::Cancel)->setEnabled(!m_settingUp);
}

void SyncDialog::say(const QString &text)
{
    m_result->setText(text);
}

void SyncDialog::sayFailure(const QString &message)
{
    // A message of the sync is a clause ("the server refused ..."); here it stands alone. One
    // that starts with an address keeps it as it is.
    QString sentence = message;
    if (!sentence.isEmpty() && sentence.front().isLower() &&
        !sentence.section(u' ', 0, 0).contains(u':'))
        sentence.front() = sentence.front().toUpper();
    if (!sentence.endsWith(u'.'))
        sentence += u'.';
    say(sentence);
}
