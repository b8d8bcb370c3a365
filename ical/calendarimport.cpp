#include "ical/calendarimport.h"

#include "book/appointment.h"
#include "book/appointmentline.h"
#include "book/datetext.h"
#include "book/frequency.h"
#include "ical/libicalhandle.h"
#include "ical/localtime.h"
#include "ical/summarytext.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <optional>

using namespace Qt::StringLiterals;

namespace ical {

namespace {

constexpr int MaxSeriesLines = 1000;
constexpr int MaxAllDayDays = 31;
// More than any calendar of appointments gives, and few enough to hold in memory: a file that
// would give more (series of short files can) is refused.
constexpr qsizetype MaxImportLines = 200000;
// Occurrences looked at for one series: a daily rule gives fewer in the years around today.
// With rules of a day or longer only, each step of libical's is a day at the most.
constexpr int MaxRuleSteps = 100000;

// A summary as the content of a line: line breaks, tabs and other control characters as
// blanks, trimmed.
QString ContentText(QString text)
{
    text = book::TrimBlanks(WithoutControls(std::move(text))).toString();
    return text.isEmpty() ? u"(no title)"_s : text;
}

QString ContentOf(icalcomponent *event)
{
    // As the book reads its own lines: UTF-8, or Windows-1252 where the bytes are not UTF-8.
    return ContentText(book::DecodeLineBytes(icalcomponent_get_summary(event)));
}

// Which of the book's frequencies a rule is exactly, for a series that starts at `start`; none
// for any other rule.
std::optional<book::Frequency> FrequencyOf(const icalrecurrencetype &rule,
                                           const icaltimetype &start)
{
    const auto count = [](const short *values, int size) {
        int n = 0;
        while (n < size && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
            ++n;
        return n;
    };
    if (rule.count != 0 || !icaltime_is_null_time(rule.until) ||
        count(rule.by_second, ICAL_BY_SECOND_SIZE) || count(rule.by_minute, ICAL_BY_MINUTE_SIZE) ||
        count(rule.by_hour, ICAL_BY_HOUR_SIZE) || count(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) ||
        count(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) || count(rule.by_set_pos, ICAL_BY_SETPOS_SIZE))
        return std::nullopt;
    const int days = count(rule.by_day, ICAL_BY_DAY_SIZE);
    const int monthDays = count(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const int months = count(rule.by_month, ICAL_BY_MONTH_SIZE);
    const bool onStartDay = monthDays == 0 || (monthDays == 1 && rule.by_month_day[0] == start.day);
    const bool inStartMonth = months == 0 || (months == 1 && rule.by_month[0] == start.month);
    const int weekday = icaltime_day_of_week(start); // Sunday = 1, as the book counts
    switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (rule.interval == 1 && days == 0 && monthDays == 0 && months == 0)
            return book::Frequency::Daily;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (rule.interval == 1 && monthDays == 0 && months == 0 &&
            (days == 0 || (days == 1 && icalrecurrencetype_day_position(rule.by_day[0]) == 0 &&
                           int(icalrecurrencetype_day_day_of_week(rule.by_day[0])) == weekday)))
            return book::Frequency::Weekly;
        break;
    case ICAL_MONTHLY_RECURRENCE:
        if (days == 0 && months == 0 && onStartDay && (rule.interval == 1 || rule.interval == 3))
            return rule.interval == 1 ? book::Frequency::Monthly : book::Frequency::Quarterly;
        break;
    case ICAL_YEARLY_RECURRENCE:
        if (rule.interval == 1 && days == 0 && onStartDay && inStartMonth)
            return book::Frequency::Yearly;
        break;
    default:
        break;
    }
    return std::nullopt;
}

bool HasProperty(icalcomponent *event, icalproperty_kind kind)
{
    return icalcomponent_get_first_property(event, kind) != nullptr;
}

// The times of a property kind of the event (EXDATE), as local times.
QSet<QDateTime> TimesOf(icalcomponent *event, icalproperty_kind kind, const QTimeZone &zone)
{
    QSet<QDateTime> times;
    for (icalproperty *p = icalcomponent_get_first_property(event, kind); p;
         p = icalcomponent_get_next_property(event, kind))
        times.insert(LocalOf(icalproperty_get_datetime_with_component(p, event),
                             NamedZone(p).isValid() ? NamedZone(p) : zone));
    return times;
}

class Reader
{
public:
    Reader(QDate today, CalendarImport &result)
        : m_today(today)
        , m_result(result)
    {
    }

    // Every component of a calendar parsed whole.
    void readCalendar(icalcomponent *calendar)
    {
        // Occurrences moved or cancelled by an event of their own, by the UID of their series.
        for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
             c; c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            if (icalproperty *id = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY))
                m_moved[QByteArray(icalcomponent_get_uid(c))].insert(
                    LocalOf(icalproperty_get_datetime_with_component(id, c), NamedZone(id)));
        }
        for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT))
            readComponent(c);
    }

    void readComponent(icalcomponent *c)
    {
        if (full())
            return;
        switch (icalcomponent_isa(c)) {
        case ICAL_VEVENT_COMPONENT:
            readEvent(c);
            break;
        case ICAL_VTODO_COMPONENT:
            leaveOut(c, u"a to-do, not an event"_s);
            break;
        case ICAL_VJOURNAL_COMPONENT:
            leaveOut(c, u"a journal entry, not an event"_s);
            break;
        default: // time zones and the like, which the events use
            break;
        }
    }

