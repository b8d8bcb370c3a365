#include "platform/messageboxes.h"

#include "platform/look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
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

bool MessageBoxes::askYesNo(QWidget *parent, const QString &text, Default preferred)
{
    QMessageBox box(QMessageBox::NoIcon, AppName(), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(preferred == Default::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}

QString MessageBoxes::saveFileName(QWidget *parent, const QString &title, const QString &filter)
{
    QFileDialog dialog(parent, title, QDir(folder()).filePath(u"appointments.ics"_s), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"ics"_s); // "holidays" is saved as holidays.ics
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    m_folder = QFileInfo(dialog.selectedFiles().constFirst()).absolutePath();
    return dialog.selectedFiles().constFirst();
}

QStringList MessageBoxes::openFileNames(QWidget *parent, const QString &title,
                                        const QString &filter)
{
    QStringList files = QFileDialog::getOpenFileNames(parent, title, folder(), filter);
    if (!files.isEmpty())
        m_folder = QFileInfo(files.constFirst()).absolutePath();
    return files;
}

std::optional<QString> MessageBoxes::password(QWidget *parent, const QString &text)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(AppName());
    dialog.setLabelText(text);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    // Not a null string for an empty answer, which stands for "cancelled" elsewhere.
    return dialog.textValue().isNull() ? QString(u""_s) : dialog.textValue();
}

QString MessageBoxes::folder() const
{
    return m_folder.isEmpty() ? QDir::homePath() : m_folder;
}

} // namespace platform
