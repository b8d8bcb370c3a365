// Print: the agenda shown, on the default printer.
#include "window/form1.h"

#include "book/datetext.h"
#include "platform/dialogs.h"
#include "platform/printer.h"

#include <QComboBox>
#include <QLabel>

using namespace Qt::StringLiterals;

void form1::Command5_Click()
{
    clearStatus();
    // No default printer, or any failure on the way: nothing is left half printed, and the
    // window says so, as a print that never comes would otherwise be waited for.
    std::unique_ptr<platform::Printer> printer = m_services.printers->openDefault();
    if (!printer) {
        m_services.dialogs->inform(this, u"No printer is set up."_s);
        return;
    }
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
    if (!printed || !printer->endDocument()) {
        printer->abort();
        m_services.dialogs->inform(this, u"The agenda could not be printed."_s);
        return;
    }
    tellStatus(u"Sent to the printer."_s);
}
