#include "book/dayagenda.h"

#include "book/appointmentfile.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace book {

namespace {

// What QString::toCaseFolded() gives, written to `out` without a string of its own. Folding
// keeps the number of code units.
void FoldCase(QStringView text, char16_t *out)
{
    // Most lines are ASCII, and for them folding is a branchless loop over the letters.
    const char16_t *const in = text.utf16();
    char16_t seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        seen |= in[i];
    if (seen < 0x80) {
        for (qsizetype i = 0; i < text.size(); ++i)
            out[i] = in[i] + (char16_t(in[i] - u'A') < 26 ? u'a' - u'A' : 0);
        return;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            *out++ = unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit;
        } else if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t folded =
                QChar::toCaseFolded(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            *out++ = QChar::highSurrogate(folded);
            *out++ = QChar::lowSurrogate(folded);
            ++i;
        } else {
            *out++ = char16_t(QChar::toCaseFolded(char32_t(unit)));
        }
    }
}

// Code units compared as QString compares them, four at a time while they are alike: lines
// that share a time often share a long start of their content too.
int CompareUnits(std::u16string_view a, std::u16string_view b)
{
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 4 <= common; i += 4) {
        quint64 wordA;
        quint64 wordB;
        std::memcpy(&wordA, a.data() + i, sizeof wordA);
        std::memcpy(&wordB, b.data() + i, sizeof wordB);
        if (wordA != wordB)
            break;
    }
    return a.substr(i).compare(b.substr(i));
}

} // namespace

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

QString DisplayLineOf(AppointmentLine line)
{
    // The short cut above, on the bytes: it holds where the tag and the date are ASCII, so
    // that the twelfth character is the twelfth byte whatever the rest of the line is.
    const QByteArrayView bytes = line.bytes();
    const qsizetype caret = CaretOfTag(line.asLatin1());
    const qsizetype dateEnd = qMin(caret + 11, bytes.size());
    if (caret < 0 || FrequencyTagIndex(QLatin1StringView(bytes.first(caret))) < 0)
        return DisplayLineOf(line.text());
    bool ascii = true;
    bool caretInRest = false;
    for (qsizetype i = caret + 1; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '*' || (i < dateEnd && static_cast<unsigned char>(c) >= 0x80))
            return DisplayLineOf(line.text());
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        caretInRest = caretInRest || c == '^';
    }
    QByteArrayView rest = bytes.sliced(dateEnd);
    while (!rest.isEmpty() && (rest.front() == ' ' || rest.front() == '^'))
        rest = rest.sliced(1);
    while (!rest.isEmpty() && (rest.back() == ' ' || rest.back() == '^'))
        rest.chop(1);
    // Whether the line is UTF-8 is decided by the rest alone, the part before it being ASCII.
    QString text = ascii ? QString::fromLatin1(rest) : DecodeLineBytes(rest);
    if (caretInRest)
        text.replace(u'^', u' ');
    return text;
}

QList<qsizetype> AgendaOrder(const QStringList &displayLines)
{
    // "HH:MM" sorts by time as plain text, so one case-blind comparison of the whole line
    // orders by time and then by content. All lines are folded into one buffer, and the first
    // twelve characters of each, the time and the start of the content, are packed into
    // numbers that settle most comparisons without looking at the buffer.
    constexpr qsizetype HeadSize = 12;
    struct SortKey
    {
        unsigned __int128 head; // the first eight, compared without a branch
        quint64 tail;           // and the next four
        quint32 offset;         // of the folded line in the buffer
        quint32 size;
        qsizetype index;
    };
    qsizetype total = 0;
    for (const QString &line : displayLines)
        total += line.size();
    std::vector<char16_t> folded(static_cast<size_t>(total));
    std::vector<SortKey> keys;
    keys.reserve(size_t(displayLines.size()));
    qsizetype offset = 0;
    for (qsizetype i = 0; i < displayLines.size(); ++i) {
        const QString &line = displayLines.at(i);
        char16_t *const text = folded.data() + offset;
        FoldCase(line, text);
        SortKey key{0, 0, quint32(offset), quint32(line.size()), i};
        for (qsizetype c = 0; c < HeadSize; ++c) {
            const char16_t unit = c < line.size() ? text[c] : 0;
            if (c < 8)
                key.head = key.head << 16 | unit;
            else
                key.tail = key.tail << 16 | unit;
        }
        keys.push_back(key);
        offset += line.size();
    }
    // Lines of equal heads are alike in their first twelve characters, or are shorter and end
    // there. The rest is compared as code units, as QString compares, without a call into Qt;
    // the index comes last, for lines equal in that order.
    std::sort(keys.begin(), keys.end(), [&folded](const SortKey &a, const SortKey &b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (a.tail != b.tail)
            return a.tail < b.tail;
        const quint32 skip = qMin(quint32(HeadSize), qMin(a.size, b.size));
        const int order = CompareUnits({folded.data() + a.offset + skip, a.size - skip},
                                       {folded.data() + b.offset + skip, b.size - skip});
        return order != 0 ? order < 0 : a.index < b.index;
    });

    QList<qsizetype> order;
    order.reserve(displayLines.size());
    for (const SortKey &key : keys)
        order.append(key.index);
    return order;
}

