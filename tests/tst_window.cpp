// The appointment book and its main window, driven as a user drives them. The rows come from
// data files: each starts the window on a data file of its own, runs short scripts of user
// actions and checks what the user sees and the file's bytes. Beside every book lie copies that
// a user made by hand; every row ends by checking that they are untouched and that nothing else
// was left in the folder. The agendas of a file with every quirk are checked against a golden
// file.
#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "platform/minuteturns.h"
#include "platform/notifications.h"
#include "platform/passwordstore.h"
#include "splash/form2.h"
#include "support/davserver.h"
#include "support/escape.h"
#include "support/fakes.h"
#include "support/files.h"
#include "sync/calendarclient.h"
#include "sync/syncsetup.h"
#include "sync/syncstate.h"
#include "window/form1.h"
#include "window/placement.h"
#include "window/reminder.h"
#include "window/syncdialog.h"
#include "window/week.h"
#include "window/weekmodel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Rows of a data file: "== name" starts one, then its steps; "#" lines are comments.
void AddRows(const QString &fileName)
{
    QStringList steps;
    for (const QByteArray &line :
         ReadBytes(QStringLiteral(ZENTAVO_TEST_DATA "/") + fileName).append("\n== ").split('\n')) {
        if (line.startsWith("== ") && !steps.isEmpty())
            QTest::newRow(qPrintable(steps.takeFirst())) << std::exchange(steps, {});
        if (!line.isEmpty() && !line.startsWith('#'))
            steps.append(QString::fromUtf8(line.startsWith("== ") ? line.sliced(3) : line));
    }
}

// A function of the fault library preloaded into this test (faults/faults.c), or null.
template<typename Function>
Function *Fault(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_DEFAULT, name));
}

// How many more bytes fit on the disk; -1 for no limit.
bool DiskFull(long bytes)
{
    const auto fill = Fault<void(long)>("zentavo_disk_full_after");
    return fill && (fill(bytes), true);
}

// Makes the file one that may only be appended to, or takes that away again; root only.
void SetAppendOnly(const QString &path, bool appendOnly)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = appendOnly ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0)
        ::close(fd);
}

// What the book is as a file: its inode where it has other links (a rewrite must keep it then),
// links, owner, group, mode and every extended attribute, the POSIX ACL among them.
QString FileFacts(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return u"none"_s;
    QString facts = u"links %1 owner %2:%3 mode %4"_s.arg(status.st_nlink)
                        .arg(status.st_uid)
                        .arg(status.st_gid)
                        .arg(status.st_mode & 07777, 0, 8);
    if (status.st_nlink > 1)
        facts += u" inode %1"_s.arg(status.st_ino);
    QByteArray names(qMax<ssize_t>(::listxattr(name.constData(), nullptr, 0), 0), '\0');
    names.resize(qMax<ssize_t>(::listxattr(name.constData(), names.data(), names.size()), 0));
    for (const QByteArray &attribute : names.split('\0')) {
        if (attribute.isEmpty())
            continue;
        QByteArray value(
            qMax<ssize_t>(::getxattr(name.constData(), attribute.constData(), nullptr, 0), 0),
            '\0');
        ::getxattr(name.constData(), attribute.constData(), value.data(), value.size());
        facts += u' ' + QString::fromUtf8(attribute) + u'=' + QString::fromLatin1(value.toHex());
    }
    return facts;
}

// Root ignores permissions, and CI runs as root: a row that takes permissions away then runs
// as the user "nobody", to whom the folder is handed first.
bool BecomeNobody(const QString &folder)
{
    constexpr uid_t nobody = 65534;
    if (::geteuid() != 0)
        return true;
    bool handed = ::chown(QFile::encodeName(folder).constData(), nobody, nobody) == 0;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        handed =
            ::chown(QFile::encodeName(entry.filePath()).constData(), nobody, nobody) == 0 && handed;
    return handed && ::setegid(nobody) == 0 && ::seteuid(nobody) == 0;
}

const QStringList Backups{u"ganctl.ngb.backup"_s, u"ganctl.ngb.before"_s, u"ganctl.ngb.2025v1"_s,
                          u"ganctl.ngb.bak"_s, u"ganctl.ngb~"_s};

} // namespace

// A row's notification service: this program again, "tst_window --notifications ANSWER". It prints
// "ready", then each call with its arguments, one a line, and answers a Notify with an id, at
// once, after 1.5 s ("late"; "late-replace" for a call that replaces one) or with an error
// ("failing"); "closing" is dismissed at once. It reads the body as markup.
class FakeNotifications : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public slots:
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints,
                int timeout)
    {
        QString call; // with the type of each argument, and "\n" for a line break
        QDebug(&call).nospace() << QVariantList{app,  replaces, icon,  summary,
                                                body, actions,  hints, timeout};
        std::puts(qPrintable(call));
        const QString answer = QCoreApplication::arguments().value(2);
        if (answer == u"failing"_s)
            sendErrorReply(QDBusError::Failed, u"refused"_s);
        else if (answer == u"late"_s || (answer == u"late-replace"_s && replaces))
            QThread::msleep(1500);
        const uint id = replaces ? replaces : ++m_last;
        if (answer == u"closing"_s) { // the user dismisses it at once
            QTimer::singleShot(100, this, [id] {
                QDBusConnection::sessionBus().send(
                    QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                               u"org.freedesktop.Notifications"_s,
                                               u"NotificationClosed"_s)
                    << id << 2U);
            });
        }
        return id;
    }
    void CloseNotification(uint id) { std::printf("CloseNotification(%u)\n", id); }
    QStringList GetCapabilities() { return {u"body"_s, u"body-markup"_s}; }

private:
    uint m_last = 0;
};

class TestWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_book;
    FakeClock m_clock;
    FakeDialogs m_dialogs;
    RecordingPrinters m_printers;
    QProcess m_service; // the FakeNotifications of a row
    QString m_busOfRow; // none when empty; "empty": no service on it; else how the service answers
    std::unique_ptr<platform::Notifications> m_notifications;
    std::unique_ptr<form1> m_window;
    std::unique_ptr<QWidget> m_away; // another program's window
    QTemporaryDir m_elsewhere;       // where a book kept as a link lies
    QStringList m_splash;            // what the user does while the splash window is up
    QString m_duringSplash;          // how many splashes came, and what was visible then
    QString m_facts;                 // the book as a file, at the last snapshot
    int m_holder = -1;               // the book, locked as another writer would
    // The wall clock's turns, told only by the rows (resume), so that none comes by itself.
    platform::MinuteTurns m_turns{nullptr, 0};
    std::unique_ptr<DavServer> m_server;    // a row's CalDAV server, on loopback
    QStringList m_syncedWith;               // the book syncs with it from the start: user, password
    QString m_syncKey;                      // the account's key in the keyring
    std::optional<QString> m_passwordOfRow; // what the password prompt answers from the start
    QProcess m_keyring;                     // a row's gnome-keyring daemon, on the test's bus
    std::unique_ptr<QTemporaryDir> m_keyringHome;

    QWidget *control(const QString &name)
    {
        QWidget *found = m_window->findChild<QWidget *>(name);
        return found ? found : (qFatal("no control %s", qPrintable(name)), nullptr);
    }
    QStringList reminders()
    {
        QStringList shown;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (qobject_cast<ReminderWindow *>(window) && window->isVisible()) {
                shown.append(window->windowTitle() + u':');
                const QListWidget *list = window->findChild<QListWidget *>();
                for (int row = 0; row < list->count(); ++row)
                    shown.append(list->item(row)->text());
            }
        }
        return shown;
    }

    void start(const QDateTime &now, const QStringList &file)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_book = m_dir->filePath(book::DataFileName.toString());
        for (const QString &name : Backups)
            QVERIFY(WriteBytes(m_dir->filePath(name), name.toUtf8()));
        if (file == QStringList{u"<folder>"_s})
            QVERIFY(QDir().mkdir(m_book));
        else if (!file.isEmpty())
            QVERIFY(WriteBytes(m_book, Unescape(file.join(QString()))));
        m_clock.at = now;
        m_dialogs = {};
        m_dialogs.passwordAnswer = m_passwordOfRow;
        m_printers = {};
        if (m_server && !m_syncedWith.isEmpty()) {
            const caldav::SetupReport report =
                setUpNow({m_server->url(), m_syncedWith.value(1), m_syncedWith.value(2)});
            QVERIFY2(report.result.ok(), qPrintable(report.summary()));
        }
        const auto splash = [this] {
            for (const QString &command : std::as_const(m_splash))
                run(command);
            m_duringSplash = u"1: window %1, reminders %2"_s.arg(m_window && m_window->isVisible())
                                 .arg(reminders().size());
        };
        if (m_busOfRow != u"empty"_s && !m_busOfRow.isEmpty()) {
            m_service.start(QCoreApplication::applicationFilePath(),
                            {u"--notifications"_s, m_busOfRow});
            QVERIFY(m_service.waitForReadyRead() && m_service.readLine() == "ready\n");
        }
        m_notifications = std::make_unique<platform::Notifications>(
            m_busOfRow.isEmpty() ? QDBusConnection(u"none"_s) : QDBusConnection::sessionBus());
        openWindow(splash);
    }
    void openWindow(const std::function<void()> &splash = {})
    {
        m_window = std::make_unique<form1>(form1::Services{
            m_book, &m_clock, &m_dialogs, &m_printers, splash, m_notifications.get(), &m_turns});
        m_window->Form_Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

    // The sync's side of a row: the server set up as the command line would, what the server
    // holds as a client no part of the window sees it, and the keyring.
    caldav::SetupReport setUpNow(const caldav::Account &account)
    {
        QNetworkAccessManager network;
        QEventLoop loop;
        caldav::SetupReport report;
        caldav::SetUpSync(&network, m_book, account, false, [&](const caldav::SetupReport &done) {
            report = done;
            loop.quit();
        });
        loop.exec();
        caldav::Account synced;
        if (caldav::SyncIsSetUp(m_book, &synced))
            m_syncKey = caldav::PasswordKey(synced, m_book);
        return report;
    }
    QString serverEvents()
    {
        QNetworkAccessManager network;
        caldav::CalendarClient client(
            &network, {m_server->calendarUrl(), m_server->user(), m_server->password()});
        QEventLoop loop;
        QString count;
        client.list([&](const caldav::DavResult &result, const caldav::Listing &listing) {
            count = result.ok() ? QString::number(listing.items.size()) : result.message;
            loop.quit();
        });
        loop.exec();
        return count;
    }
    // Starts gnome-keyring-daemon with a new keyring, unlocked, in a folder of its own; true once
    // it serves the Secret Service on the bus.
    bool startKeyring()
    {
        m_keyringHome = std::make_unique<QTemporaryDir>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, m_keyringHome->path());
        m_keyring.setProcessEnvironment(environment);
        m_keyring.start(u"gnome-keyring-daemon"_s,
                        {u"--foreground"_s, u"--unlock"_s, u"--components=secrets"_s});
        if (!m_keyring.waitForStarted())
            return false;
        m_keyring.write("keyring password"); // the keyring's own, which --unlock reads
        m_keyring.waitForBytesWritten();
        m_keyring.closeWriteChannel();
        const auto serves = [] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                u"org.freedesktop.secrets"_s);
        };
        for (int i = 0; i < 200 && !serves(); ++i)
            QTest::qWait(25);
        // What it says to export for its clients: GNOME_KEYRING_CONTROL and the like.
        for (const QByteArray &line : m_keyring.readAllStandardOutput().split('\n')) {
            if (const qsizetype is = line.indexOf('='); is > 0)
                qputenv(line.first(is).constData(), line.sliced(is + 1));
        }
        return serves();
    }
    void stopKeyring()
    {
        if (m_keyring.state() == QProcess::NotRunning)
            return;
        m_keyring.terminate();
        m_keyring.waitForFinished();
        qunsetenv("GNOME_KEYRING_CONTROL");
        for (int i = 0; i < 200 && QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                       u"org.freedesktop.secrets"_s);
             ++i)
            QTest::qWait(25);
    }
    // The names a row's steps take for its server: its address, calendar, user and password.
    QString withServer(QString text) const
    {
        if (!m_server)
            return text;
        return text.replace(u"$server"_s, m_server->url().toString())
            .replace(u"$calendar"_s, m_server->calendarUrl().toString())
            .replace(u"$authority"_s, m_server->url().authority())
            .replace(u"$user"_s, m_server->user())
            .replace(u"$password"_s, m_server->password());
    }

    // One user action.
    void run(const QString &given)
    {
        const QString command = withServer(given);
        const QString verb = command.section(u' ', 0, 0), name = command.section(u' ', 1, 1);
        const QString rest = QString::fromUtf8(Unescape(command.section(u' ', 2)));
        QWidget *const focused = QApplication::focusWidget();
        if (verb == u"click"_s) {
            QTest::mouseClick(control(name), Qt::LeftButton);
        } else if (verb == u"focus"_s) { // entered anew, even when it has the focus already; none
            if (focused)
                focused->clearFocus();
            if (name != u"none"_s)
                control(name)->setFocus(Qt::TabFocusReason);
        } else if (verb == u"away"_s) { // another program's window becomes the active one
            m_away = std::make_unique<QWidget>();
            m_away->show();
            QVERIFY(QTest::qWaitForWindowActive(m_away.get()));
        } else if (verb == u"type"_s) {
            type(QString::fromUtf8(Unescape(command.section(u' ', 1))));
        } else if (verb == u"set"_s) {
            if (name == u"msb"_s)
                m_window->Text9 =
                    Qt::Key_Backspace; // as after Backspace, so the text stays as it is put
            if (auto *combo = qobject_cast<QComboBox *>(control(name)))
                combo->setEditText(rest);
            else
                control(name)->setProperty(
                    qobject_cast<QLineEdit *>(control(name)) ? "text" : "plainText", rest);
        } else if (verb == u"choose"_s) {
            qobject_cast<QComboBox *>(control(u"Combo3"_s))->setCurrentIndex(name.toInt());
        } else if (verb == u"answer"_s && name == u"password"_s) { // TEXT, or none: cancel
            m_dialogs.passwordAnswer = rest.isEmpty() ? std::nullopt : std::optional(rest);
        } else if (verb == u"answer"_s) {
            m_dialogs.answerYes = name == u"yes"_s;
        } else if (verb == u"clock"_s) { // [dd/MM/yyyy] HH:mm:ss.zzz
            if (name.contains(u'/'))
                m_clock.at.setDate(book::ParseDateText(name));
            m_clock.at.setTime(QTime::fromString(command.section(u' ', -1), u"HH:mm:ss.zzz"_s));
        } else if (verb == u"tick"_s) {
            m_window->Timer1_Timer();
        } else if (verb ==
                   u"resume"_s) { // the computer wakes up, which the wall clock's timer tells
            emit m_turns.turned();
        } else if (verb == u"events"_s || verb == u"wait"_s) {
            QTest::qWait(verb == u"wait"_s ? name.toInt() : 10);
        } else if (verb == u"write"_s) {
            QVERIFY(WriteBytes(m_book, Unescape(command.section(u' ', 1))));
        } else if (verb == u"rename"_s) { // as an editor saves: a new file renamed over the book
            const QString saved = m_dir->filePath(u".ganctl.ngb.new"_s);
            QVERIFY(WriteBytes(saved, Unescape(command.section(u' ', 1))));
            QVERIFY(::rename(QFile::encodeName(saved).constData(),
                             QFile::encodeName(m_book).constData()) == 0);
        } else if (verb == u"link"_s) { // the book moved elsewhere with a link in its place, or
                                        // a link to nowhere
            const QString target = m_elsewhere.filePath(name.isEmpty() ? u"book"_s : name);
            QVERIFY(name.isEmpty() ? QFile::rename(m_book, target) : QFile::remove(m_book));
            QVERIFY(QFile::link(target, m_book));
        } else if (verb == u"appear"_s) { // PATH BYTES: the place a link names comes to be
            const QString target = m_elsewhere.filePath(name);
            QVERIFY(QDir().mkpath(QFileInfo(target).absolutePath()) &&
                    WriteBytes(target, rest.toUtf8()));
        } else if (verb == u"remove"_s) {
            QVERIFY(QFile::remove(m_book));
        } else if (verb == u"folder"_s) { // a folder in place of the book, or no book again
            QVERIFY(QFileInfo(m_book).isDir() ? QDir().rmdir(m_book)
                                              : (QFile::remove(m_book), QDir().mkdir(m_book)));
        } else if (verb == u"mode"_s) {
            QVERIFY(BecomeNobody(m_dir->path()));
            const QString path = name == u"folder"_s ? m_dir->path() : m_book;
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(rest.toInt(nullptr, 8))) ==
                    0);
        } else if (verb == u"collide"_s || verb == u"overwrite"_s) { // N TEXT: another writer
            const auto collide =
                Fault<void(int, const char *, const char *, int)>("zentavo_collide");
            QVERIFY2(collide, "the fault library is not preloaded");
            collide(name.toInt(), QFile::encodeName(m_book).constData(), rest.toUtf8().constData(),
                    verb == u"overwrite"_s);
        } else if (verb == u"appendonly"_s) { // chattr +a, which only root may set
            SetAppendOnly(m_book, true);
        } else if (verb == u"freeze"_s) { // the file system's clock stands still for the book
            const auto freeze = Fault<void(const char *)>("zentavo_freeze_stamp");
            QVERIFY2(freeze, "the fault library is not preloaded");
            freeze(QFile::encodeName(m_book).constData());
        } else if (verb == u"hold"_s) { // another writer holds the book's lock
            m_holder = ::open(QFile::encodeName(m_book).constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY(m_holder >= 0 && ::flock(m_holder, LOCK_EX) == 0);
        } else if (verb == u"release"_s) {
            QVERIFY(::close(std::exchange(m_holder, -1)) == 0);
        } else if (verb == u"hardlink"_s) { // a second name of the book, elsewhere
            QVERIFY(::link(QFile::encodeName(m_book).constData(),
                           QFile::encodeName(m_elsewhere.filePath(u"hard"_s)).constData()) == 0);
        } else if (verb == u"acl"_s) { // as setfacl -m gives it
            QProcess setfacl;
            setfacl.start(u"setfacl"_s, {u"-m"_s, name, m_book});
            QVERIFY2(setfacl.waitForFinished() && setfacl.exitCode() == 0,
                     "setfacl failed (Debian package acl)");
        } else if (verb == u"xattr"_s) {
            QVERIFY(::setxattr(QFile::encodeName(m_book).constData(), name.toUtf8().constData(),
                               rest.toUtf8().constData(), size_t(rest.toUtf8().size()), 0) == 0);
        } else if (verb == u"owner"_s) { // the book is another user's, who shares it with this one
            // As root, the book goes to a user of its own and the test goes on as "nobody", to
            // whom the ACL gives the book; otherwise it stays this user's.
            if (::geteuid() == 0) {
                constexpr uid_t owner = 65533, nobody = 65534;
                QVERIFY(::chown(QFile::encodeName(m_dir->path()).constData(), nobody, nobody) == 0);
                QVERIFY(::chown(QFile::encodeName(m_book).constData(), owner, owner) == 0);
                run(u"acl u:65534:rw-"_s);
                QVERIFY(::setegid(nobody) == 0 && ::seteuid(nobody) == 0);
            }
        } else if (verb == u"snapshot"_s) {
            m_facts = FileFacts(m_book);
        } else if (verb == u"diskfull"_s) {
            QVERIFY2(DiskFull(name.toLong()), "the diskfull library is not preloaded");
        } else if (verb == u"printer"_s) {
            m_printers.hasPrinter = name != u"none"_s;
            m_printers.failAt = rest.toInt();
        } else if (verb == u"files"_s) { // what the file dialogs answer
            m_dialogs.files = calendarFiles(command.section(u' ', 1));
        } else if (verb == u"menu"_s) { // an entry of the agenda's context menu
            m_window->findChild<QAction *>(name)->trigger();
            // Its dialogs come once the menu has closed, and a question about what they chose
            // once the file is read.
            QTest::qWait(10);
            QTRY_VERIFY(m_window->m_pendingImports.isEmpty());
        } else if (verb == u"synced"_s) { // no pass runs, waits or is due to come soon
            QTest::qWait(20);
            QTRY_VERIFY_WITH_TIMEOUT(m_window->m_syncPhase == form1::SyncPhase::Idle &&
                                         !m_window->m_syncSoon->isActive() &&
                                         !m_window->m_syncAgain && !m_window->m_syncDialog,
                                     20000);
        } else if (verb == u"fire"_s) { // TIMER: its time has come
            QVERIFY(QMetaObject::invokeMethod(m_window->findChild<QTimer *>(name), "timeout"));
            QTest::qWait(10);
        } else if (verb == u"serverput"_s) { // NAME ICS: another client adds to the calendar
            QNetworkAccessManager network;
            caldav::CalendarClient client(
                &network, {m_server->calendarUrl(), m_server->user(), m_server->password()});
            QEventLoop loop;
            caldav::DavResult put;
            client.put(client.hrefFor(name), rest.toUtf8(), {},
                       [&](const caldav::DavResult &result, const QByteArray &) {
                           put = result;
                           loop.quit();
                       });
            loop.exec();
            QVERIFY2(put.ok(), qPrintable(put.message));
        } else if (verb == u"serverdown"_s) {
            m_server->stop();
        } else if (verb == u"serverpause"_s) { // it stops answering, until serverresume
            m_server->pause();
        } else if (verb == u"serverresume"_s) {
            m_server->resume();
        } else if (verb == u"restart"_s) { // the window closes, and the program starts again
            m_window.reset();
            openWindow();
        } else if (verb == u"open"_s) { // files handed over by a second start, or dropped
            m_window->openCalendars(calendarFiles(command.section(u' ', 1)));
            QTRY_VERIFY(m_window->m_pendingImports.isEmpty()); // asked from the event loop
        } else {
            QFAIL(qPrintable(u"unknown action: "_s + command));
        }
    }

    // "ical:NAME" for a calendar of the test data, else a file beside the book's other name.
    QStringList calendarFiles(const QString &names) const
    {
        QStringList files;
        for (const QString &name : names.split(u' ', Qt::SkipEmptyParts))
            files.append(name.startsWith(u"ical:"_s)
                             ? QStringLiteral(ZENTAVO_TEST_DATA "/ical/") + name.sliced(5)
                             : m_elsewhere.filePath(name));
        return files;
    }

    // Keys into the focused control as typed; <ENTER>, <KPENTER>, <BS>, <DEL>, <HOME>, <LEFT>,
    // <TAB> and <SELECTALL> by name.
    void type(const QString &keys)
    {
        static const QHash<QString, QKeyCombination> named = {
            {u"ENTER"_s, Qt::Key_Return}, {u"KPENTER"_s, Qt::KeypadModifier | Qt::Key_Enter},
            {u"BS"_s, Qt::Key_Backspace}, {u"DEL"_s, Qt::Key_Delete},
            {u"HOME"_s, Qt::Key_Home},    {u"LEFT"_s, Qt::Key_Left},
            {u"TAB"_s, Qt::Key_Tab},      {u"SELECTALL"_s, Qt::ControlModifier | Qt::Key_A},
            {u"F6"_s, Qt::Key_F6},        {u"SHIFTF6"_s, Qt::ShiftModifier | Qt::Key_F6},
            {u"END"_s, Qt::Key_End},      {u"UNDO"_s, Qt::ControlModifier | Qt::Key_Z},
            {u"ESC"_s, Qt::Key_Escape}};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget()
                                                          : QApplication::activeWindow();
            QVERIFY(target);
            if (keys[i] == u'<') {
                const qsizetype end = keys.indexOf(u'>', i);
                const QKeyCombination key = named.value(keys.sliced(i + 1, end - i - 1));
                QTest::keyClick(target, key.key(), key.keyboardModifiers());
                i = end;
            } else if (keys[i].unicode() < 128) {
                QTest::keyClick(target, char(keys[i].unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, keys[i], Qt::NoModifier);
            }
        }
    }

    // What the user sees: a control's text (or NAME.enabled, .selected, .cursor, .items), or
    // one of the names below.
    QString seen(const QString &what)
    {
        const RecordingPrinters &printed = m_printers;
        if (what == u"agenda"_s)
            return seen(u"Combo3.items"_s);
        if (what == u"messages"_s)
            return std::exchange(m_dialogs.messages, {}).join(u';');
        if (what == u"focus"_s)
            return QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                               : QString();
        if (what == u"printed"_s) { // the document's font, then its lines, each 11 blanks in
            QStringList lines{u"%1 pt%2%3%4"_s.arg(printed.fontSize)
                                  .arg(printed.bold ? u" bold"_s : QString())
                                  .arg(printed.ended ? u" ended"_s : QString())
                                  .arg(printed.aborted ? u" aborted"_s : QString())};
            for (const QString &line : printed.lines)
                lines.append(line.isEmpty() || line.startsWith(QString(11, u' ')) ? line.mid(11)
                                                                                  : u"!"_s + line);
            return lines.join(u';');
        }
        if (what == u"reminder"_s)
            return reminders().join(u';');
        if (what == u"week.current"_s) { // the row the user stands on, and its date
            const auto *rows = m_window->findChild<QListView *>(u"weekDays"_s);
            const auto *model = static_cast<const WeekModel *>(rows->model());
            return book::DateText(model->dateOf(rows->currentIndex().row())) + u' ' +
                   rows->currentIndex().data().toString();
        }
        if (what == u"week"_s) { // each week window open: its total, then its lines
            QStringList lines;
            for (auto *week : m_window->findChildren<WeekWindow *>()) {
                if (!week->isVisible())
                    continue;
                lines.append(week->findChild<QLabel *>()->text());
                const QAbstractItemModel *rows = week->findChild<QListView *>()->model();
                for (int row = 0; row < rows->rowCount(); ++row)
                    lines.append(rows->index(row, 0).data().toString());
            }
            return lines.isEmpty() ? u"none"_s : lines.join(u';');
        }
        if (what == u"notified"_s)
            return QString::fromUtf8(m_service.peek(1 << 20)).trimmed().replace(u'\n', u';');
        if (what == u"during-splash"_s)
            return m_duringSplash.isEmpty() ? u"0"_s : m_duringSplash;
        if (what == u"timer"_s)
            return QString::number(m_window->findChild<QTimer *>(u"Timer1"_s)->interval());
        if (what == u"files"_s) { // in the book's folder, besides the user's copies
            QStringList names =
                QDir(m_dir->path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            names.removeIf([](const QString &name) { return Backups.contains(name); });
            return names.join(u';');
        }
        if (what == u"link"_s)
            return QFileInfo(m_book).isSymLink() ? u"yes"_s : u"no"_s;
        if (what.startsWith(u"events:"_s)) // the events of a calendar file the window wrote
            return QString::number(
                ReadBytes(m_elsewhere.filePath(what.sliced(7))).count("BEGIN:VEVENT"));
        if (what == u"file"_s) // the book as a file, against the snapshot
            return FileFacts(m_book) == m_facts ? u"kept"_s : FileFacts(m_book);
        if (what == u"hardlink"_s) // what the book's other name holds
            return ReadBytes(m_elsewhere.filePath(u"hard"_s)) == ReadBytes(m_book) ? u"same"_s
                                                                                   : u"split"_s;
        if (what == u"mode"_s) { // of the book
            struct stat status = {};
            return ::stat(QFile::encodeName(m_book).constData(), &status) == 0
                       ? QString::number(status.st_mode & 0777, 8)
                       : u"none"_s;
        }
        if (what == u"layout"_s) { // every control inside the window, and none over another
            QStringList faults;
            auto controls = m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            controls.removeIf([](const QWidget *w) {
                return w->isHidden() || w->objectName() == u"focusFrame"_s;
            });
            for (const QWidget *a : controls) {
                if (!m_window->rect().contains(a->geometry()))
                    faults.append(a->objectName());
                for (const QWidget *b : controls) {
                    if (a < b && a->geometry().intersects(b->geometry()))
                        faults.append(a->objectName() + u'+' + b->objectName());
                }
            }
            return faults.join(u';');
        }
        if (what == u"sync"_s) // the menu's line of the last sync, its time as hh:mm
            return m_window->findChild<QAction *>(u"syncStatusAction"_s)
                ->text()
                .replace(QRegularExpression(u"\\b\\d\\d:\\d\\d\\b"_s), u"hh:mm"_s);
        if (what == u"server"_s) // the events on the server
            return serverEvents();
        if (what == u"keyring"_s) { // the account's password there
            QString password;
            return platform::PasswordStore::ReadNow(m_syncKey, &password) ? password : u"none"_s;
        }
        if (const auto *action = m_window->findChild<QAction *>(what.section(u'.', 0, 0)))
            return what.endsWith(u".enabled"_s) ? QString::number(action->isEnabled())
                                                : action->text();
        if (what == u"ft4"_s)
            return m_window->ft4;
        if (what == u"Text9"_s) // the last key, by its name
            return QKeySequence(m_window->Text9).toString();
        QWidget *widget = control(what.section(u'.', 0, 0));
        const QString part = what.section(u'.', 1);
        auto *combo = qobject_cast<QComboBox *>(widget);
        QStringList items;
        auto *box = combo ? combo->lineEdit() : qobject_cast<QLineEdit *>(widget);
        if (part == u"enabled"_s)
            return QString::number(widget->isEnabled());
        if (part == u"fits"_s) { // the whole text inside the box, none of it cut
            const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
            return QString::number(QFontMetrics(box->font()).horizontalAdvance(box->text()) <=
                                   box->width() - 2 * frame - 4);
        }
        if (part == u"tooltip"_s)
            return widget->toolTip();
        if (part == u"selected"_s || part == u"cursor"_s)
            return part == u"selected"_s ? box->selectedText()
                                         : QString::number(box->cursorPosition());
        for (int i = 0; part == u"items"_s && i < combo->count(); ++i)
            items.append(combo->itemText(i));
        if (part == u"items"_s)
            return items.join(u';');
        if (box)
            return box->text();
        return widget->property(qobject_cast<QPlainTextEdit *>(widget) ? "plainText" : "text")
            .toString();
    }

private slots:
    void cleanup()
    {
        DiskFull(-1);
        if (const auto collide =
                Fault<void(int, const char *, const char *, int)>("zentavo_collide"))
            collide(0, "", "", 0);
        if (m_dir)
            SetAppendOnly(m_book, false);
        if (const auto freeze = Fault<void(const char *)>("zentavo_freeze_stamp"))
            freeze(nullptr);
        if (m_holder >= 0)
            ::close(std::exchange(m_holder, -1));
        for (const QString &name : {u"hard"_s, u"book"_s, u"out.ics"_s})
            QFile::remove(m_elsewhere.filePath(name));
        QDir(m_elsewhere.filePath(u"later"_s)).removeRecursively();
        m_away.reset();
        m_window.reset();
        m_service.close();
        m_server.reset();
        m_syncedWith.clear();
        m_syncKey.clear();
        m_passwordOfRow.reset();
        stopKeyring();
        if (::getuid() == 0)
            QVERIFY(::seteuid(0) == 0 && ::setegid(0) == 0);
        m_dir.reset();
    }

    void scenario_data()
    {
        QTest::addColumn<QStringList>("steps");
        AddRows(u"window/scenarios.txt"_s);
        AddRows(u"window/catalogue.txt"_s);
    }
    // Steps: "at dd/MM/yyyy HH:mm:ss" and "file BYTES" (the book at start-up; none without),
    // "splash ACTIONS" (while the splash window is up), "bus empty|service|failing|late|..." (the
    // desktop's notifications), "do ACTION; ACTION ...", "check NAME=VALUE | NAME=VALUE ..." and
    // "bytes BYTES" (the book now; "none": no book).
    void scenario()
    {
        QFETCH(QStringList, steps);
        runSteps(steps);
    }

    // The window syncing with a real CalDAV server (Radicale), as rows in the steps of the
    // scenarios, and these besides before the window starts: "server radicale|password" (with
    // user and password), "synced-with [USER [PASSWORD]]" (the book syncs with the server's
    // calendar, as the command line sets it up), "keyring" (a gnome-keyring daemon serves the
    // row) and "password TEXT" (what the password prompt answers). Actions: synced (waits for
    // the passes to end), fire TIMER, serverdown, serverpause, serverresume, restart (the program
    // again), answer password [TEXT] (none: cancel); checks: sync (the menu's line), server (its
    // events), keyring (the password kept there), and the menu's actions by name. $server,
    // $authority, $calendar, $user and $password stand for the server's. libsecret keeps its
    // session with the first keyring daemon that a process met: of these rows, one may have a
    // keyring.
    void sync_data()
    {
        QTest::addColumn<QStringList>("steps");
        const QString lunch = u"file *Once^07/12/2026 14:00 Lunch\\r\\n"_s;
        const QString save = u"click Command4; set cft1 *Once; set ft1 08/12/2026; set ft2 10:00; "
                             u"set ft3 Tea; click fcom"_s;
        QTest::newRow("a Save reaches the server a few seconds later; a server that is down "
                      "only shows in the menu")
            << QStringList{
                   u"server radicale"_s, lunch, u"synced-with $user"_s,
                   u"password"_s, // an empty one: the server asks for none
                   u"do synced"_s,
                   u"check messages=The password of $user on 127.0.0.1: | "
                   u"sync=Last sync: hh:mm, added 1 there | server=1 | "
                   u"syncNowAction.enabled=1 | syncStopAction.enabled=1"_s,
                   u"do "_s + save, u"check server=1 | sync=Last sync: hh:mm, added 1 there"_s,
                   u"do synced"_s,
                   u"check server=2 | sync=Last sync: hh:mm, added 1 there | messages="_s,
                   // What came from the server is shown at once.
                   u"do serverput call-bob BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//"
                   u"Other//EN\\r\\nBEGIN:VEVENT\\r\\nUID:call-bob\\r\\nDTSTAMP:20261201T0000"
                   u"00Z\\r\\nDTSTART:20261207T160000\\r\\nSUMMARY:Call Bob\\r\\nEND:VEVENT\\r"
                   u"\\nEND:VCALENDAR\\r\\n; menu syncNowAction; synced"_s,
                   u"check agenda=14:00 Lunch;16:00 Call Bob | sync=Last sync: hh:mm, added 1 "
                   u"here | server=3"_s,
                   u"do serverdown; "_s + save + u"; synced; menu syncNowAction; synced"_s,
                   u"check sync=Last sync failed at hh:mm: cannot reach $authority: Connection "
                   u"refused | messages= | Label5=Sync failed: "
                   u"cannot reach $authority: Connection refused."_s};
        QTest::newRow("setting up in the dialog: Test says what it found, OK syncs; Stop "
                      "syncing leaves both sides as they are")
            << QStringList{
                   u"server radicale"_s,
                   lunch,
                   u"check sync=Not syncing with a server | syncNowAction.enabled=0 | "
                   u"syncStopAction.enabled=0 | syncSetupAction.enabled=1"_s,
                   u"do menu syncSetupAction; set syncAddress ftp://example.org; click syncTest"_s,
                   u"check syncResult=ftp://example.org is no http or https address."_s,
                   u"do set syncAddress $server; set syncUser $user; click syncTest"_s,
                   u"check syncOk.enabled=0 | ~syncResult=Calendar 'Personal', 0 events | "
                   u"syncOk.enabled=1 | "
                   u"files=ganctl.ngb"_s,
                   u"do click syncOk; synced"_s,
                   u"check server=1 | Label5=Synced: added 1 there. | messages= | "
                   u"sync=Last sync: hh:mm, added 1 there"_s,
                   u"do answer yes; menu syncStopAction"_s,
                   u"check messages=Stop syncing with $calendar? Nothing is deleted on either "
                   u"side. | sync=Not syncing with a server | syncNowAction.enabled=0 | server=1"_s,
                   u"bytes *Once^07/12/2026 14:00 Lunch\\r\\n"_s};
        QTest::newRow("Delete all asks before the server is emptied, No the default: No "
                      "keeps it and holds the sync until Sync now or a change; Yes empties it")
            << QStringList{
                   u"server radicale"_s, lunch, u"synced-with $user"_s, u"password"_s,
                   u"do synced"_s,
                   u"check server=1 | messages=The password of $user on 127.0.0.1:"_s,
                   u"do click Command7; answer no; synced"_s,
                   u"check messages=All records will be deleted?;[No] This sync would remove 1 "
                   u"appointment of 1 from the server. Go on? | server=1 | sync=Not synced, as "
                   u"it would remove appointments; Sync now asks again"_s,
                   u"do fire syncEvery; synced"_s, u"check messages= | server=1"_s,
                   // The undo brings back what the pass would have removed.
                   u"do type <UNDO>; synced"_s,
                   u"check messages= | server=1 | sync=Last sync: hh:mm, nothing to do"_s,
                   // Yes comes over the set-up dialog, whose OK waits for that pass; the
                   // new set-up asks again.
                   u"do answer yes; click Command7; serverpause; fire syncSoon; menu "
                   u"syncSetupAction; click syncOk; serverresume; synced"_s,
                   u"check messages=All records will be deleted?;[No] This sync would remove 1 "
                   u"appointment of 1 from the server. Go on?;[No] This sync would remove 1 "
                   u"appointment of 1 from the server. Go on? | server=0 | sync=Last sync: "
                   u"hh:mm, removed 1 there"_s};
        QTest::newRow("a server that asks for a password: asked once a run, and again at "
                      "Sync now")
            << QStringList{
                   u"server password"_s,
                   lunch,
                   u"synced-with $user $password"_s, // and kept nowhere
                   u"password wrong"_s,
                   u"do synced"_s,
                   u"check messages=The password of $user on 127.0.0.1: | sync=Last sync "
                   u"failed at hh:mm: the server refused the user name or password | server=0"_s,
                   u"do "_s + save + u"; synced"_s,
                   u"check messages= | server=0"_s,
                   u"do answer password $password; menu syncNowAction; synced"_s,
                   u"check messages=The password of $user on 127.0.0.1: | sync=Last sync: hh:mm, "
                   u"added 2 there | server=2"_s};
        QTest::newRow("the password typed is kept in the keyring once the server took it; the "
                      "next start asks no more; Stop syncing takes it out")
            << QStringList{
                   u"server password"_s,
                   u"keyring"_s,
                   lunch,
                   u"synced-with $user $password"_s,
                   u"password $password"_s,
                   u"do synced"_s,
                   u"check messages=The password of $user on 127.0.0.1: | server=1 | "
                   u"~keyring=$password"_s,
                   u"do restart; synced"_s,
                   u"check messages= | sync=Last sync: hh:mm, nothing to do"_s,
                   u"do answer yes; menu syncStopAction"_s,
                   u"check messages=Stop syncing with $calendar? Nothing is deleted on either "
                   u"side. | ~keyring=none"_s};
    }
    void sync()
    {
        QFETCH(QStringList, steps);
        runSteps(steps);
    }

    // The keyring, each row in a process of its own as each start of the program is (libsecret
    // keeps its session with the first keyring daemon that a process met): a password kept is
    // found again and one removed is gone; without a keyring on the bus nothing is kept and
    // nothing found, and no plain file takes its place.
    void passwordStore_data()
    {
        QTest::addColumn<bool>("keyring");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no keyring: nothing kept or found, and no plain file")
            << false << u"kept 0, said why;found 0 ;other 0, later;removed, found 0;plain 0"_s;
        QTest::newRow("gnome-keyring: kept, found, removed")
            << true << u"kept 1;found 1 s3cret \u00e9;other 0, later;removed, found 0;plain 0"_s;
    }
    void passwordStore()
    {
        QFETCH(bool, keyring);
        QFETCH(QString, expected);
        if (keyring)
            QVERIFY(startKeyring());
        QProcess store;
        store.start(QCoreApplication::applicationFilePath(), {u"--passwords"_s});
        QVERIFY(store.waitForFinished(60000) && store.exitCode() == 0);
        QCOMPARE(QString::fromUtf8(store.readAllStandardOutput()).trimmed().replace(u'\n', u';'),
                 expected);
    }

    void runSteps(const QStringList &steps)
    {
        QDateTime at(QDate(2026, 12, 7), QTime(9, 5));
        QStringList file;
        m_splash.clear();
        m_duringSplash.clear();
        m_busOfRow.clear();
        for (const QString &step : std::as_const(steps)) {
            const QString key = step.section(u' ', 0, 0), value = step.section(u' ', 1);
            if (key == u"at"_s) {
                at = QDateTime::fromString(value, u"dd/MM/yyyy HH:mm:ss"_s);
            } else if (key == u"file"_s) {
                file.append(value);
            } else if (key == u"bus"_s) {
                m_busOfRow = value;
            } else if (key == u"splash"_s) {
                m_splash = value.split(u"; "_s);
            } else if (key == u"server"_s) {
                m_server = std::make_unique<DavServer>(value == u"password"_s
                                                           ? DavServer::Kind::RadicaleWithPassword
                                                           : DavServer::Kind::Radicale);
                QVERIFY2(m_server->start(), "the CalDAV server does not start");
            } else if (key == u"synced-with"_s) {
                m_syncedWith = withServer(step).split(u' ');
            } else if (key == u"keyring"_s) {
                QVERIFY2(startKeyring(), "gnome-keyring-daemon does not start");
            } else if (key == u"password"_s) {
                m_passwordOfRow = withServer(value);
            } else {
                if (!m_window)
                    start(at, file);
                if (QTest::currentTestFailed())
                    return;
                if (key == u"do"_s) {
                    for (const QString &command : value.split(u"; "_s)) {
                        run(command);
                        if (QTest::currentTestFailed())
                            return;
                    }
                } else if (key == u"check"_s) {
                    for (const QString &item : value.split(u" | "_s)) {
                        const QString name = item.section(u'=', 0, 0);
                        const QString expected =
                            withServer(QString::fromUtf8(Unescape(item.section(u'=', 1))));
                        if (name.startsWith(u'~')) // what comes by itself, within a few seconds
                            QTRY_COMPARE_WITH_TIMEOUT(seen(name.mid(1)), expected, 5000);
                        else
                            QCOMPARE(name + u'=' + seen(name), name + u'=' + expected);
                    }
                } else {
                    QCOMPARE(QFileInfo(m_book).isFile() ? u"a book"_s : u"none"_s,
                             value == u"none"_s ? value : u"a book"_s);
                    if (value != u"none"_s)
                        QCOMPARE(ReadBytes(m_book), Unescape(value));
                }
            }
        }
        if (!m_window)
            start(at, file);
        for (const QString &name : Backups)
            QCOMPARE(ReadBytes(m_dir->filePath(name)), name.toUtf8());
        // A row that syncs leaves the sync's state beside the book.
        QStringList left = seen(u"files"_s).split(u';', Qt::SkipEmptyParts);
        left.removeAll(book::DataFileName.toString());
        if (m_server)
            left.removeAll(QFileInfo(caldav::SyncStatePath(m_book)).fileName());
        QCOMPARE(u"left: "_s + left.join(u';'), u"left: "_s);
    }

    // The week window beside the main window where there is room, else wholly on the screen and
    // over as little of the entry area as can be: the screens of 1024x768 at scale 1 and 2, and
    // a wide one. The main window is centred, as it starts; the entry area is its lower two thirds.
    void weekPlacement_data()
    {
        QTest::addColumn<QRect>("desk");
        QTest::addColumn<QRect>("expected");
        // Right of it, 8 pixels off, at the height of its top.
        QTest::newRow("wide: right of it") << QRect(0, 0, 1920, 1050) << QRect(1213, 390, 380, 440);
        // In the top right corner: over 113x115 of the entry area, where the left covers 114x115.
        QTest::newRow("1024x768: no room beside, over the least of the entry area")
            << QRect(0, 0, 1024, 740) << QRect(644, 0, 380, 440);
        // Where it was to go on the right, moved onto the screen: every place covers as much.
        QTest::newRow("1024x768 at scale 2: shrunk to the screen, on it")
            << QRect(0, 0, 512, 370) << QRect(132, 0, 380, 370);
    }
    void weekPlacement()
    {
        QFETCH(QRect, desk);
        QFETCH(QRect, expected);
        QRect main(QPoint(), QSize(491, 269));
        main.moveCenter(desk.center());
        const QRect keep = main.adjusted(0, 90, 0, 0);
        const QRect place = PlaceBeside(main, keep, QSize(380, 440), desk);
        QVERIFY(desk.contains(place));
        QCOMPARE(place, expected);
    }

    // The wall clock's turns come at the turn itself, just after it, by the system's real-time
    // clock (a grid of a second here, of a minute in the program).
    void wallClockTurnsComeAtTheTurn()
    {
        platform::MinuteTurns turns(nullptr, 1000);
        QSignalSpy turned(&turns, &platform::MinuteTurns::turned);
        QVERIFY(turned.wait(1500));
        const int intoSecond = QTime::currentTime().msec();
        QVERIFY2(intoSecond >= 15 && intoSecond < 600, qPrintable(QString::number(intoSecond)));
        QVERIFY(turned.wait(1500)); // and again at the next
    }

    // The splash window opens on a button out of sight: Enter, Space or Escape at once leave
    // it open; Tab reaches "X", and Enter there closes it.
    void splashClosesOnlyByItsButton()
    {
        Form2 splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowActive(&splash));
        QCOMPARE(splash.size(), QSize(685, 361));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Escape, Qt::Key_Tab})
            QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(splash.isVisible());
        QCOMPARE(QApplication::focusWidget()->property("text").toString(), u"X"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(splash.result(), int(QDialog::Accepted));
    }
};

