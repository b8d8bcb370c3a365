#include "platform/messageboxes.h"

#include "platform/look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// No icon anywhere: the style's pictures on the buttons go too.
int Run(QMessageBox &box)
{
    for (QAbstractButton *button : box.buttons())
        button->setIcon(QIcon());
    const int answer = box.exec();
    // The keyboard goes back to the window that asked where no window manager hands it back,
    // so that the next key (Ctrl+Z after Delete all) reaches it.
    if (QWidget *parent = box.parentWidget(); parent && !QApplication::activeWindow())
        parent->window()->activateWindow();
    return answer;
}

} // namespace

void MessageBoxes::inform(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, AppName(), text, QMessageBox::Ok, parent);
    Run(box);
}

bool MessageBoxes::askYesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, AppName(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}

QString MessageBoxes::saveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QDir::homePath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"ics"_s); // "holidays" is saved as holidays.ics
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QStringList MessageBoxes::openFileNames(QWidget *parent, const QString &title,
                                        const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, title, QDir::homePath(), filter);
}

} // namespace platform
