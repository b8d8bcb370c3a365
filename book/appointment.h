#pragma once

#include "book/appointmentline.h"
#include "book/frequency.h"
#include "book/recurrence.h"

#include <QCalendar>
#include <QDate>
#include <QString>
#include <QStringView>

namespace book {

// One line of the book read as an appointment: its frequency, its stored date, its time and
// what the agenda shows of it; or why it is none. Every reader of a line but the agenda's
// scan reads it through here (Del.'s neighbours, the week window, the reminders, the exchange
// with other calendars), so that all of them agree with the agenda about every line.
//
// A line is tag, "^", date field, blank, time, blank, content (see ComposeAppointmentLine).
// Its tag is the text before its first "^"; its date field the ten characters after that
// "^", a "dd/mm/yyyy" date text; its time the first five characters of its display line.
class Appointment
{
public:
    // Why a line is no appointment. Such a line stays in the book and falls on no date.
    enum class Fault {
        None,
        NoCaret,    // no "^", so no tag
        UnknownTag, // a tag that is not exactly one of the six
        NoDate,     // a date field that is no real date
    };

    explicit Appointment(AppointmentLine line);

    Fault fault() const { return m_fault; }
    bool isValid() const { return m_fault == Fault::None; }
    // Of a valid appointment only.
    Frequency frequency() const { return m_frequency; }
    QDate storedDate() const;
    // Whether it falls on the key's date, by the recurrence rule; never for an invalid line.
    bool fallsOn(const DayKey &key) const;

    // What the agenda shows of the line (DisplayLineOf()), for a line of any kind.
    const QString &displayLine() const { return m_displayLine; }
    // The time that the display line begins with, as minutes since midnight; -1 when it begins
    // with no time "HH:MM".
    int minuteOfDay() const { return MinuteOfDisplayLine(m_displayLine); }
    // The display line less that time and the blanks after it: the content as the agenda
    // shows it.
    QStringView content() const;

    // The minute of a display line, as minuteOfDay() reads it: the reminders read an agenda's
    // display lines without their lines.
    static int MinuteOfDisplayLine(QStringView displayLine);

private:
    Fault m_fault = Fault::None;
    Frequency m_frequency = Frequency::Once;
    QCalendar::YearMonthDay m_stored;
    int m_storedWeekday = 0;
    QString m_displayLine;
};

} // namespace book
