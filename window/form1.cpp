#include "window/form1.h"

#include "book/appointment.h"
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "book/newlines.h"
#include "ical/calendarexport.h"
#include "ical/calendarimport.h"
#include "platform/bookwatcher.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/look.h"
#include "platform/minuteturns.h"
#include "platform/notifications.h"
#include "platform/passwordstore.h"
#include "platform/printer.h"
#include "platform/printers.h"
#include "platform/screen.h"
#include "sync/syncpass.h"
#include "sync/syncreport.h"
#include "sync/syncsetup.h"

// The icon's pictures are compiled in. Read from a file, an XPM picture makes Qt load every
// image format plugin first, to ask each whether it reads the file.
#include "window/icon/zentavo-16.xpm"
#include "window/icon/zentavo-32.xpm"

#include "window/focusframe.h"
#include "window/placement.h"
#include "window/reminder.h"
#include "window/syncdialog.h"
#include "window/week.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStringListModel>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using platform::BoldArial;
using platform::Twips;

template<typename Control>
Control *Make(QWidget *parent, const char *name, QRect geometry, const QFont &font)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(geometry);
    control->setFont(font);
    return control;
}

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, QRect geometry,
                    const QFont &font)
{
    auto *button = Make<QPushButton>(parent, name, geometry, font);
    button->setText(caption);
    button->setAutoDefault(false);
    return button;
}

QLineEdit *Box(QWidget *parent, const char *name, const QString &text, QRect geometry,
               const QFont &font, int maxLength = 32767)
{
    auto *box = Make<QLineEdit>(parent, name, geometry, font);
    box->setMaxLength(maxLength);
    box->setText(text);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QLabel *Caption(QWidget *parent, const char *name, const QString &text, QRect geometry,
                const QFont &font)
{
    auto *label = Make<QLabel>(parent, name, geometry, font);
    label->setText(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QComboBox *DropDown(QWidget *parent, const char *name, QRect geometry, const QFont &font)
{
    auto *combo = Make<QComboBox>(parent, name, geometry, font);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert); // Enter must not add what was typed
    combo->setCompleter(nullptr);                // nor complete it to an entry
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return combo;
}

// Whether the key hands a character to the box: printable text, Backspace or Enter.
// Delete, the arrows, the function keys and Ctrl combinations do not.
bool YieldsCharacter(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
        key->key() == Qt::Key_Enter)
        return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

// Focus that comes back with the window, or after a menu or pop-up, is no new entering.
bool IsEntered(const QEvent *event)
{
    const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

// Appends the separator when the text has reached one of the lengths, and puts the caret at
// the end with nothing selected.
void AppendSeparator(QLineEdit *box, QChar separator, std::initializer_list<int> lengths)
{
    const QString text = box->text();
    if (std::find(lengths.begin(), lengths.end(), text.size()) != lengths.end())
        box->setText(text + separator);
    box->end(false); // the caret to the end, nothing selected
}

// A tick comes just after the minute turns, so the label never shows a minute gone by.
constexpr int TickLateMs = 20;

int MsToNextMinute(const QDateTime &now)
{
    const QTime time = now.time();
    return 60000 - (time.second() * 1000 + time.msec()) + TickLateMs;
}

// The days the week window shows, today first.
constexpr int WeekDaysShown = 7;

// A pass comes this long after the last of a few quick changes, and this often by itself.
constexpr int SyncSoonMs = 3000;
constexpr int SyncEveryMs = 5 * 60 * 1000;

} // namespace

form1::form1(Services services, QWidget *parent)
    : QWidget(parent)
    , m_services(std::move(services))
    , m_history(m_services.dataFile)
    // An appointment of the minute the window starts in is reminded.
    , m_reminders(m_services.clock->now().addSecs(-60))
{
    setObjectName(u"form1"_s);
    setWindowTitle(u"Appointments Zentavo"_s);
    QIcon icon;
    icon.addPixmap(QPixmap(zentavo_32));
    icon.addPixmap(QPixmap(zentavo_16));
    setWindowIcon(icon);
    // A fixed window with a close box and no minimize or maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(Twips(0, 0, 7365, 4035).size());
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(background);
    setAutoFillBackground(true);

    createControls();

    // The clock label follows the time from the window's creation on.
    startTimer1();
}

form1::~form1()
{
    // Before QWidget's own destructor, whose closing of the window moves the focus, while the
    // frame's handler would still take this for a whole form1.
    delete m_focusFrame;
    // A pass cut off here is finished by the next start; its requests go before the network
    // they run on, which is the older child.
    qDeleteAll(findChildren<caldav::SyncPass *>(Qt::FindDirectChildrenOnly));
}

void form1::createControls()
{
    const QFont normal = BoldArial(9.75);
    const QFont entry = BoldArial(11.25);
    const QFont small = BoldArial(9);

    Command5 = Button(this, "Command5", u"Print"_s, Twips(360, 240, 735, 300), normal);
    Command1 = Button(this, "Command1", u"Day"_s, Twips(1320, 240, 735, 300), normal);
    Command2 = Button(this, "Command2", u"Today"_s, Twips(2160, 240, 735, 300), normal);
    Command4 = Button(this, "Command4", u"New"_s, Twips(3000, 240, 735, 300), normal);
    Command3 = Button(this, "Command3", u"Del."_s, Twips(3840, 240, 735, 300), normal);
    msb = Box(this, "msb", QString(), Twips(4680, 200, 1215, 360), normal, 10);

    text6 = Make<QLabel>(this, "text6", Twips(6000, 120, 1125, 495), BoldArial(20.25));
    text6->setAlignment(Qt::AlignCenter);
    text6->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette clock = text6->palette();
    clock.setColor(QPalette::WindowText, QColor(0, 192, 0));
    clock.setColor(QPalette::Window, QColor(64, 64, 64));
    text6->setPalette(clock);
    text6->setAutoFillBackground(true);

    Text5 = Box(this, "Text5", u"0"_s, Twips(360, 960, 375, 375), normal);
    Text5->setReadOnly(true); // a count the program keeps, not an entry
    Combo3 = DropDown(this, "Combo3", Twips(900, 960, 6135, 360), normal);
    // A plain string model takes a whole agenda in one step, which a large one needs.
    Combo3Entries = new QStringListModel(Combo3);
    Combo3->setModel(Combo3Entries);
    // A long entry is shown from its beginning, where its time is.
    connect(Combo3, &QComboBox::currentIndexChanged, this,
            [this] { Combo3->lineEdit()->home(false); });

    Label4 = Caption(this, "Label4", u"Date"_s, Twips(360, 1600, 615, 285), normal);
    ft1 = Box(this, "ft1", u"00/00/0000"_s, Twips(1080, 1560, 1335, 330), entry, 10);
    Label3 = Caption(this, "Label3", u"Time"_s, Twips(2700, 1600, 615, 285), normal);
    ft2 = Box(this, "ft2", u"00:00"_s, Twips(3420, 1560, 735, 390), entry, 5);
    Label2 = Caption(this, "Label2", u"Frequency"_s, Twips(4500, 1600, 1125, 285), normal);
    cft1 = DropDown(this, "cft1", Twips(5760, 1560, 1240, 345), small);

    // Wider than the window definition has it, so that it can say what Del. deleted.
    Label5 = Make<QLabel>(this, "Label5", Twips(1080, 2040, 5925, 255), small);
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setAutoFillBackground(true); // its own grey, over whatever lies below

    Label6 = Caption(this, "Label6", u"Content"_s, Twips(120, 2160, 855, 285), normal);
    ft3 = Make<QPlainTextEdit>(this, "ft3", Twips(240, 2520, 5535, 735), entry);
    ft3->setTabChangesFocus(true);
    // "Arabic Transparent" is a Windows face. Where it is missing, the window's own Arial
    // matches the other buttons better than what the system would put in its place. The list of
    // faces tells, without loading the face that would stand in for it; a face that several
    // foundries make is listed as "Family [Foundry]".
    const QString saveFamily = u"Arabic Transparent"_s;
    const QStringList families = QFontDatabase::families();
    QFont saveFont = normal;
    if (std::any_of(families.cbegin(), families.cend(), [&saveFamily](const QString &family) {
            return family == saveFamily || family.startsWith(saveFamily + u" ["_s);
        }))
        saveFont.setFamily(saveFamily);
    fcom = Button(this, "fcom", u"Save"_s, Twips(6100, 2760, 735, 300), saveFont);
    Command7 =
        Button(this, "Command7", u"Delete all records"_s, Twips(660, 3500, 6015, 300), small);
    Command7->setFocusPolicy(Qt::ClickFocus); // Tab passes it by

    for (QLabel *label : {Label4, Label3, Label2, Label5, Label6, text6})
        label->setFocusPolicy(Qt::NoFocus);
    // The time box comes before the date box.
    QWidget *const tabOrder[] = {Command1, Command2, Command3, Command4, Combo3, cft1, ft2,
                                 ft1,      ft3,      fcom,     Command5, Text5,  msb};
    for (size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Command1, &QPushButton::clicked, this, &form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &form1::Command5_Click);
    connect(Command7, &QPushButton::clicked, this, &form1::Command7_Click);
    connect(fcom, &QPushButton::clicked, this, &form1::fcom_Click);
    connect(msb, &QLineEdit::textChanged, this, &form1::msb_Change);
    // Where the focus is in a text box, the box's own undo of typing comes first.
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setAutoRepeat(false); // holding Ctrl+Z down must not undo every delete at once
    connect(undo, &QShortcut::activated, this, &form1::undoDelete);
    for (QObject *watched : std::initializer_list<QObject *>{
             ft1, ft2, msb, Command5, Command1, Command2, Command4, Command3, fcom, Command7})
        watched->installEventFilter(this);
    // In the agenda's box, Ctrl+Z brings back a delete: what is typed there only chooses. The
    // box hands the key to its line itself, past any filter of the line's.
    Combo3->installEventFilter(this);
    // Export and import are in the agenda's context menu, so that the fixed window stays as
    // it is; a calendar file dropped on the window is offered for import too.
    m_exportAction = new QAction(u"Export all appointments\u2026"_s, this);
    m_exportAction->setObjectName(u"exportAction"_s);
    // Queued: the file dialogs come once the menu has closed, not from within it.
    connect(m_exportAction, &QAction::triggered, this, &form1::exportCalendar,
            Qt::QueuedConnection);
    m_importAction = new QAction(u"Import appointments\u2026"_s, this);
    m_importAction->setObjectName(u"importAction"_s);
    connect(m_importAction, &QAction::triggered, this, &form1::importCalendar,
            Qt::QueuedConnection);
    createSyncActions();
    // The mouse's menu comes to the box's line; the Menu key's to the box, which would hand it
    // to its line as the line's own; Shift+F10 is the other key that asks for one.
    for (QWidget *box :
         {static_cast<QWidget *>(Combo3), static_cast<QWidget *>(Combo3->lineEdit())}) {
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, box](const QPoint &at) { showAgendaMenu(box->mapToGlobal(at)); });
    }
    auto *menuKey = new QShortcut(Qt::SHIFT | Qt::Key_F10, Combo3, nullptr, nullptr,
                                  Qt::WidgetWithChildrenShortcut);
    connect(menuKey, &QShortcut::activated, this,
            [this] { showAgendaMenu(Combo3->mapToGlobal(Combo3->rect().center())); });
    setAcceptDrops(true);

    // The control with the keyboard focus is plain to see, from the first moment and in every
    // style: a frame of its own around it, and the style's own focus marks shown from the
    // start rather than after the first key.
    setAttribute(Qt::WA_KeyboardFocusChange);
    m_focusFrame = new FocusFrame(this);
    // With the frame as context, so that nothing calls it once the frame is gone.
    connect(qApp, &QApplication::focusChanged, m_focusFrame, [this](QWidget *, QWidget *now) {
        m_focusFrame->follow(now && now->window() == this && now != this ? now : nullptr);
    });
    nameForScreenReaders();
}

