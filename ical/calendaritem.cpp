#include "ical/calendaritem.h"

#include "book/appointment.h"
#include "book/appointmentline.h"
#include "ical/calendarexport.h"
#include "ical/calendarimport.h"
#include "ical/libicalhandle.h"
#include "ical/localtime.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace ical {

namespace {

// Steps of a rule looked at for one occurrence: as many as the import looks at.
constexpr int MaxRuleSteps = 100000;

// The calendar's event that is the series itself, not an occurrence moved out of it.
icalcomponent *MasterEvent(icalcomponent *calendar)
{
    for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        if (!icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
            return c;
    }
    return nullptr;
}

ComponentHandle ParsedCalendar(QByteArrayView data)
{
    QuietErrors();
    ComponentHandle root(icalparser_parse_string(data.toByteArray().constData()));
    if (root && icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT)
        return {};
    return root;
}

// An EXDATE of the same kind of time as the start of the series: zoned where it is.
icalproperty *ExdateLike(const icaltimetype &time, icalproperty *start)
{
    icalproperty *exdate = icalproperty_new_exdate(time);
    if (time.is_date) {
        icalproperty_set_parameter(exdate, icalparameter_new_value(ICAL_VALUE_DATE));
    } else if (const char *tzid = icalproperty_get_parameter_as_string(start, "TZID");
               tzid && !icaltime_is_utc(time)) {
        icalproperty_set_parameter(exdate, icalparameter_new_tzid(tzid));
    }
    return exdate;
}

} // namespace

CalendarItem ReadCalendarItem(QByteArrayView data, QDate today)
{
    CalendarItem item;
    CalendarImport read = ReadCalendar(data, today);
    if (!read.error.isEmpty()) {
        item.error = read.error;
        return item;
    }
    item.lines = std::move(read.lines);
    item.leftOut = std::move(read.leftOut);
    const ComponentHandle calendar = ParsedCalendar(data);
    if (icalcomponent *master = calendar ? MasterEvent(calendar.get()) : nullptr) {
        item.uid = QByteArray(icalcomponent_get_uid(master));
        const bool repeats = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY) ||
                             icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY);
        // A series the book holds as one line of its frequency goes as a whole.
        item.series = repeats && std::all_of(item.lines.cbegin(), item.lines.cend(), [](auto &l) {
                          return book::Appointment(book::AppointmentLine(l)).frequency() ==
                                 book::Frequency::Once;
                      });
    }
    return item;
}

std::optional<QByteArray> WithoutOccurrences(QByteArrayView data, const QList<QByteArray> &lines)
{
    const ComponentHandle calendar = ParsedCalendar(data);
    icalcomponent *master = calendar ? MasterEvent(calendar.get()) : nullptr;
    if (!master)
        return std::nullopt;
    // The local starts the lines stand for.
    QSet<QDateTime> wanted;
    QDate last;
    for (const QByteArray &line : lines) {
        const book::Appointment appointment{book::AppointmentLine(line)};
        if (!appointment.isValid() || appointment.frequency() != book::Frequency::Once)
            continue;
        const int minute = qMax(appointment.minuteOfDay(), 0);
        wanted.insert(Wall(appointment.storedDate(), QTime(minute / 60, minute % 60)));
        last = qMax(last, appointment.storedDate());
    }
    icalproperty *startProperty = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    const icaltimetype start = icalcomponent_get_dtstart(master);
    if (wanted.isEmpty() || !startProperty || icaltime_is_null_time(start))
        return std::nullopt;
    const QTimeZone zone = start.zone ? QTimeZone() : NamedZone(startProperty);
    const auto minuteOf = [](QDateTime at) {
        at.setTime(QTime(at.time().hour(), at.time().minute()));
        return at;
    };

    QList<icaltimetype> excluded;
    const auto take = [&](const icaltimetype &time) {
        if (wanted.remove(minuteOf(LocalOf(time, zone))))
            excluded.append(time);
    };
    // Occurrences moved out of the series, at their new local start.
    QList<icalcomponent *> moved;
    for (icalcomponent *c =
             icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         c; c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        icalproperty *id = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
        if (!id)
            continue;
        const icaltimetype at = icalcomponent_get_dtstart(c);
        if (wanted.remove(minuteOf(LocalOf(at, at.zone ? QTimeZone()
                                                       : NamedZone(icalcomponent_get_first_property(
                                                             c, ICAL_DTSTART_PROPERTY)))))) {
            excluded.append(icalproperty_get_datetime_with_component(id, c));
            moved.append(c);
        }
    }
    if (icalproperty *rule = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(rule), start);
        for (int step = 0; it && step < MaxRuleSteps && !wanted.isEmpty(); ++step) {
            const icaltimetype next = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(next) || LocalOf(next, zone).date() > last.addDays(1))
                break;
            take(next);
        }
        if (it)
            icalrecur_iterator_free(it);
    } else {
        take(start);
    }
    for (icalproperty *p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY);
         p && !wanted.isEmpty(); p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        take(icaltime_is_null_time(value.time)
                 ? value.period.start
                 : icalproperty_get_datetime_with_component(p, master));
    }
    if (excluded.isEmpty())
        return std::nullopt;
    for (icalcomponent *c : std::as_const(moved)) {
        icalcomponent_remove_component(calendar.get(), c);
        icalcomponent_free(c);
    }
    for (const icaltimetype &time : std::as_const(excluded))
        icalcomponent_add_property(master, ExdateLike(time, startProperty));
    // Other calendars see that the event changed.
    icalcomponent_set_sequence(master, icalcomponent_get_sequence(master) + 1);
    const StringHandle text(icalcomponent_as_ical_string_r(calendar.get()));
    return QByteArray(text.get());
}