private:
    void leaveOut(icalcomponent *c, const QString &why)
    {
        m_result.leftOut.append(u"\"%1\": %2"_s.arg(ContentOf(c), why));
    }

    // Whether the file gave more lines than an import takes.
    bool full() const { return m_result.lines.size() > MaxImportLines; }

    // A line at the local time, where the book can hold its date.
    bool add(book::Frequency frequency, const QDateTime &at, const QString &content)
    {
        if (at.date().year() < 1 || at.date().year() > 9999 || full())
            return false;
        m_result.lines.append(book::ComposeAppointmentLine(book::TagOf(frequency),
                                                           book::DateText(at.date()),
                                                           at.time().toString(u"HH:mm"_s), content)
                                  .toUtf8());
        return true;
    }

    void readEvent(icalcomponent *event)
    {
        const QString content = ContentOf(event);
        if (icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED)
            return leaveOut(event, u"cancelled"_s);
        icalproperty *startProperty =
            icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const icaltimetype start = icalcomponent_get_dtstart(event);
        if (!startProperty || icaltime_is_null_time(start) || !icaltime_is_valid_time(start))
            return leaveOut(event, u"no start"_s);
        const QTimeZone zone = start.zone ? QTimeZone() : NamedZone(startProperty);
        const QDateTime local = LocalOf(start, zone);
        if (!local.isValid())
            return leaveOut(event, u"no start"_s);
        if (!start.zone && !zone.isValid() &&
            icalproperty_get_parameter_as_string(startProperty, "TZID"))
            m_result.notes.append(u"\"%1\": an unknown time zone, %2, taken as local time"_s.arg(
                content,
                QString::fromUtf8(icalproperty_get_parameter_as_string(startProperty, "TZID"))));

        icalproperty *ruleProperty = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        const bool series = ruleProperty || HasProperty(event, ICAL_RDATE_PROPERTY);
        // The book has nothing shorter than a day, and libical can take unbounded time over
        // such a rule that finds no occurrence.
        for (icalproperty *p = ruleProperty; p;
             p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
            if (icalproperty_get_rrule(p).freq < ICAL_DAILY_RECURRENCE)
                return leaveOut(event, u"it repeats more often than daily"_s);
        }
        if (!series && !start.is_date) {
            if (const std::optional<QByteArray> line =
                    OwnLine(event, book::Frequency::Once, start, content))
                m_result.lines.append(*line);
            else if (!add(book::Frequency::Once, local, content))
                leaveOut(event, u"a date the book cannot hold"_s);
            return;
        }
        // A series the book holds as one line: its rule is exactly a frequency, with nothing
        // taken out or added, and nothing that the book's line would add before its start.
        const icalrecurrencetype rule =
            ruleProperty ? icalproperty_get_rrule(ruleProperty) : icalrecurrencetype{};
        const bool simple =
            ruleProperty && !icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY) &&
            !HasProperty(event, ICAL_RDATE_PROPERTY) && !HasProperty(event, ICAL_EXDATE_PROPERTY) &&
            !m_moved.contains(QByteArray(icalcomponent_get_uid(event)));
        const std::optional<book::Frequency> frequency =
            simple ? FrequencyOf(rule, start) : std::nullopt;
        const bool allDayOnce = start.is_date && AllDayLength(event, start) == 1;
        if (frequency && (!start.is_date || allDayOnce) &&
            (openStart(event) || local.date() <= m_today)) {
            if (const std::optional<QByteArray> line = OwnLine(event, *frequency, start, content)) {
                m_result.lines.append(*line);
                return;
            }
            // A zoned series keeps its hour in its own zone: the one the book holds is the
            // local time of its next occurrence, so that from today on it looks the same. One
            // whose days are other days here than there is no such series here.
            QDateTime at = local;
            if (start.zone || icaltime_is_utc(start) || zone.isValid()) {
                const std::optional<std::pair<QDate, QDateTime>> next = nextAt(rule, start, zone);
                if (!next || next->first != next->second.date())
                    return expand(event, start, zone, content);
                at = next->second;
            }
            if (!add(*frequency, at, content))
                leaveOut(event, u"a date the book cannot hold"_s);
            else if (start.is_date)
                m_result.notes.append(u"\"%1\": all day, as a %2 appointment at 00:00"_s.arg(
                    content, book::FrequencyName(*frequency)));
            return;
        }
        if (start.is_date)
            return readAllDay(event, start, content, series);
        expand(event, start, zone, content);
    }

    // The value of the event's X- property of that name; null where it has none.
    static QByteArray XValue(icalcomponent *event, const char *name)
    {
        for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_X_PROPERTY)) {
            if (qstricmp(icalproperty_get_x_name(p), name) == 0)
                return QByteArray(icalproperty_get_x(p));
        }
        return {};
    }

    static bool openStart(icalcomponent *event)
    {
        return XValue(event, "X-ZENTAVO-OPEN-START").trimmed().toUpper() == "TRUE";
    }

    // The line an event exported by this program came from, where the event is still what the
    // line says: its frequency, its floating start at the line's date and time, its summary
    // the line's content. A calendar that changed the event since gives it no more.
    static std::optional<QByteArray> OwnLine(icalcomponent *event, book::Frequency frequency,
                                             const icaltimetype &start, const QString &content)
    {
        const QByteArray encoded = XValue(event, "X-ZENTAVO-LINE");
        if (encoded.isEmpty() || start.zone || icaltime_is_utc(start))
            return std::nullopt;
        const QByteArray line =
            book::DecodeLineBytes(QByteArray::fromPercentEncoding(encoded)).toUtf8();
        const book::Appointment appointment{book::AppointmentLine(line)};
        if (!appointment.isValid() || appointment.frequency() != frequency ||
            appointment.storedDate() != QDate(start.year, start.month, start.day) ||
            qMax(appointment.minuteOfDay(), 0) != start.hour * 60 + start.minute ||
            ContentText(appointment.content().toString()) != content || line.contains('\r') ||
            line.contains('\n'))
            return std::nullopt;
        return line;
    }

    // The first occurrence of the rule on or after today: its date in its own zone, and its
    // local start.
    std::optional<std::pair<QDate, QDateTime>>
    nextAt(const icalrecurrencetype &rule, const icaltimetype &start, const QTimeZone &zone) const
    {
        icalrecur_iterator *it = icalrecur_iterator_new(rule, start);
        std::optional<std::pair<QDate, QDateTime>> found;
        for (int step = 0; it && step < MaxRuleSteps; ++step) {
            const icaltimetype next = icalrecur_iterator_next(it);
            if (icaltime_is_null_time(next))
                break;
            const QDateTime at = LocalOf(next, zone);
            if (at.isValid() && at.date() >= m_today) {
                found = std::pair(QDate(next.year, next.month, next.day), at);
                break;
            }
        }
        if (it)
            icalrecur_iterator_free(it);
        return found;
    }

    // The days an all-day event covers: from its start to its end, one without an end.
    static qint64 AllDayLength(icalcomponent *event, const icaltimetype &start)
    {
        const icaltimetype end = icalcomponent_get_dtend(event);
        const QDate first(start.year, start.month, start.day);
        return icaltime_is_null_time(end)
                   ? 1
                   : qMax<qint64>(1, first.daysTo(QDate(end.year, end.month, end.day)));
    }

    // The local starts of the occurrences of a series from twelve months before today up to
    // `until`, by libical's expansion of its rule and RDATEs, without its EXDATEs and the
    // occurrences moved to events of their own; nullopt for more than `most` of them.
    std::optional<QList<QDateTime>> occurrences(icalcomponent *event, const icaltimetype &start,
                                                const QTimeZone &zone, QDate until, int most)
    {
        const QDate from = m_today.addMonths(-12);
        QSet<QDateTime> skipped = TimesOf(event, ICAL_EXDATE_PROPERTY, zone);
        skipped.unite(m_moved.value(QByteArray(icalcomponent_get_uid(event))));
        QSet<QDateTime> found;
        const auto take = [&](const QDateTime &at) {
            if (at.isValid() && at.date() >= from && at.date() <= until && !skipped.contains(at))
                found.insert(at);
            return found.size() <= most;
        };
        if (icalproperty *p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY)) {
            icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
            for (int step = 0; it && step < MaxRuleSteps; ++step) {
                const icaltimetype next = icalrecur_iterator_next(it);
                if (icaltime_is_null_time(next))
                    break;
                const QDateTime at = LocalOf(next, zone);
                if (!at.isValid() || at.date() > until || !take(at))
                    break;
            }
            if (it)
                icalrecur_iterator_free(it);
        } else {
            take(LocalOf(start, zone)); // RDATEs add to the start
        }
        for (icalproperty *p = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
             p && found.size() <= most;
             p = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            const icaltimetype time = icaltime_is_null_time(value.time)
                                          ? value.period.start
                                          : icalproperty_get_datetime_with_component(p, event);
            if (!icaltime_is_null_time(time))
                take(LocalOf(time, NamedZone(p).isValid() ? NamedZone(p) : zone));
        }
        if (found.size() > most)
            return std::nullopt;
        QList<QDateTime> sorted(found.cbegin(), found.cend());
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    void expand(icalcomponent *event, const icaltimetype &start, const QTimeZone &zone,
                const QString &content)
    {
        const QDate until = m_today.addMonths(12);
        const std::optional<QList<QDateTime>> times =
            occurrences(event, start, zone, until, MaxSeriesLines);
        if (!times)
            return leaveOut(event, u"a series of more than 1,000 appointments"_s);
        qsizetype added = 0;
        for (const QDateTime &at : *times)
            added += add(book::Frequency::Once, at, content);
        if (added == 0)
            return leaveOut(event,
                            u"a series with no appointment up to %1"_s.arg(book::DateText(until)));
        m_result.notes.append(u"\"%1\": a series the book cannot repeat, as %2 single "
                              u"appointments up to %3"_s.arg(content)
                                  .arg(added)
                                  .arg(book::DateText(times->constLast().date())));
    }

    // Each day an all-day event covers, from its start to its end (one day without one), at
    // 00:00; for a series, each day of each occurrence.
    void readAllDay(icalcomponent *event, const icaltimetype &start, const QString &content,
                    bool series)
    {
        const QDate first(start.year, start.month, start.day);
        const qint64 days = AllDayLength(event, start);
        const qint64 length = qMin<qint64>(days, MaxAllDayDays);
        QList<QDateTime> starts{Wall(first, QTime(0, 0))};
        if (series) {
            const std::optional<QList<QDateTime>> times =
                occurrences(event, start, {}, m_today.addMonths(12), MaxSeriesLines);
            if (!times || times->size() * length > MaxSeriesLines)
                return leaveOut(event, u"a series of more than 1,000 appointments"_s);
            starts = *times;
        }
        qsizetype added = 0;
        for (const QDateTime &at : std::as_const(starts)) {
            for (qint64 day = 0; day < length; ++day)
                added += add(book::Frequency::Once, at.addDays(day), content);
        }
        m_result.notes.append(
            u"\"%1\": all day%2, as %3 at 00:00"_s.arg(content)
                .arg(days > MaxAllDayDays ? u" for %1 days, the first 31"_s.arg(days) : QString())
                .arg(added == 1 ? u"1 appointment"_s : u"%1 appointments"_s.arg(added)));
    }

    const QDate m_today;
    CalendarImport &m_result;
    QHash<QByteArray, QSet<QDateTime>> m_moved;
};

