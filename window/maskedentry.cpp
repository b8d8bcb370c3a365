// The date and time boxes put in their separators while the user types.
//
// Each box has a last-key box (Text7, Text8, Text9) holding the key code of the last key
// pressed in it. In the date and time entry boxes ft1 and ft2 the separator rule runs when a
// key is pressed, before the character is inserted; in the date box msb it runs whenever the
// text has changed. Backspace as the last key turns the rule off, so a separator can be
// deleted.
#include "window/form1.h"

#include "platform/keycodes.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int Enter = 13;

// Whether the key hands a character to the box: printable text, Backspace or Enter.
// Delete, the arrows, the function keys and Ctrl combinations do not.
bool YieldsCharacter(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
        key->key() == Qt::Key_Enter)
        return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

// Focus that comes back with the window, or after a menu or pop-up, is no new entering.
bool IsEntered(const QEvent *event)
{
    const Qt::FocusReason reason = static_cast<const QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
           reason != Qt::MenuBarFocusReason;
}

// Appends the separator when the text has reached one of the lengths, and puts the caret at
// the end with nothing selected.
void AppendSeparator(QLineEdit *box, QChar separator, std::initializer_list<int> lengths)
{
    const QString text = box->text();
    if (std::find(lengths.begin(), lengths.end(), text.size()) != lengths.end())
        box->setText(text + separator);
    box->end(false); // the caret to the end, nothing selected
}

} // namespace

void form1::maskedEntryEvent(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && IsEntered(event)) {
        if (watched == ft1) {
            ft1_GotFocus();
        } else if (watched == ft2) {
            ft2_GotFocus();
        } else {
            msb_GotFocus();
            // The press that brought the focus would clear the selection on its way in.
            m_msbSelectOnRelease =
                static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason;
        }
    } else if (event->type() == QEvent::FocusOut && watched == msb) {
        m_msbSelectOnRelease = false; // a context menu took the click
    } else if (event->type() == QEvent::MouseButtonRelease && watched == msb &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
               std::exchange(m_msbSelectOnRelease, false)) {
        // After the box has handled the release, so that what the user had selected elsewhere
        // stays the selection the middle button pastes.
        QTimer::singleShot(0, msb, [this] {
            if (!msb->hasSelectedText())
                msb->selectAll();
        });
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const int keyCode = platform::VirtualKeyCode(key);
        if (watched == msb) {
            msb_KeyDown(keyCode);
        } else {
            // Key-down, then key-press before the box inserts the character.
            (watched == ft1 ? Text7 : Text8) = QString::number(keyCode);
            if (YieldsCharacter(key))
                watched == ft1 ? ft1_KeyPress() : ft2_KeyPress();
        }
    }
}

void form1::ft1_GotFocus()
{
    ft1->clear();
}

void form1::ft1_KeyPress()
{
    if (Text7 != u"8"_s)
        AppendSeparator(ft1, u'/', {2, 5});
}

void form1::ft2_GotFocus()
{
    ft2->clear();
}

void form1::ft2_KeyPress()
{
    if (Text8 != u"8"_s)
        AppendSeparator(ft2, u':', {2});
}

void form1::msb_GotFocus()
{
    msb->selectAll();
}

void form1::msb_KeyDown(int keyCode)
{
    Text9 = QString::number(keyCode);
    if (keyCode == Enter)
        Command1_Click();
}

void form1::msb_Change()
{
    if (Text9 == u"8"_s)
        return;
    // Each append changes the text again and runs this handler nested, which then finds
    // three or six characters and only moves the caret.
    if (msb->text().size() == 2)
        msb->setText(msb->text() + u'/');
    if (msb->text().size() == 5)
        msb->setText(msb->text() + u'/');
    msb->end(false);
}
