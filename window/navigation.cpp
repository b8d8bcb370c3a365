// Day and Today, and showing a day's agenda in the window.
#include "window/form1.h"

#include "book/datetext.h"
#include "book/dayagenda.h"
#include "platform/clock.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStringListModel>

using namespace Qt::StringLiterals;

void form1::Command1_Click()
{
    // Ten characters that are no date (ab/cd/efgh, 31/02/2026) are refused like a text of
    // the wrong length.
    const QString text = msb->text();
    const QDate date = text.size() == 10 ? book::ParseDateText(text) : QDate();
    if (!date.isValid()) {
        m_services.dialogs->inform(this, u"Incorrect date"_s);
        return;
    }
    ShowDayAgenda(date);
}

void form1::Command2_Click()
{
    ShowDayAgenda(m_services.clock->now().date());
}

bool form1::ShowDayAgenda(QDate date, TypedDate typed)
{
    // The date box is the window's focus even while another window is active, such as the
    // editor that changed the book; what it holds is typed when it is not the date shown.
    const bool keepTypedDate = typed == TypedDate::KeepWhileTyping && focusWidget() == msb &&
                               msb->text() != book::DateText(m_shownDate);
    // Taken before the read: a change in between is then seen as a change, not missed.
    m_shownStamp = book::StampOf(m_services.dataFile);
    book::DayAgenda agenda = book::BuildDayAgenda(m_services.dataFile, date);
    // An unreadable book shown as an empty day would look like lost appointments.
    if (agenda.readFailed) {
        if (!m_readFailureShown) {
            m_readFailureShown = true;
            m_services.dialogs->inform(this, u"The appointment file could not be read."_s);
        }
        // The date box names the day whose agenda is still shown.
        if (!keepTypedDate)
            msb->setText(book::DateText(m_shownDate));
        return false;
    }
    m_readFailureShown = false;
    m_shownDate = date;

    dly.clear();
    Combo2.clear();
    Combo3Lines.clear();
    Combo3Entries->setStringList({});

    dnm = QString::number(agenda.key.weekday);
    mon = QString::number(agenda.key.month);
    dy = QString::number(agenda.key.day);
    if (!keepTypedDate)
        msb->setText(agenda.key.dateText);

    Combo2 = std::move(agenda.allLines);
    Combo3Lines = std::move(agenda.displaySources);
    dly = std::move(agenda.matchingLines);
    const QStringList entries = agenda.displayLines.toList();
    Text4 = entries.isEmpty() ? QString() : entries.constLast();
    Combo3Entries->setStringList(entries);
    Combo3->setCurrentIndex(agenda.count > 0 ? 0 : -1);
    if (agenda.count == 0)
        Combo3->clearEditText();
    Text5->setText(QString::number(agenda.count));
    return true;
}
