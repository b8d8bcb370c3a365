// Arbitrary text against the date-text parser, the time check and the display transformation.
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "fuzz/oracle.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    // The parser takes exactly what the plain rule takes, and a date goes back to its text.
    const QDate parsed = book::ParseDateText(text);
    REQUIRE(parsed == oracle::ParseDate(text));
    if (parsed.isValid())
        REQUIRE(book::DateText(parsed) == text);
    const QCalendar::YearMonthDay parts = book::DateTextParts(QLatin1StringView(text.toUtf8()));
    REQUIRE(parts.isValid() ? QDate(parts.year, parts.month, parts.day) == parsed
                            : !parsed.isValid());

    // A time of day is "HH:MM" with hours 00-23 and minutes 00-59, nothing else.
    const QTime time = QTime::fromString(text, QStringLiteral("HH:mm"));
    const bool digits = text.size() == 5 && text[2] == u':' &&
                        std::all_of(text.cbegin(), text.cend(),
                                    [](QChar c) { return c == u':' || (c >= u'0' && c <= u'9'); });
    REQUIRE(book::MinuteOfDay(text) ==
            (digits && time.isValid() ? time.msecsSinceStartOfDay() / 60000 : -1));

    // The display line: the same as the step-by-step rule, and never a "^".
    REQUIRE(book::DisplayLineOf(text) == oracle::DisplayLine(text));
    return 0;
}
