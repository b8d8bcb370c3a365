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

QList<qsizetype> AgendaOrder(const QStringList &displayLines)
{
    // "HH:MM" sorts by time as plain text, so one case-blind comparison of the whole line
    // orders by time and then by content. Each line is folded once, and its first eight
    // characters are packed into two numbers that settle most comparisons without the text.
    struct SortKey
    {
        std::array<quint64, 2> head;
        QString folded;
        qsizetype index;
    };
    std::vector<SortKey> keys;
    keys.reserve(displayLines.size());
    for (qsizetype i = 0; i < displayLines.size(); ++i) {
        QString folded = displayLines.at(i).toCaseFolded();
        std::array<quint64, 2> head{};
        for (qsizetype c = 0; c < 8; ++c) {
            const char16_t unit = c < folded.size() ? folded.at(c).unicode() : 0;
            head[c / 4] = head[c / 4] << 16 | unit;
        }
        keys.push_back({head, std::move(folded), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const SortKey &a, const SortKey &b) {
        return a.head != b.head ? a.head < b.head : a.folded < b.folded;
    });

    QList<qsizetype> order;
    order.reserve(displayLines.size());
    for (const SortKey &key : keys)
        order.append(key.index);
    return order;
}

DayAgenda BuildDayAgenda(QList<AppointmentLine> allLines, QDate date)
{
    DayAgenda agenda;
    agenda.key = MakeDayKey(date);
    agenda.allLines = std::move(allLines);
    QList<qsizetype> sources;
    for (qsizetype i = 0; i < agenda.allLines.size(); ++i) {
        const AppointmentLine &line = agenda.allLines.at(i);
        if (FallsOnDate(line.asLatin1(), agenda.key)) {
            agenda.matchingLines.append(line.text());
            sources.append(i);
        }
    }
    QStringList displayLines;
    displayLines.reserve(agenda.matchingLines.size());
    for (const QString &line : std::as_const(agenda.matchingLines))
        displayLines.append(DisplayLineOf(line));
    const QList<qsizetype> order = AgendaOrder(displayLines);
    agenda.displayLines.reserve(order.size());
    agenda.displaySources.reserve(order.size());
    for (qsizetype index : order) {
        agenda.displayLines.append(displayLines.at(index));
        agenda.displaySources.append(sources.at(index));
    }
    agenda.count = agenda.displayLines.size();
    return agenda;
}

DayAgenda BuildDayAgenda(const QString &path, QDate date)
{
    std::optional<QList<AppointmentLine>> lines = LoadAppointmentLines(path);
    DayAgenda agenda = BuildDayAgenda(lines ? std::move(*lines) : QList<AppointmentLine>(), date);
    agenda.readFailed = !lines.has_value();
    return agenda;
}

} // namespace book
