// Del. and Delete all.
#include "window/form1.h"

#include "book/appointmentfile.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

void form1::Command3_Click()
{
    const QString chosen = Combo3->currentText();
    if (chosen.isEmpty()) {
        m_services.dialogs->inform(this, u"Choose an appointment"_s);
        return;
    }
    // Read the file again rather than write back the lines of the last build: a line added
    // since (by hand, or by a Save whose refresh was refused) would otherwise be lost. A file
    // that cannot be read is not rewritten at all.
    std::optional<QList<book::AppointmentLine>> lines =
        book::LoadAppointmentLines(m_services.dataFile);
    if (!lines) {
        m_services.dialogs->inform(this, u"The appointment could not be deleted."_s);
        return;
    }
    Combo2 = std::move(*lines);
    // Every line holding the chosen text goes: the same appointment stored for other dates
    // or frequencies included.
    Combo2.removeIf(
        [&chosen](const book::AppointmentLine &line) { return line.text().contains(chosen); });
    if (!book::RewriteAppointmentFile(m_services.dataFile, Combo2))
        m_services.dialogs->inform(this, u"The appointment could not be deleted."_s);
    Command1_Click();
}

void form1::Command7_Click()
{
    if (!m_services.dialogs->askYesNo(this, u"All records will be deleted?"_s))
        return;
    if (!book::ClearAppointmentFile(m_services.dataFile)) {
        m_services.dialogs->inform(this, u"The appointments could not be deleted."_s);
        return;
    }
    ft3->clear();
    ft4.clear();
    Label5->clear();
    cft1->setCurrentIndex(-1);
    cft1->clearEditText();
    ft1->clear();
    ft2->clear();
    Command1_Click();
    Command4->setFocus();
}