void form1::nameForScreenReaders()
{
    // Each box has its label as buddy, and each control a name a person would say.
    Label4->setBuddy(ft1);
    Label3->setBuddy(ft2);
    Label2->setBuddy(cft1);
    Label6->setBuddy(ft3);
    const std::pair<QWidget *, QString> names[] = {
        {msb, u"Date shown"_s}, {Text5, u"Count"_s}, {Combo3, u"Appointments of the day"_s},
        {ft1, u"Date"_s},       {ft2, u"Time"_s},    {cft1, u"Frequency"_s},
        {ft3, u"Content"_s},
    };
    for (const auto &[control, name] : names)
        control->setAccessibleName(name);
    // A combo box is read by what it holds, and named by the label it is the buddy of: the
    // agenda's has no label on the window, so it has one that is never shown. Its line, where
    // the typing goes, is named too.
    auto *agendaLabel = new QLabel(u"Appointments of the day"_s, this);
    agendaLabel->setObjectName(u"agendaLabel"_s);
    agendaLabel->setBuddy(Combo3);
    agendaLabel->hide();
    Combo3->lineEdit()->setAccessibleName(Combo3->accessibleName());
    cft1->lineEdit()->setAccessibleName(cft1->accessibleName());
    // Labels whose text changes are read by their text; what they are is their description.
    text6->setAccessibleDescription(u"Clock"_s);
    Label5->setAccessibleDescription(u"Status"_s);
    msb->setAccessibleDescription(u"The date whose appointments are shown, day/month/year; "
                                  u"Enter or Day shows another"_s);
    Text5->setAccessibleDescription(u"How many appointments the day has"_s);
    ft1->setAccessibleDescription(u"Day, month and year of a new appointment, digits only"_s);
    ft2->setAccessibleDescription(u"Hours and minutes of a new appointment, digits only"_s);
    cft1->setAccessibleDescription(u"Once, daily, weekly, monthly, quarterly or yearly"_s);
    Command3->setAccessibleDescription(u"Deletes the appointment chosen in the list"_s);
    Command7->setAccessibleDescription(u"Deletes every appointment, after a question"_s);
}