// Whether the bytes, less a byte-order mark and white space, start with `word`, letter case
// apart.
bool StartsWith(QByteArrayView bytes, QByteArrayView word)
{
    return bytes.size() >= word.size() &&
           bytes.first(word.size()).toByteArray().toUpper() == word.toByteArray();
}

// Takes out of a calendar the time zones whose rules libical could take unbounded time or
// memory over: a zone changes its offset at most a few times a year.
void DropUnsafeZones(icalcomponent *calendar)
{
    QList<icalcomponent *> unsafe;
    for (icalcomponent *zone =
             icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT);
         zone; zone = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        bool safe = true;
        for (icalcomponent *part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
             part && safe; part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
            safe = icalcomponent_count_properties(part, ICAL_RDATE_PROPERTY) <= 1000;
            for (icalproperty *rule = icalcomponent_get_first_property(part, ICAL_RRULE_PROPERTY);
                 rule && safe; rule = icalcomponent_get_next_property(part, ICAL_RRULE_PROPERTY))
                safe = icalproperty_get_rrule(rule).freq == ICAL_YEARLY_RECURRENCE;
        }
        if (!safe)
            unsafe.append(zone);
    }
    for (icalcomponent *zone : std::as_const(unsafe)) {
        icalcomponent_remove_component(calendar, zone);
        icalcomponent_free(zone);
    }
}

