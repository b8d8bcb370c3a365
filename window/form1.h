#pragma once

#include "book/appointmentfile.h"
#include "book/appointmentlines.h"
#include "book/reminderschedule.h"
#include "book/undohistory.h"
#include "ical/calendarimport.h"

#include <QDate>
#include <QFont>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
class QPlainTextEdit;
class QPushButton;
class QStringListModel;
class QTimer;
class ReminderWindow;
class FocusFrame;
class SyncDialog;
class WeekWindow;

namespace caldav {
struct Account;
struct SyncReport;
} // namespace caldav

namespace platform {
class BookWatcher;
class Clock;
class Dialogs;
class MinuteTurns;
class Notifications;
class PasswordStore;
class Printers;
} // namespace platform

// The main window: the agenda of one date, the entry area for a new appointment, and the
// buttons. The state of the controls and of the plain members that stand for the hidden ones
// is the window's; what the program adds beyond them lives in classes of their own that the
// window wires: the record of deletes (book::UndoHistory), the following of the book and of
// the day (platform::BookWatcher), the reminders' bookkeeping (book::ReminderSchedule), the
// coming week (WeekWindow) and the sync with a CalDAV server (caldav::SyncPass).
class form1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr QStringView ReadFailureMessage = u"The appointment file could not be read.";

    // What the window needs from outside.
    struct Services
    {
        QString dataFile;
        const platform::Clock *clock;
        platform::Dialogs *dialogs;
        platform::Printers *printers;
        // Shows the splash window modally; start-up calls it on the 5th, 10th, ... of a month.
        std::function<void()> showSplash;
        // The desktop's notifications; without them, reminders come in a small window.
        platform::Notifications *notifications = nullptr;
        // The turns of the wall clock's minute, also after a suspend; the minute timer alone
        // without it.
        platform::MinuteTurns *minuteTurns = nullptr;
    };

    explicit form1(Services services, QWidget *parent = nullptr);
    ~form1() override;

    // Start-up, before the window is first shown.
    void Form_Load();

    // Day: the agenda of the date in the date box. Also the window's refresh after a change.
    void Command1_Click();
    // Today.
    void Command2_Click();
    // Del.: removes the chosen appointment.
    void Command3_Click();
    // New: readies the entry area.
    void Command4_Click();
    // Delete all, after a question.
    void Command7_Click();
    // Save.
    void fcom_Click();
    // Print.
    void Command5_Click();
    // The minute timer, just after each turn of the minute: the clock label, and reminders of
    // today's appointments.
    void Timer1_Timer();

    // Comes to the front, and offers to import the appointments of the iCalendar files: how
    // many the book does not hold yet, and how many it cannot hold, then a question.
    void openCalendars(const QStringList &files);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void nameForScreenReaders();
    // Shows the agenda of the date, and writes it into the date box, unless `typed` keeps what
    // the user is typing there. A file that cannot be read changes nothing, and is reported
    // once until a build succeeds again; false then.
    // Keep leaves the date box alone whatever it holds: the refresh after the program's own
    // changes of the book shows the date shown, not a date half typed.
    enum class TypedDate { Replace, KeepWhileTyping, Keep };
    bool ShowDayAgenda(QDate date, TypedDate typed = TypedDate::Replace);
    // Chooses the agenda's entry of the line with these bytes, where it has one.
    void chooseLine(QByteArrayView line);
    // After Save, Del., Delete all or Ctrl+Z: the agenda of the date shown, from the book as
    // the change left it.
    void refreshAfterChange();
    // Says what the window did, in the status text, until the next action; and clears it.
    void tellStatus(const QString &text);
    void clearStatus();
    // The count of the agenda, whole, in the count box.
    void showCount(qsizetype count);
    void startTimer1();
    void remindPending();
    void showReminder(const QStringList &due);

    // Ctrl+Z: brings back what the last Del. or Delete all still to be undone removed, or
    // takes back the last import.
    void undoDelete();
    // The agenda's context menu: its line's own entries, and the exchange with other calendars.
    void showAgendaMenu(const QPoint &at);
    void exportCalendar();
    void importCalendar();
    // The question about the calendars handed over first, once the window is up and no other
    // question is open.
    void offerImports();
    // Says that a change of the book failed: `message` with the reason that `error` (errno)
    // gives, or that another writer holds the book.
    void informWriteFailure(book::WriteStatus status, const QString &message, int error);
    // The window follows the file when something else changes it, and today when the day
    // turns.
    void followBook();
    void followDay(QDate before, QDate today);
    // F6: opens or raises the window of the coming week; and keeps it current.
    void showWeek();
    void refreshWeek();

    // The sync with a CalDAV server, once one is set up: at start, a few seconds after each
    // change of the book made here, every few minutes, and at "Sync now". Nothing of it waits,
    // and a server that is down or slow only shows in the menu's line of the last sync.
    void createSyncActions();
    // A pass a few seconds after a change, which later changes put off.
    void syncSoon();
    // A pass now, or after the one that runs; `byUser` for "Sync now", which also asks again
    // what was refused before (the password, the question about removals).
    void startSync(bool byUser);
    void runSync(const QString &password);
    void syncFinished(const caldav::SyncReport &report);
    void endSync(const caldav::SyncReport &report);
    // Asks for the account's password, once a run and again at each "Sync now"; `then` learns
    // whether one was typed, which is then m_syncPassword.
    void askSyncPassword(const caldav::Account &account, std::function<void(bool typed)> then);
    // Runs `then` now when no pass runs, else once it has ended.
    void whenSyncIdle(std::function<void()> then);
    // Runs `then` once the window is up and no other question is open.
    void whenNoQuestionOpen(std::function<void()> then);
    // The window over which a question of a pass comes: the set-up dialog, while it is open.
    QWidget *questionParent();
    // The enabled entries of the menu, and its line of the last sync.
    void updateSyncActions();
    void setUpSync();
    void stopSync();

    // The masked entry boxes.
    void ft1_GotFocus();
    void ft1_KeyPress();
    void ft2_GotFocus();
    void ft2_KeyPress();
    void msb_GotFocus();
    void msb_KeyDown(int key);
    void msb_Change();
    void maskedEntryEvent(QObject *watched, QEvent *event);

    const Services m_services;
    bool m_shownOnce = false;

    // Visible controls.
    QPushButton *Command5;
    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command4;
    QPushButton *Command3;
    QLineEdit *msb;
    QLabel *text6;
    QLineEdit *Text5;
    QComboBox *Combo3;
    QStringListModel *Combo3Entries;
    QLabel *Label4;
    QLineEdit *ft1;
    QLabel *Label3;
    QLineEdit *ft2;
    QLabel *Label2;
    QComboBox *cft1;
    QLabel *Label5;
    QLabel *Label6;
    QPlainTextEdit *ft3;
    QPushButton *fcom;
    QPushButton *Command7;
    QTimer *Timer1;
    QPointer<ReminderWindow> m_reminder;  // open until the user closes it
    QDate m_shownDate;                    // of the agenda in Combo3
    bool m_readFailureShown = false;      // until a build reads the file again
    bool m_readFailurePending = false;    // said once the window is shown
    bool m_msbSelectOnRelease = false;    // a click gave msb the focus
    QPointer<WeekWindow> m_week;          // open until the user closes it
    FocusFrame *m_focusFrame = nullptr;   // around the control that has the keyboard focus
    QHash<qsizetype, QFont> m_countFonts; // the count box's face for each count of digits
    QAction *m_exportAction = nullptr;    // of the agenda's context menu
    QAction *m_importAction = nullptr;
    QAction *m_syncStatusAction = nullptr; // the last sync, disabled
    QAction *m_syncNowAction = nullptr;
    QAction *m_syncSetupAction = nullptr;
    QAction *m_syncStopAction = nullptr;
    // Calendars read, each batch as one start or drop handed them over, not yet asked about.
    struct PendingImport
    {
        QStringList names;
        QList<ical::CalendarImport> calendars;
    };
    QList<PendingImport> m_pendingImports;

    book::UndoHistory m_history;                    // of Del. and Delete all, for Ctrl+Z
    platform::BookWatcher *m_bookWatcher = nullptr; // the book and the day, followed
    book::ReminderSchedule m_reminders;             // what came due, and was reminded

    // The sync: at most one pass at a time, each a caldav::SyncPass of its own.
    enum class SyncPhase { Idle, ReadingPassword, Asking, Running };
    SyncPhase m_syncPhase = SyncPhase::Idle;
    QNetworkAccessManager *m_network = nullptr;     // made for the first request
    platform::PasswordStore *m_passwords = nullptr; // the desktop's keyring
    QTimer *m_syncSoon = nullptr;                   // a few seconds after a change
    QTimer *m_syncEvery = nullptr;                  // every five minutes
    bool m_syncAgain = false;                       // asked for while a pass ran: one more after it
    bool m_syncAgainByUser = false;                 // ... by "Sync now"
    bool m_syncByUser = false;             // the pass running: its end is said in the status text
    bool m_syncHeld = false;               // No to a pass's question: none by itself until Sync now
    bool m_syncRemovalsAllowed = false;    // Yes to it: for the next pass
    QString m_syncSaid;                    // the last pass's end, for the menu
    QString m_syncNote;                    // said with the end of the next pass the user asked for
    QString m_syncPasswordKey;             // whose password m_syncPassword is
    std::optional<QString> m_syncPassword; // for this run; none while not known
    bool m_syncPasswordTyped = false;      // at the prompt: to the keyring once the server takes it
    bool m_syncPasswordAsked = false;      // since the start, or the last Sync now
    QList<std::function<void()>> m_afterSync; // what waits for the pass to end
    QPointer<SyncDialog> m_syncDialog;        // "Sync with a server…", while open

    // Hidden controls, kept as plain members.
    book::AppointmentLines Combo2; // every line of the data file at the last build
    QList<qsizetype> Combo3Lines;  // for each entry of Combo3, its line in Combo2
    QList<qsizetype> dly;          // the lines of Combo2 that fall on the date shown
    QString ft4;                   // the appointment line being saved
    int Text7 = 0;                 // the last key pressed in ft1, as a Qt::Key
    int Text8 = 0;                 // ... in ft2
    int Text9 = 0;                 // ... in msb

    friend class TestWindow;
};
