#include "splash/form2.h"

#include "platform/look.h"
#include "platform/screen.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

using platform::Twips;

Form2::Form2(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(u"Form2"_s);
    setModal(true);
    QFont font(u"Arial"_s);
    font.setPointSizeF(8.25);
    setFont(font);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(QPixmap(u":/splash/splash.bmp"_s));
    Image1->resize(Image1->pixmap().size()); // the picture's own size

    // First in the tab order, so it has the focus when the window opens.
    Command2 = new QPushButton(this);
    Command2->setObjectName(u"Command2"_s);
    Command2->setGeometry(Twips(2640), 0, Twips(75), Twips(210));

    Command1 = new QPushButton(u"X"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setGeometry(Twips(120), Twips(120), 21, 21);
    Command1->raise(); // drawn above the picture
    setTabOrder(Command2, Command1);

    // In a dialog, Enter presses the button that has the focus, as Space does.
    for (QPushButton *button : {Command1, Command2})
        button->setAutoDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    Form_Load();
}

void Form2::Form_Load()
{
    Image1->move(0, 0);
    setFixedSize(Image1->size());
    Command2->move(Command2->x(), height() + Twips(1000));
    Command2->setFocus();
}

void Form2::Command1_Click()
{
    accept();
}

void Form2::showEvent(QShowEvent *event)
{
    platform::CentreOnScreen(this);
    QDialog::showEvent(event);
}

void Form2::keyPressEvent(QKeyEvent *event)
{
    // Escape would close a dialog; this one closes only by its button.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
