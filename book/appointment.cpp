#include "book/appointment.h"

#include "book/datetext.h"
#include "book/displaylines.h"

namespace book {

Appointment::Appointment(AppointmentLine line)
    : m_displayLine(DisplayLineOf(line.text()))
{
    // Tag and date field are ASCII, so they are read from the bytes, as the agenda reads them.
    const QLatin1StringView bytes = line.asLatin1();
    const qsizetype caret = bytes.indexOf(u'^');
    if (caret < 0) {
        m_fault = Fault::NoCaret;
        return;
    }
    const std::optional<Frequency> frequency = FrequencyOfTag(bytes.first(caret));
    if (!frequency) {
        m_fault = Fault::UnknownTag;
        return;
    }
    m_frequency = *frequency;
    m_stored =
        DateTextParts(bytes.sliced(caret + 1).first(qMin<qsizetype>(10, bytes.size() - caret - 1)));
    if (!m_stored.isValid()) {
        m_fault = Fault::NoDate;
        return;
    }
    m_storedWeekday = WeekdayNumber(m_stored);
}

QDate Appointment::storedDate() const
{
    return isValid() ? QDate(m_stored.year, m_stored.month, m_stored.day) : QDate();
}

bool Appointment::fallsOn(const DayKey &key) const
{
    return isValid() && FallsOn(m_frequency, m_stored, m_storedWeekday, key);
}

QStringView Appointment::content() const
{
    if (minuteOfDay() < 0)
        return m_displayLine;
    return TrimBlanks(QStringView(m_displayLine).sliced(5));
}

int Appointment::MinuteOfDisplayLine(QStringView displayLine)
{
    return MinuteOfDay(displayLine.left(5));
}

} // namespace book
