#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace platform {

// Every message of the program: its text, the title "Zentavo", no icon. Tests answer them.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // An OK button only; returns when the user has closed the box.
    virtual void inform(QWidget *parent, const QString &text) = 0;
    // The button that Enter presses in a question.
    enum class Default { Yes, No };
    // Yes and No, with `preferred` the default and No the answer of Escape; true for Yes. A
    // question whose Yes removes what the user did not ask to remove (a sync's removals)
    // takes No as its default.
    virtual bool askYesNo(QWidget *parent, const QString &text, Default preferred) = 0;
    // The file to write, chosen by the user; empty when the user cancelled. `filter` as
    // QFileDialog takes it ("iCalendar files (*.ics)").
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // The files to read; none when the user cancelled.
    virtual QStringList openFileNames(QWidget *parent, const QString &title,
                                      const QString &filter) = 0;
    // A password, in a box that shows dots for what is typed, below `text`; none when the user
    // cancelled, an empty one when OK came with nothing typed.
    virtual std::optional<QString> password(QWidget *parent, const QString &text) = 0;
};

} // namespace platform
