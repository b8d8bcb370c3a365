#include "ical/calendarexport.h"

#include "book/appointment.h"
#include "ical/libicalhandle.h"
#include "ical/summarytext.h"

#include <QCryptographicHash>
#include <QHash>

namespace ical {

namespace {

constexpr const char *WeekdayCodes[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

// The RRULE of a frequency, for a line stored on `stored`; none for a one-off.
QByteArray RuleOf(book::Frequency frequency, QDate stored)
{
    const QByteArray day = QByteArray::number(stored.day());
    switch (frequency) {
    case book::Frequency::Once:
        return {};
    case book::Frequency::Daily:
        return "FREQ=DAILY";
    case book::Frequency::Weekly:
        return QByteArray("FREQ=WEEKLY;BYDAY=") + WeekdayCodes[stored.dayOfWeek() % 7];
    case book::Frequency::Monthly:
        return "FREQ=MONTHLY;BYMONTHDAY=" + day;
    case book::Frequency::Quarterly:
        return "FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=" + day;
    case book::Frequency::Yearly:
        return "FREQ=YEARLY;BYMONTH=" + QByteArray::number(stored.month()) + ";BYMONTHDAY=" + day;
    }
    return {};
}

// The event of one appointment, as text with its CR LF line ends, folded and escaped by
// libical.
QByteArray EventText(book::AppointmentLine from, const book::Appointment &appointment,
                     const QByteArray &uid, const icaltimetype &stamp)
{
    ComponentHandle event(icalcomponent_new_vevent());
    icalcomponent_add_property(event.get(), icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(event.get(), icalproperty_new_dtstamp(stamp));
    const QDate date = appointment.storedDate();
    // A line without a time starts at midnight: the agenda lists it first of its day.
    const int minute = qMax(appointment.minuteOfDay(), 0);
    icaltimetype start = icaltime_null_time();
    start.year = date.year();
    start.month = date.month();
    start.day = date.day();
    start.hour = minute / 60;
    start.minute = minute % 60;
    icalcomponent_add_property(event.get(), icalproperty_new_dtstart(start));
    const QByteArray rule = RuleOf(appointment.frequency(), date);
    if (!rule.isEmpty()) {
        icalcomponent_add_property(
            event.get(), icalproperty_new_rrule(icalrecurrencetype_from_string(rule.constData())));
        icalproperty *openStart = icalproperty_new_x("TRUE");
        icalproperty_set_x_name(openStart, "X-ZENTAVO-OPEN-START");
        icalcomponent_add_property(event.get(), openStart);
    }
    icalcomponent_add_property(
        event.get(), icalproperty_new_summary(
                         WithoutControls(appointment.content().toString()).toUtf8().constData()));
    // The line itself, for this program's import to give it back as it is: what the summary
    // and the time cannot carry (a "^", a line without a time) is kept. Percent-encoded, as
    // libical writes an X- value as it stands.
    icalproperty *line =
        icalproperty_new_x(from.text().toUtf8().toPercentEncoding(" *^/:()'!&+=@$?").constData());
    icalproperty_set_x_name(line, "X-ZENTAVO-LINE");
    icalcomponent_add_property(event.get(), line);
    const StringHandle text(icalcomponent_as_ical_string_r(event.get()));
    return QByteArray(text.get());
}

// The calendar's own properties by libical, without its END line, and that line.
std::pair<QByteArray, QByteArray> CalendarFrame()
{
    ComponentHandle calendar(icalcomponent_new_vcalendar());
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(
        calendar.get(), icalproperty_new_prodid("-//Zentavo//Zentavo " ZENTAVO_VERSION "//EN"));
    const StringHandle frame(icalcomponent_as_ical_string_r(calendar.get()));
    const QByteArray text(frame.get());
    const qsizetype end = text.lastIndexOf("END:VCALENDAR");
    Q_ASSERT(end > 0);
    return {text.first(end), text.sliced(end)};
}

icaltimetype UtcTime(const QDateTime &at)
{
    return icaltime_from_timet_with_zone(at.toSecsSinceEpoch(), 0, icaltimezone_get_utc_timezone());
}

} // namespace

QByteArray EventUid(QByteArrayView line, qsizetype occurrence)
{
    const QByteArray digest =
        QCryptographicHash::hash(line, QCryptographicHash::Sha256).toHex().left(32);
    return digest + '-' + QByteArray::number(occurrence) + "@zentavo";
}

QByteArray CalendarOfLine(QByteArrayView line, QByteArrayView uid, const QDateTime &stamp)
{
    QuietErrors();
    const book::AppointmentLine from(line);
    const book::Appointment appointment(from);
    if (!appointment.isValid())
        return {};
    const auto [head, end] = CalendarFrame();
    return head + EventText(from, appointment, uid.toByteArray(), UtcTime(stamp)) + end;
}

CalendarExport ExportCalendar(const book::AppointmentLines &lines, const QDateTime &stamp)
{
    QuietErrors();
    CalendarExport result;
    // The events go before the calendar's end, each made and written on its own, so that a
    // large book is never one tree of components.
    const auto [head, end] = CalendarFrame();
    result.calendar = head;

    const icaltimetype stampTime = UtcTime(stamp);
    QHash<QByteArrayView, qsizetype> seen; // equal lines before, by their bytes
    for (const book::AppointmentLine line : lines) {
        const book::Appointment appointment(line);
        if (!appointment.isValid()) {
            ++result.leftOut;
            continue;
        }
        result.calendar +=
            EventText(line, appointment, EventUid(line.bytes(), seen[line.bytes()]++), stampTime);
        ++result.events;
    }
    result.calendar += end;
    return result;
}

} // namespace ical
