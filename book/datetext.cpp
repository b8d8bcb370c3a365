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

QCalendar::YearMonthDay Parts(QStringView text)
{
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/')
        return {};
    // Only ASCII digits: QChar::isDigit() would also take Arabic-Indic and other digits,
    // which a stored date never holds.
    constexpr int digitAt[8] = {0, 1, 3, 4, 6, 7, 8, 9};
    int digits[8];
    for (int i = 0; i < 8; ++i) {
        const char16_t c = text[digitAt[i]].unicode();
        if (c < u'0' || c > u'9')
            return {};
        digits[i] = c - u'0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
    return CheckedDateParts(year, month, day);
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

} // namespace book
