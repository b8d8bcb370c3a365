// Arbitrary text against the date-text parser, the time check and the display transformation.
#include "book/datetext.h"
#include "book/dayagenda.h"
#include "fuzz/oracle.h"

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
    REQUIRE(book::ParseDateText(QLatin1StringView(text.toUtf8())) == parsed);

    // A time of day is "HH:MM" with hours 00-23 and minutes 00-59, nothing else.
    const bool time = text.size() == 5 && text[2] == u':' &&
                      QTime::fromString(text, QStringLiteral("HH:mm")).isValid() &&
                      text[0].isDigit() && text[0].unicode() < 128 && text[1].unicode() < 128 &&
                      text[3].unicode() < 128 && text[4].unicode() < 128;
    REQUIRE(book::IsTimeText(text) == time);

    // The display line: the same as the step-by-step rule, and never a "^".
    const QString shown = book::DisplayLineOf(text);
    REQUIRE(shown == oracle::DisplayLine(text));
    REQUIRE(!shown.contains(u'^'));
    return 0;
}