void form1::Form_Load()
{
    fcom->setEnabled(false);
    // A second instance has already ended before the window was made (see main.cpp).
    if (m_services.showSplash && m_services.clock->now().date().day() % 5 == 0)
        m_services.showSplash();
    const QDateTime now = m_services.clock->now();
    text6->setText(now.toString(u"HH:mm"_s));
    // Dates are converted with the book's fixed day-first functions, whatever the locale,
    // so no system setting needs changing.
    m_shownDate = now.date();
    msb->setText(book::DateText(m_shownDate));
    for (QStringView tag : book::FrequencyTags)
        cft1->addItem(tag.toString());
    cft1->setCurrentIndex(-1);
    cft1->clearEditText();
    m_bookWatcher = new platform::BookWatcher(m_services.dataFile, m_shownDate, this);
    connect(m_bookWatcher, &platform::BookWatcher::bookChanged, this, &form1::followBook);
    connect(m_bookWatcher, &platform::BookWatcher::dayTurned, this, &form1::followDay);
    ShowDayAgenda(m_shownDate);
    m_bookWatcher->start();
    updateSyncActions();
    Command1->setFocus();
}

void form1::informWriteFailure(book::WriteStatus status, const QString &message, int error)
{
    // Another writer (a second login, an import, a sync) held the book for too long.
    if (status == book::WriteStatus::InUse) {
        m_services.dialogs->inform(this, u"The appointment file is in use."_s);
        return;
    }
    // The reason in plain words, where it is one a person can do something about.
    QString reason;
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        reason = u"the disk is full"_s;
        break;
    case EACCES:
    case EPERM:
    case EROFS: {
        // As this process may write (its effective user), which QFileInfo does not ask.
        const QByteArray book = QFile::encodeName(m_services.dataFile);
        const bool fileReadOnly = ::access(book.constData(), F_OK) == 0 &&
                                  ::faccessat(AT_FDCWD, book.constData(), W_OK, AT_EACCESS) != 0;
        reason = fileReadOnly ? u"the file is read-only"_s : u"its folder is read-only"_s;
        break;
    }
    case ENOENT:
        reason = u"the file was not found"_s;
        break;
    case EISDIR:
    case EINVAL:
        reason = u"it is not a file"_s;
        break;
    default:
        break;
    }
    m_services.dialogs->inform(
        this, reason.isEmpty() ? message : message.chopped(1) + u": "_s + reason + u'.');
}

bool form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Combo3) {
        if (event->type() != QEvent::ShortcutOverride ||
            !static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo))
            return QWidget::eventFilter(watched, event);
        event->ignore(); // so that it is the window's shortcut, not the box's own undo
        return true;
    }
    if (watched == ft1 || watched == ft2 || watched == msb) {
        maskedEntryEvent(watched, event); // every key still reaches the box
    } else if (event->type() == QEvent::KeyPress) {
        // Enter presses the focused button, as Space does.
        const auto *key = static_cast<const QKeyEvent *>(event);
        auto *button = qobject_cast<QPushButton *>(watched);
        // F6 on a button but Delete all, whatever the modifiers; the entry boxes keep it.
        if (key->key() == Qt::Key_F6 && watched != Command7) {
            showWeek();
            return true;
        }
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !key->isAutoRepeat()) {
            button->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void form1::keyPressEvent(QKeyEvent *event)
{
    // The window's own key when no control has the focus; a box's key that the box does not
    // use comes here too, and stays the box's.
    if (event->key() == Qt::Key_F6 && (!focusWidget() || focusWidget() == this))
        showWeek();
    else
        QWidget::keyPressEvent(event);
}

void form1::showEvent(QShowEvent *event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        platform::CentreOnScreen(this);
        // What fell due while the splash was up comes now, below the window in its place; a
        // book that could not be read at start is said over the window.
        QTimer::singleShot(0, this, [this] {
            if (std::exchange(m_readFailurePending, false))
                m_services.dialogs->inform(this, ReadFailureMessage.toString());
            remindPending();
            // What changed on either side while the program did not run.
            startSync(false);
            m_syncEvery->start();
        });
    }
    QWidget::showEvent(event);
}

void form1::tellStatus(const QString &text)
{
    Label5->setText(Label5->fontMetrics().elidedText(text, Qt::ElideMiddle, Label5->width()));
    Label5->setToolTip(text);
}

void form1::clearStatus()
{
    Label5->clear();
    Label5->setToolTip(QString());
}

// Day and Today, and showing a day's agenda in the window.

void form1::Command1_Click()
{
    clearStatus();
    // Ten characters that are no date (ab/cd/efgh, 31/02/2026) are refused like a text of
    // the wrong length.
    const QString text = msb->text();
    const QDate date = text.size() == 10 ? book::ParseDateText(text) : QDate();
    if (!date.isValid()) {
        m_services.dialogs->inform(this, u"Incorrect date"_s);
        return;
    }
    ShowDayAgenda(date);
}

void form1::Command2_Click()
{
    clearStatus();
    ShowDayAgenda(m_services.clock->now().date());
}

bool form1::ShowDayAgenda(QDate date, TypedDate typed)
{
    // The date box is the window's focus even while another window is active, such as the
    // editor that changed the book; what it holds is typed when it is not the date shown.
    const bool keepTypedDate =
        typed == TypedDate::Keep || (typed == TypedDate::KeepWhileTyping && focusWidget() == msb &&
                                     msb->text() != book::DateText(m_shownDate));
    // Taken before the read: a change in between is then seen as a change, not missed.
    const book::FileStamp stamp = book::StampOf(m_services.dataFile);
    book::DayAgenda agenda = book::BuildDayAgenda(m_services.dataFile, date);
    // What the window shows is still the last book it read, whatever this read gave.
    const auto shown = qScopeGuard([this, &stamp] {
        if (m_bookWatcher)
            m_bookWatcher->setShown(stamp, Combo2.content());
    });
    // An unreadable book shown as an empty day would look like lost appointments.
    if (agenda.readFailed) {
        if (!m_readFailureShown) {
            m_readFailureShown = true;
            // The message belongs to the main window: before it is shown, it waits for it.
            if (isVisible())
                m_services.dialogs->inform(this, ReadFailureMessage.toString());
            else
                m_readFailurePending = true;
        }
        // The date box names the day whose agenda is still shown.
        if (!keepTypedDate)
            msb->setText(book::DateText(m_shownDate));
        return false;
    }
    m_readFailureShown = false;
    m_shownDate = date;

    dly.clear();
    Combo2.clear();
    Combo3Lines.clear();
    Combo3Entries->setStringList({});

    if (!keepTypedDate)
        msb->setText(agenda.key.dateText);

    Combo2 = std::move(agenda.allLines);
    Combo3Lines = std::move(agenda.displaySources);
    dly = std::move(agenda.matchingLines);
    Combo3Entries->setStringList(agenda.displayLines.toList());
    Combo3->setCurrentIndex(agenda.count > 0 ? 0 : -1);
    if (agenda.count == 0)
        Combo3->clearEditText();
    showCount(agenda.count);
    return true;
}

void form1::chooseLine(QByteArrayView line)
{
    for (qsizetype entry = 0; entry < Combo3Lines.size(); ++entry) {
        if (Combo2.at(Combo3Lines.at(entry)).bytes() == line) {
            Combo3->setCurrentIndex(int(entry));
            return;
        }
    }
}

void form1::refreshAfterChange()
{
    ShowDayAgenda(m_shownDate, TypedDate::Keep);
    refreshWeek();
}

