// Print: the agenda shown, on the default printer.
#include "window/form1.h"

#include "book/datetext.h"
#include "platform/printer.h"

#include <QComboBox>

using namespace Qt::StringLiterals;

void form1::Command5_Click()
{
    // No default printer, or any failure on the way: nothing is shown and nothing is left
    // half printed.
    std::unique_ptr<platform::Printer> printer = m_services.printers->openDefault();
    if (!printer)
        return;
    // The heading names the day of the entries below it, not a date typed since.
    const QString indent(11, u' ');
    QStringList lines{QString(), QString(),
                      indent + u"Appointments on: "_s + book::DateText(m_shownDate),
                      indent + QString(62, u'_'), QString()};
    for (int i = 0; i < Combo3->count(); ++i)
        lines.append(indent + Combo3->itemText(i));

    bool printed = printer->setFontSize(14) && printer->setBold(true);
    for (const QString &line : std::as_const(lines)) {
        if (!printed)
            break;
        printed = printer->printLine(line);
    }
    if (!printed || !printer->endDocument())
        printer->abort();
}
