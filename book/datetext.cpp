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

// -1 when the characters are not all ASCII digits. QChar::isDigit() would also accept
// Arabic-Indic and other digits, which a stored date never holds.
char16_t Code(QChar c)
{
    return c.unicode();
}

char16_t Code(QLatin1Char c)
{
    return c.unicode();
}

char16_t Code(char c)
{
    return static_cast<unsigned char>(c);
}

template<typename View>
int DigitsValue(View digits)
{
    int value = 0;
    for (auto c : digits) {
        const char16_t code = Code(c);
        if (code < u'0' || code > u'9')
            return -1;
        value = value * 10 + (code - u'0');
    }
    return value;
}

template<typename View>
QCalendar::YearMonthDay Parts(View text)
{
    if (text.size() != 10 || Code(text[2]) != u'/' || Code(text[5]) != u'/')
        return {};
    const int day = DigitsValue(text.sliced(0, 2));
    const int month = DigitsValue(text.sliced(3, 2));
    const int year = DigitsValue(text.sliced(6, 4));
    // QDate knows no year 0, so "0000" is refused along with days and months out of range.
    if (day < 0 || month < 0 || year < 0 || !QDate::isValid(year, month, day))
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

QDate ParseDateText(QLatin1StringView text)
{
    return DateOf(Parts(text));
}

QCalendar::YearMonthDay DateTextParts(QLatin1StringView text)
{
    return Parts(text);
}

int WeekdayNumber(QDate date)
{
    return date.dayOfWeek() % 7 + 1; // Qt counts Monday = 1 ... Sunday = 7
}

} // namespace book