void form1::showCount(qsizetype count)
{
    // The box is as wide as the window definition makes it: a number that does not fit in its
    // face gets a smaller one, and the whole of it is in a tooltip besides. The face is found
    // once for each count of digits, as every size tried loads a face.
    const QString number = QString::number(count);
    QFont &font = m_countFonts[number.size()];
    const int frame = Text5->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Text5);
    const int room = Text5->width() - 2 * frame - 4; // less the box's frame and margins
    if (font.family().isEmpty()) {
        font = platform::BoldArial(9.75);
        // A face's width grows with its size: the size that fits is worked out from the one
        // measure, in half points, and made smaller only if the rounding did not do.
        const QString widest(number.size(), u'8');
        const int width = QFontMetrics(font).horizontalAdvance(widest);
        if (width > room) {
            font.setPointSizeF(qMax(4.0, std::floor(font.pointSizeF() * room / width * 2) / 2));
            while (font.pointSizeF() > 4 && QFontMetrics(font).horizontalAdvance(widest) > room)
                font.setPointSizeF(font.pointSizeF() - 0.5);
        }
    }
    // Digits are all as wide in this face, but for the rounding of a pixel.
    while (font.pointSizeF() > 4 && QFontMetrics(font).horizontalAdvance(number) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (Text5->font() != font)
        Text5->setFont(font);
    Text5->setText(number);
    Text5->setToolTip(number == u"1"_s ? u"1 appointment"_s : number + u" appointments"_s);
    Text5->setCursorPosition(0);
}

// New and Save: a new appointment from the entry area.

void form1::Command4_Click()
{
    fcom->setEnabled(true);
    clearStatus();
    cft1->setFocus();
    // The frequency stays for the next appointment, and what is typed now replaces it.
    cft1->lineEdit()->selectAll();
}

void form1::fcom_Click()
{
    clearStatus();
    const QString date = ft1->text();
    const QString time = ft2->text();
    if (date.size() != 10 || time.size() != 5) {
        m_services.dialogs->inform(this, u"Wrong date or time"_s);
        return;
    }
    const QString content = ft3->toPlainText();
    const QString frequency = cft1->currentText();
    // Content that is only blanks and line breaks would be stored without any text.
    const bool noContent =
        book::TrimBlanks(QString(content).replace(u'\r', u' ').replace(u'\n', u' ')).isEmpty();
    if (date == u"__/__/____"_s || time == u"__:__"_s || noContent || frequency.isEmpty()) {
        m_services.dialogs->inform(this, u"Incomplete data"_s);
        return;
    }
    // A frequency of its own would be stored and then fall on no date, out of reach of Del.
    const QStringView tag = book::FrequencyTagOf(frequency);
    if (tag.isEmpty()) {
        m_services.dialogs->inform(this, u"Incorrect frequency"_s);
        return;
    }
    // An appointment whose date or time can never be shown is never stored. This check
    // comes last so that the placeholders above keep their own message.
    if (!book::ParseDateText(date).isValid() || book::MinuteOfDay(time) < 0) {
        m_services.dialogs->inform(this, u"Wrong date or time"_s);
        return;
    }

    ft4 = book::ComposeAppointmentLine(tag, date, time, content);
    int error = 0;
    const book::WriteStatus saved = book::AppendAppointmentLine(m_services.dataFile, ft4, &error);
    if (saved != book::WriteStatus::Written) {
        // Nothing is emptied: the user can try again, or copy the text elsewhere.
        informWriteFailure(saved, u"The appointment could not be saved."_s, error);
        return;
    }

    ft3->clear();
    ft4.clear();
    clearStatus();
    refreshAfterChange();
    syncSoon();
}

// Del. and Delete all, and Ctrl+Z, which brings back what they removed.

void form1::Command3_Click()
{
    clearStatus();
    // The chosen entry: the one selected, or the entry whose text was typed into the box. A
    // text that is no entry of the agenda chooses nothing.
    // The box shows at most its maximum length of an entry: the entry selected is chosen
    // while the box shows what it can of it, however long the entry is.
    const QString chosen = Combo3->currentText();
    const int shownAtMost = Combo3->lineEdit()->maxLength();
    int entry = Combo3->currentIndex();
    if (entry < 0 || Combo3->itemText(entry).left(shownAtMost) != chosen)
        entry = chosen.isEmpty() ? -1 : Combo3->findText(chosen, Qt::MatchExactly);
    if (entry < 0) {
        m_services.dialogs->inform(this, u"Choose an appointment"_s);
        return;
    }

    // Only the line the entry shows goes: not the same text stored for another date, nor a
    // longer text that begins with it. Lines added since the last build (by hand, or by a Save
    // whose refresh was refused) are kept; among identical lines, the one in the same place
    // goes.
    const qsizetype source = Combo3Lines.value(entry, -1);
    if (source < 0 || source >= Combo2.size())
        return;
    const book::AppointmentLine line = Combo2.at(source);
    const qsizetype occurrence = std::count(Combo2.cbegin(), Combo2.cbegin() + source, line);
    const book::UndoHistory::Outcome deleted = m_history.deleteLine(line.bytes(), occurrence);
    const QString shown = Combo3->itemText(entry);
    if (deleted.status != book::WriteStatus::Written)
        informWriteFailure(deleted.status, u"The appointment could not be deleted."_s,
                           deleted.error);
    refreshAfterChange();
    if (deleted.lines > 0) {
        tellStatus(u"Deleted: %1. Ctrl+Z brings it back."_s.arg(shown));
        syncSoon();
    }
}

void form1::Command7_Click()
{
    clearStatus();
    if (!m_services.dialogs->askYesNo(this, u"All records will be deleted?"_s,
                                      platform::Dialogs::Default::Yes))
        return;
    const book::UndoHistory::Outcome deleted = m_history.deleteAll();
    if (deleted.status != book::WriteStatus::Written) {
        informWriteFailure(deleted.status, u"The appointments could not be deleted."_s,
                           deleted.error);
        return;
    }
    ft3->clear();
    ft4.clear();
    clearStatus();
    cft1->setCurrentIndex(-1);
    cft1->clearEditText();
    ft1->clear();
    ft2->clear();
    refreshAfterChange();
    if (deleted.lines > 0) {
        tellStatus(u"Deleted all %1. Ctrl+Z brings them back."_s.arg(
            deleted.lines == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(deleted.lines)));
        syncSoon();
    }
    Command4->setFocus();
}

void form1::undoDelete()
{
    if (!m_history.canUndo())
        return;
    const book::UndoHistory::Outcome back = m_history.undo();
    if (back.status != book::WriteStatus::Written) {
        informWriteFailure(back.status, u"The appointments could not be restored."_s, back.error);
        return;
    }
    refreshAfterChange();
    if (back.lines > 0)
        syncSoon();
    if (back.imported && back.lines == 0)
        tellStatus(u"The imported appointments are no longer in the book."_s);
    else if (back.imported)
        tellStatus(back.lines == 1 ? u"1 imported appointment taken back."_s
                                   : u"%1 imported appointments taken back."_s.arg(back.lines));
    else
        tellStatus(back.lines == 1 ? u"1 appointment brought back."_s
                                   : u"%1 appointments brought back."_s.arg(back.lines));
}

// The exchange with other calendars: export of the whole book, and import of iCalendar files
// from the menu, a drop or a second start.