// Where each component of the calendars in a text begins and ends, and whether it is a time
// zone; nullopt where BEGIN and END do not pair up.
struct Part
{
    qsizetype begin;
    qsizetype end;
    bool zone;
};
std::optional<QList<Part>> PartsOf(QByteArrayView text)
{
    QList<Part> parts;
    int depth = 0;
    qsizetype partBegin = 0;
    bool zone = false;
    for (qsizetype begin = 0; begin < text.size();) {
        qsizetype end = text.indexOf('\n', begin);
        end = end < 0 ? text.size() : end + 1;
        // A line that starts with a blank or a tab goes on the one before it.
        const QByteArrayView line = text.sliced(begin, end - begin);
        if (line.startsWith(' ') || line.startsWith('\t')) {
            begin = end;
            continue;
        }
        if (StartsWith(line, "BEGIN:")) {
            if (++depth == 2) {
                partBegin = begin;
                zone = StartsWith(line.sliced(6), "VTIMEZONE");
            }
        } else if (StartsWith(line, "END:")) {
            if (depth == 2)
                parts.append({partBegin, end, zone});
            if (--depth < 0)
                return std::nullopt;
        }
        begin = end;
    }
    if (depth != 0)
        return std::nullopt;
    return parts;
}

// The import as read, or refused whole where it gives more lines than an import takes.
CalendarImport Checked(CalendarImport result)
{
    if (result.lines.size() <= MaxImportLines)
        return result;
    CalendarImport refused;
    refused.error = u"it would give more than 200,000 appointments"_s;
    return refused;
}

} // namespace

