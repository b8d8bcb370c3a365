#include "book/datetext.h"

namespace book {

namespace {

void AppendDigits(QString &out, int value, int width)
{
    QChar digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

QDate DateOf(QCalendar::YearMonthDay parts)
{
    return parts.isValid() ? QDate(parts.year, parts.month, parts.day) : QDate();
}

} // namespace

QString DateText(QDate date)
{
    Q_ASSERT(date.isValid() && date.year() >= 1 && date.year() <= 9999);
    QString text;
    text.reserve(10);
    AppendDigits(text, date.day(), 2);
    text.append(u'/');
    AppendDigits(text, date.month(), 2);
    text.append(u'/');
    AppendDigits(text, date.year(), 4);
    return text;
}

QDate ParseDateText(QStringView text)
{
    // A date text is ASCII: the bytes of the characters are the text that the rule for line
    // bytes reads. Anything else, Arabic-Indic digits included, is no date.
    char bytes[10];
    if (text.size() != 10)
        return {};
    for (qsizetype i = 0; i < 10; ++i) {
        if (text[i].unicode() >= 0x80)
            return {};
        bytes[i] = char(text[i].unicode());
    }
    return DateOf(DateTextParts(QLatin1StringView(bytes, 10)));
}

int MinuteOfDay(QStringView text)
{
    if (text.size() != 5 || text[2] != u':')
        return -1;
    for (qsizetype i : {0, 1, 3, 4}) {
        if (text[i] < u'0' || text[i] > u'9')
            return -1;
    }
    const int hours = (text[0].unicode() - u'0') * 10 + (text[1].unicode() - u'0');
    const int minutes = (text[3].unicode() - u'0') * 10 + (text[4].unicode() - u'0');
    return hours < 24 && minutes < 60 ? hours * 60 + minutes : -1;
}

int WeekdayNumber(QDate date)
{
    if (!date.isValid() || date.year() < 1)
        return 0; // no weekday, which no line's matches
    return WeekdayNumber(QCalendar::YearMonthDay(date.year(), date.month(), date.day()));
}

} // namespace book
