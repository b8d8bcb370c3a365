#include "window/focusframe.h"

#include <QEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int Width = 2; // of the frame's line, in pixels, just outside the control

} // namespace

FocusFrame::FocusFrame(QWidget *window)
    : QFocusFrame(window)
{
    // Placed by itself rather than by the style (setWidget()), whose frame some styles draw
    // faintly or not at all.
    setObjectName(u"focusFrame"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void FocusFrame::follow(QWidget *control)
{
    if (m_control)
        m_control->removeEventFilter(this);
    // The control itself where the focus is in a part of it (the line of a combo box).
    while (control && control->parentWidget() && control->parentWidget() != parentWidget())
        control = control->parentWidget();
    m_control = control;
    if (!m_control) {
        hide();
        return;
    }
    m_control->installEventFilter(this);
    place();
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                                 event->type() == QEvent::Show || event->type() == QEvent::Hide))
        place();
    return QFocusFrame::eventFilter(watched, event); // which follows no widget of its own
}

void FocusFrame::place()
{
    if (!m_control || !m_control->isVisible()) {
        hide();
        return;
    }
    // The control may sit inside another (a combo box's own line), so its place is mapped.
    const QRect shown(m_control->mapTo(parentWidget(), QPoint(0, 0)), m_control->size());
    setGeometry(shown.adjusted(-Width, -Width, Width, Width));
    raise();
    show();
    update();
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // Dark blue on the window's grey and on the white of the boxes alike.
    QPen pen(QColor(0, 51, 170), Width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(rect()).adjusted(Width / 2.0, Width / 2.0, -Width / 2.0, -Width / 2.0));
}