// "tst_window --passwords": the keyring as a program that starts uses it, one line a step.
int UsePasswords(int argc, char **argv)
{
    const QCoreApplication app(argc, argv);
    const QString plainFile = QSettings(u"Zentavo"_s).fileName();
    const bool plainBefore = QFileInfo::exists(plainFile);
    const QString key = u"anna@https://example.org/dav/anna/calendar/"_s;
    QString error, password;
    const bool kept = platform::PasswordStore::WriteNow(key, u"s3cret \u00e9"_s, &error);
    std::printf("kept %d%s\n", kept, error.isEmpty() ? "" : ", said why");
    const bool found = platform::PasswordStore::ReadNow(key, &password);
    std::printf("found %d %s\n", found, password.toUtf8().constData());
    // Another account's key finds nothing; the answer comes later, never within the call.
    platform::PasswordStore store;
    bool answered = false, other = true;
    store.read(u"bob@https://example.org/dav/bob/calendar/"_s, [&](bool was, const QString &) {
        answered = true;
        other = was;
    });
    const bool later = !answered;
    for (int waited = 0; !answered && waited < 30000; waited += 10)
        QTest::qWait(10);
    std::printf("other %d%s\n", other, later ? ", later" : "");
    platform::PasswordStore::RemoveNow(key);
    std::printf("removed, found %d\n", platform::PasswordStore::ReadNow(key, &password));
    std::printf("plain %d\n", QFileInfo::exists(plainFile) && !plainBefore);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--passwords") == 0)
        return UsePasswords(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--notifications") == 0) { // a row's service
        const QCoreApplication app(argc, argv);
        FakeNotifications service;
        if (QDBusConnection bus = QDBusConnection::sessionBus();
            !bus.registerObject(u"/org/freedesktop/Notifications"_s, &service,
                                QDBusConnection::ExportAllSlots) ||
            !bus.registerService(u"org.freedesktop.Notifications"_s))
            return 1;
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        std::puts("ready");
        return QCoreApplication::exec();
    }
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    TestWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window.moc"
