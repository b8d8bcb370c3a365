#pragma once

#include <QString>

class QWidget;

namespace platform {

// Every message of the program: its text, the title "Zentavo", no icon. Tests answer them.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // An OK button only; returns when the user has closed the box.
    virtual void inform(QWidget *parent, const QString &text) = 0;
    // Yes and No, Yes the default; true for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text) = 0;
};

} // namespace platform
