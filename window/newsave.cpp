// New and Save: a new appointment from the entry area.
#include "window/form1.h"

#include "book/appointmentfile.h"
#include "book/datetext.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

void form1::Command4_Click()
{
    fcom->setEnabled(true);
    clearStatus();
    cft1->setFocus();
    // The frequency stays for the next appointment, and what is typed now replaces it.
    cft1->lineEdit()->selectAll();
}

void form1::fcom_Click()
{
    clearStatus();
    const QString date = ft1->text();
    const QString time = ft2->text();
    if (date.size() != 10 || time.size() != 5) {
        m_services.dialogs->inform(this, u"Wrong date or time"_s);
        return;
    }
    const QString content = ft3->toPlainText();
    const QString frequency = cft1->currentText();
    // Content that is only blanks and line breaks would be stored without any text.
    const bool noContent =
        book::TrimBlanks(QString(content).replace(u'\r', u' ').replace(u'\n', u' ')).isEmpty();
    if (date == u"__/__/____"_s || time == u"__:__"_s || noContent || frequency.isEmpty()) {
        m_services.dialogs->inform(this, u"Incomplete data"_s);
        return;
    }
    // A frequency of its own would be stored and then fall on no date, out of reach of Del.
    const QStringView tag = book::FrequencyTagOf(frequency);
    if (tag.isEmpty()) {
        m_services.dialogs->inform(this, u"Incorrect frequency"_s);
        return;
    }
    // An appointment whose date or time can never be shown is never stored. This check
    // comes last so that the placeholders above keep their own message.
    if (!book::ParseDateText(date).isValid() || book::MinuteOfDay(time) < 0) {
        m_services.dialogs->inform(this, u"Wrong date or time"_s);
        return;
    }

    ft4 = book::ComposeAppointmentLine(tag, date, time, content);
    int error = 0;
    const book::WriteStatus saved = book::AppendAppointmentLine(m_services.dataFile, ft4, &error);
    if (saved != book::WriteStatus::Written) {
        // Nothing is emptied: the user can try again, or copy the text elsewhere.
        informWriteFailure(saved, u"The appointment could not be saved."_s, error);
        return;
    }

    ft3->clear();
    ft4.clear();
    clearStatus();
    refreshAfterChange();
}
