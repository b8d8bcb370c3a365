// Day and Today, and showing a day's agenda in the window.
#include "window/form1.h"

#include "book/datetext.h"
#include "book/dayagenda.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/look.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringListModel>
#include <QStyle>

#include <cmath>

using namespace Qt::StringLiterals;

void form1::Command1_Click()
{
    clearStatus();
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
    clearStatus();
    ShowDayAgenda(m_services.clock->now().date());
}

bool form1::ShowDayAgenda(QDate date, TypedDate typed)
{
    // The date box is the window's focus even while another window is active, such as the
    // editor that changed the book; what it holds is typed when it is not the date shown.
    const bool keepTypedDate =
        typed == TypedDate::Keep || (typed == TypedDate::KeepWhileTyping && focusWidget() == msb &&
                                     msb->text() != book::DateText(m_shownDate));
    // Taken before the read: a change in between is then seen as a change, not missed.
    m_shownStamp = book::StampOf(m_services.dataFile);
    book::DayAgenda agenda = book::BuildDayAgenda(m_services.dataFile, date);
    // An unreadable book shown as an empty day would look like lost appointments.
    if (agenda.readFailed) {
        if (!m_readFailureShown) {
            m_readFailureShown = true;
            // The message belongs to the main window: before it is shown, it waits for it.
            if (isVisible())
                m_services.dialogs->inform(this, ReadFailureMessage.toString());
            else
                m_readFailurePending = true;
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
    showCount(agenda.count);
    return true;
}

void form1::refreshAfterChange()
{
    ShowDayAgenda(m_shownDate, TypedDate::Keep);
    refreshWeek();
}

void form1::showCount(qsizetype count)
{
    // The box is as wide as the window definition makes it: a number that does not fit in its
    // face gets a smaller one, and the whole of it is in a tooltip besides. The face is found
    // once for each count of digits, as every size tried loads a face.
    const QString number = QString::number(count);
    QFont &font = m_countFonts[number.size()];
    const int frame = Text5->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Text5);
    const int room = Text5->width() - 2 * frame - 4; // less the box's frame and margins
    if (font.family().isEmpty()) {
        font = platform::BoldArial(9.75);
        // A face's width grows with its size: the size that fits is worked out from the one
        // measure, in half points, and made smaller only if the rounding did not do.
        const QString widest(number.size(), u'8');
        const int width = QFontMetrics(font).horizontalAdvance(widest);
        if (width > room) {
            font.setPointSizeF(qMax(4.0, std::floor(font.pointSizeF() * room / width * 2) / 2));
            while (font.pointSizeF() > 4 && QFontMetrics(font).horizontalAdvance(widest) > room)
                font.setPointSizeF(font.pointSizeF() - 0.5);
        }
    }
    // Digits are all as wide in this face, but for the rounding of a pixel.
    while (font.pointSizeF() > 4 && QFontMetrics(font).horizontalAdvance(number) > room)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (Text5->font() != font)
        Text5->setFont(font);
    Text5->setText(number);
    Text5->setToolTip(number == u"1"_s ? u"1 appointment"_s : number + u" appointments"_s);
    Text5->setCursorPosition(0);
}
