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

char16_t Code(QChar c)
{
    return c.unicode();
}

char16_t Code(QLatin1Char c)
{
    return c.unicode();
}

template<typename View>
QCalendar::YearMonthDay Parts(View text)
{
    if (text.size() != 10 || Code(text[2]) != u'/' || Code(text[5]) != u'/')
        return {};
    // Only ASCII digits: QChar::isDigit() would also take Arabic-Indic and other digits,
    // which a stored date never holds.
    constexpr int digitAt[8] = {0, 1, 3, 4, 6, 7, 8, 9};
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        const char16_t c = Code(text[digitAt[i]]);
        if (c < u'0' || c > u'9')
            return {};
        digits[i] = c - u'0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
    // The Gregorian calendar as QDate has it, without its call: it knows no year 0, so "0000"
    // is refused along with days and months out of range.
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] ||
        (month == 2 && day == 29 && !leap))
        return {};
    return {year, month, day};
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
    return DateOf(Parts(text));
}

QCalendar::YearMonthDay DateTextParts(QLatin1StringView text)
{
    return Parts(text);
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
    return date.dayOfWeek() % 7 + 1; // Qt counts Monday = 1 ... Sunday = 7
}

int WeekdayNumber(QCalendar::YearMonthDay date)
{
    Q_ASSERT(date.isValid() && date.year >= 1);
    // Counted from 1 March, so that a leap day ends the year it belongs to.
    static constexpr int monthShift[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int year = date.month < 3 ? date.year - 1 : date.year;
    return (year + year / 4 - year / 100 + year / 400 + monthShift[date.month - 1] + date.day) % 7 +
           1;
}

} // namespace book