void form1::showAgendaMenu(const QPoint &at)
{
    const std::unique_ptr<QMenu> menu(Combo3->lineEdit()->createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(m_exportAction);
    menu->addAction(m_importAction);
    menu->addSeparator();
    updateSyncActions();
    menu->addActions({m_syncStatusAction, m_syncNowAction, m_syncSetupAction, m_syncStopAction});
    menu->exec(at);
}

void form1::exportCalendar()
{
    clearStatus();
    const QString file = m_services.dialogs->saveFileName(this, u"Export all appointments"_s,
                                                          u"iCalendar files (*.ics)"_s);
    if (file.isEmpty())
        return;
    const std::optional<book::AppointmentLines> lines =
        book::LoadAppointmentLines(m_services.dataFile);
    if (!lines) {
        m_services.dialogs->inform(this, ReadFailureMessage.toString());
        return;
    }
    const ical::CalendarExport exported =
        ical::ExportCalendar(*lines, m_services.clock->now().toUTC());
    QSaveFile target(file);
    if (!target.open(QIODevice::WriteOnly) ||
        target.write(exported.calendar) != exported.calendar.size() || !target.commit()) {
        m_services.dialogs->inform(this, u"The appointments could not be exported to %1: %2."_s.arg(
                                             QFileInfo(file).fileName(), target.errorString()));
        return;
    }
    QString said = u"Exported %1 to %2."_s.arg(
        exported.events == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(exported.events),
        QFileInfo(file).fileName());
    if (exported.leftOut > 0)
        said =
            said.chopped(1) + (exported.leftOut == 1
                                   ? u"; 1 line with no date left out."_s
                                   : u"; %1 lines with no date left out."_s.arg(exported.leftOut));
    tellStatus(said);
}

void form1::importCalendar()
{
    const QStringList files = m_services.dialogs->openFileNames(
        this, u"Import appointments"_s, u"iCalendar files (*.ics *.ical *.ifb);;All files (*)"_s);
    openCalendars(files);
}

void form1::openCalendars(const QStringList &files)
{
    raise();
    activateWindow();
    if (files.isEmpty())
        return;
    // Read now, as the program that handed them over may remove them; asked about once no
    // other question is open and the window is up.
    PendingImport batch;
    for (const QString &file : files) {
        batch.names.append(QFileInfo(file).fileName());
        batch.calendars.append(ical::ReadCalendarFile(file, m_services.clock->now().date()));
    }
    m_pendingImports.append(batch);
    QTimer::singleShot(0, this, &form1::offerImports);
}

void form1::offerImports()
{
    if (m_pendingImports.isEmpty())
        return;
    if (!m_shownOnce || !isVisible() || QApplication::activeModalWidget()) {
        QTimer::singleShot(250, this, &form1::offerImports);
        return;
    }
    const PendingImport batch = m_pendingImports.takeFirst();
    if (!m_pendingImports.isEmpty())
        QTimer::singleShot(0, this, &form1::offerImports);
    clearStatus();
    book::LineGroups lines;
    qsizetype leftOut = 0;
    for (qsizetype i = 0; i < batch.calendars.size(); ++i) {
        const ical::CalendarImport &calendar = batch.calendars.at(i);
        if (!calendar.error.isEmpty()) {
            m_services.dialogs->inform(
                this, u"%1 could not be imported: %2.%3"_s.arg(
                          batch.names.at(i), calendar.error,
                          batch.names.size() > 1 ? u" Nothing was imported."_s : QString()));
            return;
        }
        lines.append(calendar.lines);
        leftOut += calendar.leftOut.size();
    }
    const std::optional<QByteArray> book = book::ReadAppointmentFile(m_services.dataFile);
    if (!book) {
        m_services.dialogs->inform(this, ReadFailureMessage.toString());
        return;
    }
    const QList<QByteArray> fresh = book::NewLines(*book, lines);
    const QString from =
        batch.names.size() == 1 ? batch.names.first() : u"%1 files"_s.arg(batch.names.size());
    const QString skipped =
        leftOut == 0   ? QString()
        : leftOut == 1 ? u" 1 entry is left out, as the book cannot hold it."_s
                       : u" %1 entries are left out, as the book cannot hold them."_s.arg(leftOut);
    if (fresh.isEmpty()) {
        const bool none = std::all_of(lines.cbegin(), lines.cend(),
                                      [](const auto &group) { return group.isEmpty(); });
        m_services.dialogs->inform(this,
                                   (none ? u"%1 holds no appointment that the book can hold.%2"_s
                                         : u"Every appointment of %1 is in the book already.%2"_s)
                                       .arg(from, skipped));
        return;
    }
    const QString count =
        fresh.size() == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(fresh.size());
    if (!m_services.dialogs->askYesNo(this, u"Add %1 from %2?%3"_s.arg(count, from, skipped),
                                      platform::Dialogs::Default::Yes))
        return;
    const book::UndoHistory::Outcome added = m_history.addLines(lines);
    if (added.status != book::WriteStatus::Written) {
        informWriteFailure(added.status, u"The appointments could not be imported."_s, added.error);
        return;
    }
    if (added.added.isEmpty()) { // another writer added them while the question was open
        refreshAfterChange();
        tellStatus(u"The appointments were in the book already."_s);
        return;
    }
    // The day of the first appointment added, chosen, which shows that the import came.
    const QByteArray first = added.added.constFirst();
    const QDate day = book::Appointment(book::AppointmentLine(first)).storedDate();
    if (ShowDayAgenda(day.isValid() ? day : m_shownDate))
        chooseLine(first);
    refreshWeek();
    syncSoon();
    tellStatus(u"Imported %1. Ctrl+Z takes %2 back."_s.arg(
        added.lines == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(added.lines),
        added.lines == 1 ? u"it"_s : u"them"_s));
}

void form1::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() &&
        std::all_of(urls.cbegin(), urls.cend(), [](const QUrl &url) { return url.isLocalFile(); }))
        event->acceptProposedAction();
}

void form1::dropEvent(QDropEvent *event)
{
    QStringList files;
    for (const QUrl &url : event->mimeData()->urls())
        files.append(url.toLocalFile());
    event->acceptProposedAction();
    // After the drop has ended, so that the dragging program is not kept waiting for the
    // question.
    QTimer::singleShot(0, this, [this, files] { openCalendars(files); });
}

// The sync with a CalDAV server: passes that run beside the window, the password from the
// keyring or the user, and the menu's entries that set it up, stop it, and say how it went.

void form1::createSyncActions()
{
    m_passwords = new platform::PasswordStore(this);
    m_syncStatusAction = new QAction(this);
    m_syncStatusAction->setObjectName(u"syncStatusAction"_s);
    m_syncStatusAction->setEnabled(false); // a line to read, not to choose
    m_syncNowAction = new QAction(u"Sync now"_s, this);
    m_syncNowAction->setObjectName(u"syncNowAction"_s);
    m_syncSetupAction = new QAction(u"Sync with a server\u2026"_s, this);
    m_syncSetupAction->setObjectName(u"syncSetupAction"_s);
    m_syncStopAction = new QAction(u"Stop syncing"_s, this);
    m_syncStopAction->setObjectName(u"syncStopAction"_s);
    // Queued, as export and import: what they ask comes once the menu has closed.
    connect(
        m_syncNowAction, &QAction::triggered, this, [this] { startSync(true); },
        Qt::QueuedConnection);
    connect(m_syncSetupAction, &QAction::triggered, this, &form1::setUpSync, Qt::QueuedConnection);
    connect(m_syncStopAction, &QAction::triggered, this, &form1::stopSync, Qt::QueuedConnection);

    m_syncSoon = new QTimer(this);
    m_syncSoon->setObjectName(u"syncSoon"_s);
    m_syncSoon->setSingleShot(true);
    m_syncSoon->setInterval(SyncSoonMs);
    connect(m_syncSoon, &QTimer::timeout, this, [this] { startSync(false); });
    m_syncEvery = new QTimer(this);
    m_syncEvery->setObjectName(u"syncEvery"_s);
    m_syncEvery->setInterval(SyncEveryMs);
    connect(m_syncEvery, &QTimer::timeout, this, [this] { startSync(false); });
}

