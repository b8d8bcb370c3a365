#include "book/dayagenda.h"

#include "book/appointmentfile.h"

#include <algorithm>
#include <array>
#include <vector>

namespace book {

QString DisplayLineOf(QStringView line)
{
    // A line as the program writes it has its tag in front and no other "*": the general
    // steps below then come down to taking what follows the date.
    const qsizetype caret = line.indexOf(u'^');
    const QStringView tag = line.first(qMax<qsizetype>(caret, 0));
    if (std::find(FrequencyTags.begin(), FrequencyTags.end(), tag) != FrequencyTags.end() &&
        !line.sliced(caret).contains(u'*')) {
        // Every "^" becomes a blank, so the trimming must treat a "^" as one too.
        QStringView rest = line.sliced(qMin(caret + 11, line.size()));
        while (!rest.isEmpty() && (rest.front() == u' ' || rest.front() == u'^'))
            rest = rest.sliced(1);
        while (!rest.isEmpty() && (rest.back() == u' ' || rest.back() == u'^'))
            rest.chop(1);
        return rest.toString().replace(u'^', u' ');
    }

    QString text = line.toString();
    text.replace(u'^', u' ');
    // Each literal is removed in one left-to-right pass; the order matters where removing
    // one literal joins the pieces of another.
    static const QString tags[] = {Quarterly.toString(), Weekly.toString(), Monthly.toString(),
                                   Yearly.toString(),    Daily.toString(),  Once.toString()};
    for (const QString &literal : tags)
        text.remove(literal);
    if (text.size() < 12)
        return {};
    return TrimBlanks(QStringView(text).sliced(11)).toString();
}

namespace {

// "HH:MM" sorts by time as plain text, so one case-blind comparison of the whole line orders
// by time and then by content. Each line is folded once, and its first eight characters are
// packed into three numbers that settle most comparisons without the text.
struct SortKey
{
    std::array<quint64, 3> head;
    QString folded;

    explicit SortKey(const QString &displayLine)
        : head{}
        , folded(displayLine.toCaseFolded())
    {
        for (qsizetype c = 0; c < 12; ++c) {
            const char16_t unit = c < folded.size() ? folded.at(c).unicode() : 0;
            head[c / 4] = head[c / 4] << 16 | unit;
        }
    }
    friend bool operator<(const SortKey &a, const SortKey &b)
    {
        for (size_t i = 0; i < a.head.size(); ++i) {
            if (a.head[i] != b.head[i])
                return a.head[i] < b.head[i];
        }
        return a.folded < b.folded;
    }
};

// A line that falls on one or more of the dates, made ready to be shown once.
struct ShownLine
{
    qsizetype source;
    quint32 days; // bit d: falls on the d-th date
    QString text;
    QString displayLine;
    SortKey key;
};

QList<DayAgenda> BuildAgendas(const QList<AppointmentLine> &allLines, QDate first, int days,
                              bool withMatchingLines)
{
    days = qBound(0, days, 32); // one bit a date below
    QList<DayAgenda> agendas(days);
    for (int day = 0; day < days; ++day) {
        agendas[day].key = MakeDayKey(first.addDays(day));
        agendas[day].allLines = allLines;
    }
    // Each line is read, decoded and made ready to sort once, however many dates it falls on.
    std::vector<ShownLine> shown;
    std::vector<qsizetype> counts(static_cast<size_t>(days));
    for (qsizetype i = 0; i < allLines.size(); ++i) {
        const Recurrence recurrence(allLines.at(i).asLatin1());
        if (!recurrence.isValid())
            continue;
        quint32 on = 0;
        for (int day = 0; day < days; ++day) {
            if (recurrence.fallsOn(agendas.at(day).key)) {
                on |= quint32(1) << day;
                ++counts[size_t(day)];
            }
        }
        if (on == 0)
            continue;
        QString text = allLines.at(i).text();
        QString displayLine = DisplayLineOf(text);
        SortKey key(displayLine);
        shown.push_back({i, on, std::move(text), std::move(displayLine), std::move(key)});
    }
    for (int day = 0; day < days; ++day) {
        DayAgenda &agenda = agendas[day];
        if (withMatchingLines)
            agenda.matchingLines.reserve(counts[size_t(day)]);
        agenda.displayLines.reserve(counts[size_t(day)]);
        agenda.displaySources.reserve(counts[size_t(day)]);
    }
    for (const ShownLine &line : shown) {
        for (int day = 0; withMatchingLines && day < days; ++day) {
            if (line.days & (quint32(1) << day))
                agendas[day].matchingLines.append(line.text);
        }
    }
    // One sort serves every date: lines equal in the agenda order keep their order in the file.
    std::vector<const ShownLine *> order;
    order.reserve(shown.size());
    for (const ShownLine &line : shown)
        order.push_back(&line);
    std::stable_sort(order.begin(), order.end(),
                     [](const ShownLine *a, const ShownLine *b) { return a->key < b->key; });
    for (const ShownLine *entry : order) {
        const ShownLine &line = *entry;
        for (int day = 0; day < days; ++day) {
            if (line.days & (quint32(1) << day)) {
                agendas[day].displayLines.append(line.displayLine);
                agendas[day].displaySources.append(line.source);
            }
        }
    }
    for (DayAgenda &agenda : agendas)
        agenda.count = agenda.displayLines.size();
    return agendas;
}

} // namespace

QList<DayAgenda> BuildDayAgendas(const QList<AppointmentLine> &allLines, QDate first, int days)
{
    return BuildAgendas(allLines, first, days, false);
}

DayAgenda BuildDayAgenda(const QList<AppointmentLine> &allLines, QDate date)
{
    return BuildAgendas(allLines, date, 1, true).takeFirst();
}

DayAgenda BuildDayAgenda(const QString &path, QDate date)
{
    const std::optional<QList<AppointmentLine>> lines = LoadAppointmentLines(path);
    DayAgenda agenda = BuildDayAgenda(lines.value_or(QList<AppointmentLine>()), date);
    agenda.readFailed = !lines.has_value();
    return agenda;
}

} // namespace book
