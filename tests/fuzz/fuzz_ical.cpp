// Arbitrary bytes as an iCalendar file to import: the reading never fails otherwise than by
// its error, and whatever it gives is lines the book holds as appointments.
#include "book/appointment.h"
#include "book/recurrence.h"
#include "fuzz/oracle.h"
#include "ical/calendarimport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ical::CalendarImport calendar = ical::ReadCalendar(bytes, QDate(2026, 12, 7));
    REQUIRE(calendar.error.isEmpty() || calendar.lines.isEmpty());
    for (const QByteArray &line : calendar.lines) {
        REQUIRE(!line.contains('\r') && !line.contains('\n') && line.isValidUtf8());
        // A valid appointment, on its own stored date.
        const book::Appointment appointment{book::AppointmentLine(line)};
        REQUIRE(appointment.isValid());
        REQUIRE(appointment.fallsOn(book::MakeDayKey(appointment.storedDate())));
    }
    return 0;
}