void form1::syncSoon()
{
    // A book that syncs with nothing is not looked at again when the timer comes. A change of
    // the user's own asks again what a held pass asked: an undo may have brought back what
    // that pass would have removed.
    m_syncHeld = false;
    m_syncSoon->start();
}

void form1::startSync(bool byUser)
{
    caldav::Account account;
    if (!caldav::SyncIsSetUp(m_services.dataFile, &account)) {
        m_syncAgain = m_syncAgainByUser = false;
        updateSyncActions();
        return;
    }
    if (byUser) {
        m_syncHeld = false;
        m_syncPasswordAsked = false;
    } else if (m_syncHeld) {
        return;
    }
    // One pass at a time, and none while a server is being set up.
    if (m_syncPhase != SyncPhase::Idle || m_syncDialog) {
        m_syncAgain = true;
        m_syncAgainByUser = m_syncAgainByUser || byUser;
        return;
    }
    m_syncSoon->stop(); // this pass takes in the changes it waited for
    m_syncByUser = byUser;
    const QString key = caldav::PasswordKey(account, m_services.dataFile);
    if (key != m_syncPasswordKey) {
        m_syncPasswordKey = key;
        m_syncPassword.reset();
        m_syncPasswordTyped = false;
    }
    if (account.user.isEmpty() || m_syncPassword) {
        runSync(m_syncPassword.value_or(QString()));
        return;
    }
    m_syncPhase = SyncPhase::ReadingPassword;
    updateSyncActions();
    m_passwords->read(key, [this, account](bool found, const QString &password) {
        if (found) {
            m_syncPassword = password;
            runSync(password);
            return;
        }
        m_syncPhase = SyncPhase::Asking;
        askSyncPassword(account, [this](bool typed) {
            if (typed) {
                runSync(*m_syncPassword);
                return;
            }
            caldav::SyncReport report;
            report.result = {caldav::DavResult::Kind::NeedsPassword, 0, u"no password given"_s};
            report.finishedAt = QDateTime::currentDateTime();
            endSync(report);
        });
    });
}

void form1::runSync(const QString &password)
{
    // The dialog opened while the password was looked for: the pass comes once it closes, and
    // what waits for the window to be idle (the dialog's OK) goes on.
    if (m_syncDialog) {
        m_syncPhase = SyncPhase::Idle;
        m_syncAgain = true;
        m_syncAgainByUser = m_syncAgainByUser || std::exchange(m_syncByUser, false);
        updateSyncActions();
        QTimer::singleShot(0, this, [this] { whenSyncIdle({}); });
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    auto *pass = new caldav::SyncPass(m_network, m_services.dataFile, password, this);
    pass->setToday(m_services.clock->now().date());
    pass->setRemovalsAllowed(std::exchange(m_syncRemovalsAllowed, false));
    connect(pass, &caldav::SyncPass::finished, this,
            [this, pass](const caldav::SyncReport &report) {
                pass->deleteLater();
                syncFinished(report);
            });
    m_syncPhase = SyncPhase::Running;
    updateSyncActions();
    pass->start();
}

void form1::syncFinished(const caldav::SyncReport &report)
{
    m_syncPhase = SyncPhase::Idle;
    // What came from the server shows at once, as a change of the book made elsewhere.
    if (report.bookChanged)
        followBook();
    if (report.needsConfirmation) {
        m_syncPhase = SyncPhase::Asking;
        const bool byUser = m_syncByUser;
        whenNoQuestionOpen([this, report, byUser] {
            const bool yes = m_services.dialogs->askYesNo(questionParent(), report.question(),
                                                          platform::Dialogs::Default::No);
            m_syncPhase = SyncPhase::Idle;
            m_syncAgain = false; // the answer covers the passes asked for meanwhile
            if (yes) {
                m_syncRemovalsAllowed = true;
                startSync(byUser);
                // Held back by the set-up dialog, the pass leaves the window idle: what
                // waits for that (the dialog's OK) goes on.
                if (m_syncPhase == SyncPhase::Idle)
                    whenSyncIdle({});
                return;
            }
            m_syncHeld = true;
            m_syncByUser = false;
            m_syncSaid = u"Not synced, as it would remove appointments; Sync now asks again"_s;
            updateSyncActions();
            whenSyncIdle({});
        });
        return;
    }
    caldav::Account account;
    const bool wantsPassword = report.result.kind == caldav::DavResult::Kind::Refused ||
                               report.result.kind == caldav::DavResult::Kind::NeedsPassword;
    if (wantsPassword && caldav::SyncIsSetUp(m_services.dataFile, &account) &&
        !account.user.isEmpty() && !m_syncPasswordAsked) {
        m_syncPhase = SyncPhase::Asking;
        askSyncPassword(account, [this, report](bool typed) {
            if (typed)
                runSync(*m_syncPassword);
            else
                endSync(report);
        });
        return;
    }
    endSync(report);
}

void form1::endSync(const caldav::SyncReport &report)
{
    m_syncPhase = SyncPhase::Idle;
    m_syncRemovalsAllowed = false; // a Yes is for the pass it was asked for
    // A password typed is kept once the server has taken it, not before.
    if (report.result.ok() && std::exchange(m_syncPasswordTyped, false) && m_syncPassword)
        m_passwords->write(m_syncPasswordKey, *m_syncPassword, [](bool, const QString &) {});
    m_syncSaid =
        report.ok()
            ? u"Last sync: %1, %2"_s.arg(report.finishedAt.toString(u"HH:mm"_s), report.summary())
            : u"Last sync failed at %1: %2"_s.arg(m_services.clock->now().toString(u"HH:mm"_s),
                                                  report.summary());
    updateSyncActions();
    if (std::exchange(m_syncByUser, false))
        tellStatus((report.ok() ? u"Synced: "_s : u"Sync failed: "_s) + report.summary() + u'.' +
                   std::exchange(m_syncNote, {}));
    whenSyncIdle({});
}

void form1::askSyncPassword(const caldav::Account &account, std::function<void(bool typed)> then)
{
    if (m_syncPasswordAsked) {
        then(false);
        return;
    }
    m_syncPasswordAsked = true;
    whenNoQuestionOpen([this, account, then = std::move(then)] {
        const std::optional<QString> typed = m_services.dialogs->password(
            questionParent(), u"The password of %1 on %2:"_s.arg(account.user, account.url.host()));
        if (typed) {
            m_syncPassword = *typed;
            m_syncPasswordTyped = true;
        }
        then(typed.has_value());
    });
}

void form1::whenSyncIdle(std::function<void()> then)
{
    if (m_syncPhase != SyncPhase::Idle) {
        if (then)
            m_afterSync.append(std::move(then));
        return;
    }
    if (then)
        then();
    // What waited for the pass, then the pass asked for while it ran.
    for (const std::function<void()> &waiting : std::exchange(m_afterSync, {}))
        waiting();
    if (std::exchange(m_syncAgain, false))
        startSync(std::exchange(m_syncAgainByUser, false));
}

QWidget *form1::questionParent()
{
    if (m_syncDialog)
        return m_syncDialog;
    return this;
}

void form1::whenNoQuestionOpen(std::function<void()> then)
{
    // The set-up dialog does not hold a question back: its OK waits for the pass that asks.
    QWidget *const modal = QApplication::activeModalWidget();
    if (!isVisible() || (modal && modal != m_syncDialog)) {
        QTimer::singleShot(250, this, [this, then = std::move(then)]() mutable {
            whenNoQuestionOpen(std::move(then));
        });
        return;
    }
    then();
}

void form1::updateSyncActions()
{
    const bool setUp = caldav::SyncIsSetUp(m_services.dataFile);
    m_syncNowAction->setEnabled(setUp);
    m_syncStopAction->setEnabled(setUp);
    if (!setUp)
        m_syncStatusAction->setText(u"Not syncing with a server"_s);
    else if (m_syncPhase == SyncPhase::Running || m_syncPhase == SyncPhase::ReadingPassword)
        m_syncStatusAction->setText(u"Syncing\u2026"_s);
    else
        m_syncStatusAction->setText(m_syncSaid.isEmpty() ? u"Not synced yet"_s : m_syncSaid);
}

void form1::setUpSync()
{
    if (m_syncDialog) {
        m_syncDialog->raise();
        m_syncDialog->activateWindow();
        return;
    }
    caldav::Account current;
    if (caldav::SyncIsSetUp(m_services.dataFile, &current) &&
        caldav::PasswordKey(current, m_services.dataFile) == m_syncPasswordKey && m_syncPassword)
        current.password = *m_syncPassword;
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    m_syncDialog = new SyncDialog(
        m_network, m_services.dataFile, current, m_passwords,
        [this](std::function<void()> then) { whenSyncIdle(std::move(then)); }, this);
    m_syncDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_syncDialog, &SyncDialog::setUp, this,
            [this](const caldav::Account &account, const QString &keyringError) {
                m_syncPasswordKey = caldav::PasswordKey(account, m_services.dataFile);
                m_syncRemovalsAllowed = false; // given for the server before
                m_syncPassword = account.password;
                m_syncPasswordTyped = false; // the dialog kept it, or said why it could not
                m_syncHeld = false;
                m_syncSaid.clear();
                m_syncNote = keyringError.isEmpty()
                                 ? QString()
                                 : u" The keyring could not keep the password (%1): it is "
                                   u"asked again at the next start."_s.arg(keyringError);
                updateSyncActions();
                // The first pass once the dialog has closed.
                m_syncAgain = true;
                m_syncAgainByUser = true;
            });
    // Passes asked for while it was open come once it is gone.
    connect(m_syncDialog, &QObject::destroyed, this,
            [this] { QTimer::singleShot(0, this, [this] { whenSyncIdle({}); }); });
    m_syncDialog->open();
}

