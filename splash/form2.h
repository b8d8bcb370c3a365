#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The splash window: the program's picture, borderless and exactly its size, closed only by
// its "X" button. The keyboard starts on a button out of sight that does nothing, so Enter
// or Space pressed at once does not close it.
class Form2 : public QDialog
{
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void Form_Load();
    void Command1_Click();

    QLabel *Image1;
    QPushButton *Command1;
    QPushButton *Command2;
};
