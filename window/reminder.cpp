#include "window/reminder.h"

#include "book/datetext.h"
#include "platform/look.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

ReminderWindow::ReminderWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_list(new QListWidget(this))
{
    setObjectName(u"reminder"_s);
    setWindowTitle(platform::AppName());
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating); // typing goes on in the main window
    setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setFont(platform::BoldArial(11.25));

    auto *close = new QPushButton(u"Close"_s, this);
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(320, 160);
}

void ReminderWindow::add(QDate today, const QStringList &appointments)
{
    for (const QString &line : appointments) {
        const QDate dated =
            line.size() > 11 && line.at(10) == u' ' ? book::ParseDateText(line.first(10)) : QDate();
        m_shown.append(dated.isValid() ? std::pair(dated, line.sliced(11))
                                       : std::pair(today, line));
    }
    // Undated while all are today's; one of another day dates them all.
    const bool oneDay = std::all_of(m_shown.cbegin(), m_shown.cend(),
                                    [today](const auto &shown) { return shown.first == today; });
    m_list->clear();
    for (const auto &[date, line] : std::as_const(m_shown))
        m_list->addItem(oneDay ? line : book::DateText(date) + u' ' + line);
    m_list->scrollToBottom();
}