void form1::stopSync()
{
    clearStatus();
    caldav::Account account;
    if (!caldav::SyncIsSetUp(m_services.dataFile, &account))
        return updateSyncActions();
    if (!m_services.dialogs->askYesNo(
            this,
            u"Stop syncing with %1? Nothing is deleted on either side."_s.arg(
                account.url.toString()),
            platform::Dialogs::Default::Yes))
        return;
    // After the pass that runs, which would write its state again at its end.
    whenSyncIdle([this, account] {
        QString error;
        if (!caldav::StopSync(m_services.dataFile, &error)) {
            m_services.dialogs->inform(this, u"The sync could not be stopped: %1."_s.arg(error));
            return;
        }
        m_passwords->remove(caldav::PasswordKey(account, m_services.dataFile),
                            [](bool, const QString &) {});
        m_syncPassword.reset();
        m_syncPasswordKey.clear();
        m_syncHeld = false;
        m_syncSaid.clear();
        m_syncSoon->stop();
        updateSyncActions();
        tellStatus(u"No longer syncs with %1."_s.arg(account.url.toString()));
    });
}

// Print: the agenda shown, on the default printer.

void form1::Command5_Click()
{
    clearStatus();
    // No default printer, or any failure on the way: nothing is left half printed, and the
    // window says so, as a print that never comes would otherwise be waited for.
    std::unique_ptr<platform::Printer> printer = m_services.printers->openDefault();
    if (!printer) {
        m_services.dialogs->inform(this, u"No printer is set up."_s);
        return;
    }
    // The heading names the day of the entries below it, not a date typed since.
    const QString indent(11, u' ');
    QStringList lines{QString(), QString(),
                      indent + u"Appointments on: "_s + book::DateText(m_shownDate),
                      indent + QString(62, u'_'), QString()};
    for (int i = 0; i < Combo3->count(); ++i)
        lines.append(indent + Combo3->itemText(i));

    bool printed = printer->setFontSize(14) && printer->setBold(true);
    for (const QString &line : std::as_const(lines)) {
        if (!printed)
            break;
        printed = printer->printLine(line);
    }
    if (!printed || !printer->endDocument()) {
        printer->abort();
        m_services.dialogs->inform(this, u"The agenda could not be printed."_s);
        return;
    }
    tellStatus(u"Sent to the printer."_s);
}

// The minute timer: it keeps the clock label current and reminds the user of today's
// appointments when their time comes.

void form1::startTimer1()
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setTimerType(Qt::PreciseTimer); // a coarse timer may come seconds early
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &form1::Timer1_Timer);
    if (m_services.notifications)
        connect(m_services.notifications, &platform::Notifications::refused, this,
                &form1::showReminder);
    // The timer counts the time it waits, which stops while the computer sleeps: the wall
    // clock's own turns put it right again.
    if (m_services.minuteTurns)
        connect(m_services.minuteTurns, &platform::MinuteTurns::turned, this, &form1::Timer1_Timer);
    Timer1->start(MsToNextMinute(m_services.clock->now()));
}

void form1::Timer1_Timer()
{
    const QDateTime now = m_services.clock->now();
    // Once a minute, set anew each time, so that a timer that drifted comes back to the turn.
    Timer1->start(MsToNextMinute(now));
    text6->setText(now.toString(u"HH:mm"_s));
    if (m_bookWatcher)
        m_bookWatcher->setToday(now.date());
    // Before the window is first shown (the splash on its days) reminders wait for it.
    if (m_shownOnce)
        remindPending();
}

