#pragma once

#include <QDate>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <utility>

class QListWidget;

// A small window that lists the appointments whose time has come. It never takes the
// keyboard focus from what the user is typing, and stays until the user closes it; new
// reminders are added to it while it is open.
class ReminderWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ReminderWindow(QWidget *parent = nullptr);
    // Reminders of `today`, or of the day their line starts with ("07/12/2026 23:58 Call").
    // While they are all today's they show no date; once one is of another day, each says its
    // date.
    void add(QDate today, const QStringList &appointments);

private:
    QListWidget *m_list;
    QList<std::pair<QDate, QString>> m_shown; // each reminder's day, and its line without it
};
