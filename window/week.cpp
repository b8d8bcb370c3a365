// F6: the coming week in a window of its own, kept current by the main window.
#include "window/week.h"

#include "window/weekmodel.h"

#include "platform/look.h"

#include <QLabel>
#include <QListView>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

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