void form1::remindPending()
{
    // Today's agenda as the window shows it, where it shows today from the book as it is now:
    // no read of the book at each tick. Else one read for both days; a book that cannot be
    // read now is read again at the next tick, from the same point.
    const auto days = [this](QDate first,
                             QDate today) -> std::optional<book::ReminderSchedule::DayLines> {
        if (first == today && today == m_shownDate && !m_readFailureShown && m_bookWatcher &&
            m_bookWatcher->showsBook())
            return book::ReminderSchedule::DayLines{{today, Combo3Entries->stringList()}};
        const std::optional<book::AppointmentLines> lines =
            book::LoadAppointmentLines(m_services.dataFile);
        if (!lines)
            return std::nullopt;
        book::ReminderSchedule::DayLines agendas;
        for (const book::DayAgenda &agenda :
             book::BuildDayAgendas(*lines, first, int(first.daysTo(today)) + 1))
            agendas.append({agenda.key.date, agenda.displayLines.toList()});
        return agendas;
    };
    const QStringList due = m_reminders.tick(m_services.clock->now(), days);
    if (due.isEmpty())
        return;
    // In the desktop's notifications when it has them; what it does not take, in our own window.
    if (m_services.notifications)
        m_services.notifications->add(due);
    else
        showReminder(due);
}

void form1::showReminder(const QStringList &due)
{
    if (!m_reminder) {
        m_reminder = new ReminderWindow(this);
        // Below the main window, kept on the screen.
        QRect place(frameGeometry().bottomLeft() + QPoint(0, 16), m_reminder->size());
        if (const QScreen *shown = screen()) {
            const QRect desk = shown->availableGeometry();
            place.moveBottom(qMin(place.bottom(), desk.bottom()));
            place.moveRight(qMin(place.right(), desk.right()));
        }
        m_reminder->move(place.topLeft());
    }
    m_reminder->add(m_services.clock->now().date(), due);
    m_reminder->show();
    QApplication::beep();
}

// Changes of the book made elsewhere, and the turn of the day, as the watcher tells them.

void form1::followBook()
{
    // The chosen entry stays chosen where it still is: the same text, as often before it.
    const QStringList before = Combo3Entries->stringList();
    const int chosen = Combo3->currentIndex();
    const QString text = before.value(chosen);
    const qsizetype occurrence = chosen < 0 ? 0 : before.first(chosen).count(text);
    if (ShowDayAgenda(m_shownDate, TypedDate::KeepWhileTyping) && chosen >= 0) {
        const QStringList after = Combo3Entries->stringList();
        for (qsizetype i = 0, seen = 0; i < after.size(); ++i) {
            if (after.at(i) == text && seen++ == occurrence) {
                Combo3->setCurrentIndex(int(i));
                break;
            }
        }
    }
    refreshWeek();
}

void form1::followDay(QDate before, QDate today)
{
    // A window on the old today moves on, as Today would; one on another date stays there.
    if (m_shownDate == before)
        ShowDayAgenda(today, TypedDate::KeepWhileTyping);
    refreshWeek();
}

// F6: the coming week in a window of its own, kept current by the main window.

void form1::showWeek()
{
    if (!m_week) {
        m_week = new WeekWindow(this);
        connect(m_week, &WeekWindow::chosen, this, [this](QDate date, const QByteArray &line) {
            // The entry of that very line, so that Del. would delete the one chosen in the week
            // and not another at the same time.
            if (ShowDayAgenda(date) && !line.isEmpty())
                chooseLine(line);
            activateWindow();
        });
        // Ctrl+Z works from the week too.
        auto *undo = new QShortcut(QKeySequence::Undo, m_week);
        undo->setAutoRepeat(false);
        connect(undo, &QShortcut::activated, this, &form1::undoDelete);
        refreshWeek();
        // On the screen of the main window, beside it where there is room, else where it covers
        // the least of the date box, the clock and the entry area.
        if (const QScreen *shown = screen()) {
            const QWidget *const inSight[] = {msb, text6, ft1, ft2, cft1, ft3, fcom};
            QRect keep;
            for (const QWidget *control : inSight)
                keep |= QRect(mapToGlobal(control->geometry().topLeft()), control->size());
            // The week's frame as the main window's, as it has none of its own before it is
            // shown: placed whole, title bar included.
            const QMargins frame(geometry().left() - frameGeometry().left(),
                                 geometry().top() - frameGeometry().top(),
                                 frameGeometry().right() - geometry().right(),
                                 frameGeometry().bottom() - geometry().bottom());
            const QRect place = PlaceBeside(frameGeometry(), keep, m_week->size().grownBy(frame),
                                            shown->availableGeometry());
            m_week->resize(place.size().shrunkBy(frame));
            m_week->move(place.topLeft());
        }
    }
    m_week->show();
    m_week->raise();
    m_week->activateWindow();
}

void form1::refreshWeek()
{
    if (!m_week)
        return;
    // One read for all the days. A book that cannot be read is said so, not shown as an
    // empty week, which would look like lost appointments.
    const std::optional<book::AppointmentLines> lines =
        book::LoadAppointmentLines(m_services.dataFile);
    if (!lines) {
        m_week->setUnreadable(ReadFailureMessage.toString());
        return;
    }
    m_week->setDays(book::BuildDayAgendas(*lines, m_services.clock->now().date(), WeekDaysShown));
}

// The date and time boxes put in their separators while the user types.
//
// Each box has a last-key box (Text7, Text8, Text9) holding the last key pressed in it. In the
// date and time entry boxes ft1 and ft2 the separator rule runs when a key is pressed, before
// the character is inserted; in the date box msb it runs whenever the text has changed.
// Backspace as the last key turns the rule off, so a separator can be deleted.

void form1::maskedEntryEvent(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && IsEntered(event)) {
        if (watched == ft1) {
            ft1_GotFocus();
        } else if (watched == ft2) {
            ft2_GotFocus();
        } else {
            msb_GotFocus();
            // The press that brought the focus would clear the selection on its way in.
            m_msbSelectOnRelease =
                static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason;
        }
    } else if (event->type() == QEvent::FocusOut && watched == msb) {
        m_msbSelectOnRelease = false; // a context menu took the click
    } else if (event->type() == QEvent::MouseButtonRelease && watched == msb &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
               std::exchange(m_msbSelectOnRelease, false)) {
        // After the box has handled the release, so that what the user had selected elsewhere
        // stays the selection the middle button pastes.
        QTimer::singleShot(0, msb, [this] {
            if (!msb->hasSelectedText())
                msb->selectAll();
        });
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == msb) {
            msb_KeyDown(key->key());
        } else {
            // Key-down, then key-press before the box inserts the character.
            (watched == ft1 ? Text7 : Text8) = key->key();
            if (YieldsCharacter(key))
                watched == ft1 ? ft1_KeyPress() : ft2_KeyPress();
        }
    }
}

void form1::ft1_GotFocus()
{
    ft1->clear();
}

void form1::ft1_KeyPress()
{
    if (Text7 != Qt::Key_Backspace)
        AppendSeparator(ft1, u'/', {2, 5});
}

void form1::ft2_GotFocus()
{
    ft2->clear();
}

void form1::ft2_KeyPress()
{
    if (Text8 != Qt::Key_Backspace)
        AppendSeparator(ft2, u':', {2});
}

void form1::msb_GotFocus()
{
    msb->selectAll();
}

void form1::msb_KeyDown(int key)
{
    Text9 = key;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Command1_Click();
}

void form1::msb_Change()
{
    if (Text9 == Qt::Key_Backspace)
        return;
    // Each append changes the text again and runs this handler nested, which then finds
    // three or six characters and only moves the caret.
    if (msb->text().size() == 2)
        msb->setText(msb->text() + u'/');
    if (msb->text().size() == 5)
        msb->setText(msb->text() + u'/');
    msb->end(false);
}
