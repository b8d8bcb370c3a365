#pragma once

#include "book/dayagenda.h"

#include <QDate>
#include <QList>
#include <QWidget>

class QLabel;
class QListView;
class WeekModel;

// F6's window: the total, then the days. Enter or a double-click on a day or an entry asks for
// that date in the main window, and that entry chosen there; Escape closes it.
class WeekWindow : public QWidget
{
    Q_OBJECT

public:
    explicit WeekWindow(QWidget *parent);
    // Shows the days given; the row the user stood on stays current where it still is.
    void setDays(QList<book::DayAgenda> days);
    // No days, and the message in their place.
    void setUnreadable(const QString &message);

signals:
    // A day, or one of its appointments (its line's bytes; empty for the day itself).
    void chosen(QDate date, const QByteArray &line);

private:
    QLabel *m_total;
    WeekModel *m_model;
    QListView *m_view;
};
