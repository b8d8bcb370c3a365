#include "window/weekmodel.h"

#include "book/appointment.h"
#include "platform/look.h"

#include <QFont>
#include <QPixmap>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

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
    const book::Appointment appointment(agenda.allLines.at(agenda.displaySources.at(entry)));
    const QString frequency = book::FrequencyName(appointment.frequency());
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
