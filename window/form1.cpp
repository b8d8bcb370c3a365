#include "window/form1.h"

#include "book/appointmentline.h"
#include "book/datetext.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/look.h"
#include "platform/screen.h"

// The icon's pictures are compiled in. Read from a file, an XPM picture makes Qt load every
// image format plugin first, to ask each whether it reads the file.
#include "window/icon/zentavo-16.xpm"
#include "window/icon/zentavo-32.xpm"

#include "window/focusframe.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>

#include <algorithm>
#include <cerrno>

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

} // namespace

form1::form1(Services services, QWidget *parent)
    : QWidget(parent)
    , m_services(std::move(services))
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

    // The clock label follows the time from the window's creation on; an appointment of the
    // minute the window starts in is reminded.
    m_lastTick = m_services.clock->now().addSecs(-60);
    startTimer1();
}

form1::~form1()
{
    // Before QWidget's own destructor, whose closing of the window moves the focus, while the
    // frame's handler would still take this for a whole form1.
    delete m_focusFrame;
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
    ShowDayAgenda(m_shownDate);
    m_today = m_shownDate;
    startFollowing();
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
