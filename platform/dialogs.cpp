#include "platform/dialogs.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

const QString Title = u"Zentavo"_s;

} // namespace

void MessageBoxes::inform(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, Title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool MessageBoxes::askYesNo(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, Title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace platform
