#include "window/reminder.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ReminderWindow::ReminderWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_list(new QListWidget(this))
{
    setObjectName(u"reminder"_s);
    setWindowTitle(u"Zentavo"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating); // typing goes on in the main window
    setFocusPolicy(Qt::NoFocus);
    m_list->setFocusPolicy(Qt::NoFocus);
    QFont font(u"Arial"_s);
    font.setPointSizeF(11.25);
    font.setBold(true);
    m_list->setFont(font);

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

QStringList ReminderWindow::appointments() const
{
    QStringList texts;
    for (int i = 0; i < m_list->count(); ++i)
        texts.append(m_list->item(i)->text());
    return texts;
}