std::optional<QByteArray> WithLine(QByteArrayView data, QByteArrayView line, const QDateTime &stamp)
{
    const ComponentHandle calendar = ParsedCalendar(data);
    icalcomponent *master = calendar ? MasterEvent(calendar.get()) : nullptr;
    if (!master)
        return std::nullopt;
    const ComponentHandle fresh =
        ParsedCalendar(CalendarOfLine(line, icalcomponent_get_uid(master), stamp));
    icalcomponent *event = fresh ? MasterEvent(fresh.get()) : nullptr;
    if (!event)
        return std::nullopt;
    // Its length stays: the end moves with the start.
    const icaltimetype oldStart = icalcomponent_get_dtstart(master);
    const icaltimetype oldEnd = icalcomponent_get_dtend(master);
    const bool hadEnd = icalcomponent_get_first_property(master, ICAL_DTEND_PROPERTY) &&
                        !icaltime_is_null_time(oldStart) && !icaltime_is_null_time(oldEnd);
    const icaldurationtype length =
        hadEnd ? icaltime_subtract(oldEnd, oldStart) : icaldurationtype_null_duration();
    for (const icalproperty_kind kind :
         {ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_RRULE_PROPERTY, ICAL_RDATE_PROPERTY,
          ICAL_EXDATE_PROPERTY, ICAL_SUMMARY_PROPERTY, ICAL_DTSTAMP_PROPERTY}) {
        while (icalproperty *p = icalcomponent_get_first_property(master, kind)) {
            icalcomponent_remove_property(master, p);
            icalproperty_free(p);
        }
    }
    // This program's own X- properties are written anew; other programs' stay.
    QList<icalproperty *> own;
    for (icalproperty *p = icalcomponent_get_first_property(master, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_X_PROPERTY)) {
        if (qstrnicmp(icalproperty_get_x_name(p), "X-ZENTAVO-", 10) == 0)
            own.append(p);
    }
    for (icalproperty *p : std::as_const(own)) {
        icalcomponent_remove_property(master, p);
        icalproperty_free(p);
    }
    for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
        if (icalproperty_isa(p) != ICAL_UID_PROPERTY)
            icalcomponent_add_property(master, icalproperty_new_clone(p));
    }
    if (hadEnd && !icaltime_is_date(icalcomponent_get_dtstart(master)))
        icalcomponent_set_dtend(master, icaltime_add(icalcomponent_get_dtstart(master), length));
    // Occurrences moved out of a series the line no longer is go with it.
    QList<icalcomponent *> moved;
    for (icalcomponent *c =
             icalcomponent_get_first_component(calendar.get(), ICAL_VEVENT_COMPONENT);
         c; c = icalcomponent_get_next_component(calendar.get(), ICAL_VEVENT_COMPONENT)) {
        if (c != master)
            moved.append(c);
    }
    for (icalcomponent *c : std::as_const(moved)) {
        icalcomponent_remove_component(calendar.get(), c);
        icalcomponent_free(c);
    }
    icalcomponent_set_sequence(master, icalcomponent_get_sequence(master) + 1);
    const StringHandle text(icalcomponent_as_ical_string_r(calendar.get()));
    return QByteArray(text.get());
}

} // namespace ical
