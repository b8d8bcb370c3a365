// Del. and Delete all.
#include "window/form1.h"

#include "book/appointmentfile.h"
#include "platform/dialogs.h"

#include <QComboBox>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

using namespace Qt::StringLiterals;

void form1::Command3_Click()
{
    // The chosen entry: the one selected, or the entry whose text was typed into the box. A
    // text that is no entry of the agenda chooses nothing.
    const QString chosen = Combo3->currentText();
    int entry = Combo3->currentIndex();
    if (entry < 0 || Combo3->itemText(entry) != chosen)
        entry = chosen.isEmpty() ? -1 : Combo3->findText(chosen, Qt::MatchExactly);
    if (entry < 0) {
        m_services.dialogs->inform(this, u"Choose an appointment"_s);
        return;
    }

    // Only the line the entry shows goes: not the same text stored for another date, nor a
    // longer text that begins with it. The file is read again, so that lines added since the
    // last build (by hand, or by a Save whose refresh was refused) are kept; among identical
    // lines, the one in the same place goes.
    const qsizetype source = Combo3Lines.value(entry, -1);
    if (source < 0 || source >= Combo2.size())
        return;
    const book::AppointmentLine target = Combo2.at(source);
    const qsizetype occurrence = std::count(Combo2.cbegin(), Combo2.cbegin() + source, target);
    std::optional<book::AppointmentLines> lines = book::LoadAppointmentLines(m_services.dataFile);
    if (!lines) {
        m_services.dialogs->inform(this, u"The appointment could not be deleted."_s);
        return;
    }
    qsizetype seen = 0;
    const auto found = std::find_if(lines->begin(), lines->end(), [&](book::AppointmentLine line) {
        return line == target && seen++ == occurrence;
    });
    if (found != lines->end()) {
        lines->erase(found);
        if (!book::RewriteAppointmentFile(m_services.dataFile, *lines))
            m_services.dialogs->inform(this, u"The appointment could not be deleted."_s);
    }
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
