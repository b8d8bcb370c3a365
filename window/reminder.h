#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;

// A small window that lists the appointments whose time has come. It never takes the
// keyboard focus from what the user is typing, and stays until the user closes it; new
// reminders are added to it while it is open.
class ReminderWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ReminderWindow(QWidget *parent = nullptr);
    void add(const QStringList &appointments);

private:
    QListWidget *m_list;
};
