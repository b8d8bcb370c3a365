#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace platform {

// Puts a top-level window in the middle of the screen it is on. Qt's own placing of a new
// window reckons with a frame, which a window without one (or a desktop without a window
// manager) does not have.
inline void CentreOnScreen(QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

} // namespace platform
