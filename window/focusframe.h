#pragma once

#include <QFocusFrame>
#include <QPointer>

// A frame around the control that has the keyboard focus, drawn by itself over the window, so
// that where the focus is can be seen in every style and from the first moment: some styles
// mark a focused button only faintly, and only after the first key that moved the focus.
// It lets every click through and takes no focus; as a QFocusFrame, screen readers pass it by.
class FocusFrame : public QFocusFrame
{
    Q_OBJECT

public:
    explicit FocusFrame(QWidget *window);

    // Around `control` (a child of the window), or nowhere.
    void follow(QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    QPointer<QWidget> m_control;
};
