// F6: the coming week in a window of its own, kept current by the main window.
#include "window/week.h"

#include "window/form1.h"
#include "window/placement.h"

#include "book/appointmentfile.h"
#include "platform/clock.h"
#include "platform/look.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int DaysShown = 7;

// In English, as every text of the program, whatever the system's language.
QString WeekdayName(QDate date)
{
    static const char *const names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                        "Friday", "Saturday", "Sunday"};
    return QLatin1StringView(names[date.dayOfWeek() - 1]);
}

} // namespace

void WeekModel::setDays(QList<book::DayAgenda> days)
{
    beginResetModel();
    m_days = std::move(days);
    m_firstRows.clear();
    m_rows = 0;
    for (const book::DayAgenda &day : std::as_const(m_days)) {
        m_firstRows.append(m_rows);
        m_rows += 1 + int(day.count);
    }
    endResetModel();
}

std::pair<qsizetype, qsizetype> WeekModel::find(int row) const
{
    const qsizetype day =
        std::upper_bound(m_firstRows.cbegin(), m_firstRows.cend(), row) - m_firstRows.cbegin() - 1;
    return {day, row - m_firstRows.at(day) - 1};
}

QDate WeekModel::dateOf(int row) const
{
    return row >= 0 && row < m_rows ? m_days.at(find(row).first).key.date : QDate();
}

QByteArray WeekModel::lineOf(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    const auto [day, entry] = find(row);
    const book::DayAgenda &agenda = m_days.at(day);
    return entry < 0 ? QByteArray()
                     : agenda.allLines.at(agenda.displaySources.at(entry)).bytes().toByteArray();
}

int WeekModel::rowOf(QDate date, const QString &text) const
{
    for (qsizetype day = 0; day < m_days.size(); ++day) {
        if (m_days.at(day).key.date != date)
            continue;
        const int end = m_firstRows.at(day) + 1 + int(m_days.at(day).count);
        for (int row = m_firstRows.at(day); row < end; ++row) {
            if (index(row).data().toString() == text)
                return row;
        }
    }
    return -1;
}

int WeekModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant WeekModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const auto [day, entry] = find(index.row());
    const book::DayAgenda &agenda = m_days.at(day);
    if (role == Qt::FontRole && entry < 0) {
        static const QFont heading = [] {
            QFont font = platform::BoldArial(9.75);
            font.setUnderline(true);
            return font;
        }();
        return heading;
    }
    // An appointment stands in from its day by an empty picture, not by blanks, which a
    // screen reader would read out.
    if (role == Qt::DecorationRole && entry >= 0) {
        static const QPixmap indent = [] {
            QPixmap blank(16, 16);
            blank.fill(Qt::transparent);
            return blank;
        }();
        return indent;
    }
    const QString heading = WeekdayName(agenda.key.date) + u' ' + agenda.key.dateText;
    if (entry < 0) {
        if (role == Qt::AccessibleTextRole) // "Monday 07/12/2026, 3 appointments"
            return heading + u", "_s +
                   (agenda.count == 1 ? u"1 appointment"_s
                                      : u"%1 appointments"_s.arg(agenda.count));
        return role == Qt::DisplayRole ? QVariant(heading) : QVariant();
    }
    // "09:30 Team call (weekly)": the display line and the frequency of the line it comes
    // from; read out as "09:30 Team call, weekly", one of the day's appointments.
    const QLatin1StringView line = agenda.allLines.at(agenda.displaySources.at(entry)).asLatin1();
    const QString frequency = line.first(line.indexOf(u'^')).sliced(1).toString().toLower();
    const QString shown = agenda.displayLines.at(entry).toString();
    switch (role) {
    case Qt::DisplayRole:
        return shown + u" ("_s + frequency + u')';
    case Qt::AccessibleTextRole:
        return shown + u", "_s + frequency;
    case Qt::AccessibleDescriptionRole:
        return u"Appointment of "_s + heading;
    default:
        return {};
    }
}

WeekWindow::WeekWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_total(new QLabel(this))
    , m_model(new WeekModel(this))
    , m_view(new QListView(this))
{
    Q_ASSERT(parent); // the main window, which takes the keyboard back
    setObjectName(u"week"_s);
    setWindowTitle(platform::AppName());
    setAttribute(Qt::WA_DeleteOnClose); // nothing to keep current while it is closed
    m_total->setObjectName(u"weekTotal"_s);
    m_total->setFont(platform::BoldArial(9.75));
    m_view->setObjectName(u"weekDays"_s);
    m_view->setFont(platform::BoldArial(9.75));
    m_view->setModel(m_model);
    m_view->setUniformItemSizes(true); // a large week is laid out without measuring each row
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Enter, and a double-click (or a single one where the desktop activates so).
    connect(m_view, &QListView::activated, this, [this](const QModelIndex &index) {
        emit chosen(m_model->dateOf(index.row()), m_model->lineOf(index.row()));
    });
    auto *escape = new QShortcut(Qt::Key_Escape, this);
    connect(escape, &QShortcut::activated, this, [this] {
        close();
        // The keyboard goes back to the main window, also where no window manager hands it back.
        parentWidget()->activateWindow();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_total);
    layout->addWidget(m_view);
    resize(380, 440);
}

void WeekWindow::setUnreadable(const QString &message)
{
    m_model->setDays({});
    m_total->setText(message);
}

void WeekWindow::setDays(QList<book::DayAgenda> days)
{
    const QModelIndex current = m_view->currentIndex();
    const QString currentText = current.data().toString();
    const QDate currentDate = m_model->dateOf(current.row());

    qsizetype total = 0;
    for (const book::DayAgenda &day : std::as_const(days))
        total += day.count;
    m_model->setDays(std::move(days));
    m_total->setText(total == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(total));

    m_view->setCurrentIndex(m_model->index(qMax(0, m_model->rowOf(currentDate, currentText))));
}

void form1::showWeek()
{
    if (!m_week) {
        m_week = new WeekWindow(this);
        connect(m_week, &WeekWindow::chosen, this, [this](QDate date, const QByteArray &line) {
            // The entry of that very line, so that Del. would delete the one chosen in the week
            // and not another at the same time.
            if (ShowDayAgenda(date) && !line.isEmpty()) {
                for (qsizetype entry = 0; entry < Combo3Lines.size(); ++entry) {
                    if (Combo2.at(Combo3Lines.at(entry)).bytes() == line) {
                        Combo3->setCurrentIndex(int(entry));
                        break;
                    }
                }
            }
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
    m_week->setDays(book::BuildDayAgendas(*lines, m_services.clock->now().date(), DaysShown));
}
