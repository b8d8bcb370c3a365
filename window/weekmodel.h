#pragma once

#include "book/dayagenda.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QDate>
#include <QList>

// The coming days as rows: each day's heading, then that day's appointments in agenda order,
// each with its frequency, so that a weekly series and a one-off at the same time can be told
// apart. A row's text is made only when the view asks for it, so a week of a large book costs
// no more than its seven agendas.
class WeekModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;
    void setDays(QList<book::DayAgenda> days);
    // The date of the day a row belongs to.
    QDate dateOf(int row) const;
    // The bytes of the appointment line a row shows; empty for a day's heading.
    QByteArray lineOf(int row) const;
    // The row of that day with that text; -1 when there is none.
    int rowOf(QDate date, const QString &text) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    // The day of a row, and its entry in that day (-1 for the day's heading).
    std::pair<qsizetype, qsizetype> find(int row) const;

    QList<book::DayAgenda> m_days;
    QList<int> m_firstRows; // of each day's heading
    int m_rows = 0;
};
