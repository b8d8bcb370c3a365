#include "window/reminder.h"

#include "platform/look.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

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

void ReminderWindow::add(const QStringList &appointments)
{
    m_list->addItems(appointments);
    m_list->scrollToBottom();
}
