#pragma once

#include "book/appointmentline.h"

#include <QList>
#include <QString>

// The two contents the kill test's writer rewrites, 100,000 lines each.
inline QList<book::AppointmentLine> Content(int which)
{
    QList<book::AppointmentLine> lines;
    lines.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        lines.append(book::AppointmentLine::fromText(
            QStringLiteral("*Daily^01/01/2026 %1:%2 content %3 line %4")
                .arg(i % 24, 2, 10, QChar(u'0'))
                .arg(i % 60, 2, 10, QChar(u'0'))
                .arg(which ? QStringLiteral("second") : QStringLiteral("first"))
                .arg(i)));
    return lines;
}

inline QString AppendedLine(long number)
{
    return QStringLiteral("*Once^05/12/2026 10:30 appended %1").arg(number);
}