DayAgenda BuildDayAgenda(AppointmentLines allLines, QDate date)
{
    DayAgenda agenda;
    agenda.key = MakeDayKey(date);
    agenda.allLines = std::move(allLines);
    // A line is shown as soon as it is found to match, while its bytes are still in the cache.
    QStringList displayLines;
    for (qsizetype i = 0; i < agenda.allLines.size(); ++i) {
        const AppointmentLine line = agenda.allLines.at(i);
        if (FallsOnDate(line.asLatin1(), agenda.key)) {
            agenda.matchingLines.append(i);
            displayLines.append(DisplayLineOf(line));
        }
    }
    const QList<qsizetype> order = AgendaOrder(displayLines);
    agenda.displayLines.reserve(order.size());
    agenda.displaySources.reserve(order.size());
    for (qsizetype index : order) {
        agenda.displayLines.append(std::move(displayLines[index]));
        agenda.displaySources.append(agenda.matchingLines.at(index));
    }
    agenda.count = agenda.displayLines.size();
    return agenda;
}

QList<DayAgenda> BuildDayAgendas(const AppointmentLines &allLines, QDate first, int days)
{
    days = qBound(0, days, 32); // one bit a date below
    QList<DayAgenda> agendas(days);
    std::vector<DayKey> keys;
    for (int day = 0; day < days; ++day) {
        keys.push_back(MakeDayKey(first.addDays(day)));
        agendas[day].key = keys.back();
        agendas[day].allLines = allLines; // the same block
    }
    QStringList displayLines;
    QList<qsizetype> sources;
    std::vector<quint32> dates; // bit d: the line falls on the d-th date
    for (qsizetype i = 0; i < allLines.size(); ++i) {
        const AppointmentLine line = allLines.at(i);
        const quint32 on = FallsOnDates(line.asLatin1(), keys.data(), days);
        if (on != 0) {
            displayLines.append(DisplayLineOf(line));
            sources.append(i);
            dates.push_back(on);
        }
    }
    for (qsizetype k = 0; k < sources.size(); ++k) {
        for (int day = 0; day < days; ++day) {
            if (dates[size_t(k)] & (quint32(1) << day))
                agendas[day].matchingLines.append(sources.at(k));
        }
    }
    // Lines equal in the agenda order keep their order in the file, on every date.
    for (qsizetype index : AgendaOrder(displayLines)) {
        for (int day = 0; day < days; ++day) {
            if (dates[size_t(index)] & (quint32(1) << day)) {
                agendas[day].displayLines.append(displayLines.at(index));
                agendas[day].displaySources.append(sources.at(index));
            }
        }
    }
    for (DayAgenda &agenda : agendas)
        agenda.count = agenda.displayLines.size();
    return agendas;
}

DayAgenda BuildDayAgenda(const QString &path, QDate date)
{
    std::optional<AppointmentLines> lines = LoadAppointmentLines(path);
    DayAgenda agenda = BuildDayAgenda(lines ? std::move(*lines) : AppointmentLines(), date);
    agenda.readFailed = !lines.has_value();
    return agenda;
}

} // namespace book