CalendarImport ReadCalendarFile(const QString &path, QDate today)
{
    QFile file(path);
    CalendarImport result;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    if (file.size() > MaxCalendarSize) { // refused unread
        result.error = u"it is larger than 64 MB"_s;
        return result;
    }
    // At most one byte past the limit, whatever the file says its size is: a device says 0.
    return ReadCalendar(file.read(MaxCalendarSize + 1), today);
}

CalendarImport ReadCalendarFrom(FILE *stream, QDate today)
{
    QFile file;
    CalendarImport result;
    if (!file.open(stream, QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    return ReadCalendar(file.read(MaxCalendarSize + 1), today);
}

CalendarImport ReadCalendar(QByteArrayView bytes, QDate today)
{
    CalendarImport result;
    if (bytes.size() > MaxCalendarSize) {
        result.error = u"it is larger than 64 MB"_s;
        return result;
    }
    QByteArrayView text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    text = text.trimmed();
    if (!StartsWith(text, "BEGIN:VCALENDAR") || text.contains('\0')) {
        result.error = u"it is not an iCalendar file"_s;
        return result;
    }
    // A file cut short parses as far as it goes: it is refused whole, as its last event may
    // be missing a part.
    if (text.size() < 13 || text.last(13).toByteArray().toUpper() != "END:VCALENDAR") {
        result.error = u"it is cut short"_s;
        return result;
    }
    QuietErrors();
    Reader reader(today, result);
    // A large calendar is read a component at a time, each in a calendar that holds only the
    // time zones: a tree of the whole file would cost many times its size and most of the
    // time. A moved occurrence changes how its series is read, wherever it stands in the
    // file: a calendar that has one is read whole.
    const std::optional<QList<Part>> parts = PartsOf(text);
    if (parts && !QLatin1StringView(text).contains("RECURRENCE-ID"_L1, Qt::CaseInsensitive)) {
        QByteArray zones = "BEGIN:VCALENDAR\r\n";
        for (const Part &part : *parts) {
            if (part.zone)
                zones += text.sliced(part.begin, part.end - part.begin);
        }
        zones += "END:VCALENDAR\r\n";
        const ComponentHandle calendar(icalparser_parse_string(zones.constData()));
        if (calendar)
            DropUnsafeZones(calendar.get());
        for (const Part &part : *parts) {
            if (part.zone || !calendar)
                continue;
            ComponentHandle component(icalparser_parse_string(
                text.sliced(part.begin, part.end - part.begin).toByteArray().constData()));
            if (!component) {
                result.leftOut.append(u"an entry that cannot be read"_s);
                continue;
            }
            icalcomponent_add_component(calendar.get(), component.get());
            reader.readComponent(component.get());
            icalcomponent_remove_component(calendar.get(), component.get());
        }
        if (calendar)
            return Checked(std::move(result));
    }
    const ComponentHandle root(icalparser_parse_string(text.toByteArray().constData()));
    if (!root) {
        result.error = u"it is not an iCalendar file"_s;
        return result;
    }
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        reader.readCalendar(root.get());
    } else {
        for (icalcomponent *c =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            reader.readCalendar(c);
    }
    return result;
}

} // namespace ical
