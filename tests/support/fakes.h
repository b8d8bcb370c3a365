#pragma once

// What the window needs from outside, in forms that tests and benchmarks control: a clock
// that shows what it is set to, message boxes answered at once, a printer that records.
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/printers.h"

#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <optional>

struct FakeClock final : platform::Clock
{
    QDateTime now() const override { return at; }
    QDateTime at;
};

struct FakeDialogs final : platform::Dialogs
{
    // A message over a window that is not shown yet would come at the screen's corner.
    void inform(QWidget *over, const QString &text) override
    {
        messages.append(over && !over->isVisible() ? QStringLiteral("(over no window) ") + text
                                                   : text);
    }
    // A question whose default is No is recorded with "[No] " before it.
    bool askYesNo(QWidget *, const QString &text, Default preferred) override
    {
        return messages.append(preferred == Default::No ? QStringLiteral("[No] ") + text : text),
               answerYes;
    }
    QString saveFileName(QWidget *, const QString &title, const QString &) override
    {
        return messages.append(title), files.value(0);
    }
    QStringList openFileNames(QWidget *, const QString &title, const QString &) override
    {
        return messages.append(title), files;
    }
    std::optional<QString> password(QWidget *, const QString &text) override
    {
        return messages.append(text), passwordAnswer;
    }
    QStringList messages;
    bool answerYes = true;
    std::optional<QString> passwordAnswer; // none: the user cancels
    QStringList files;                     // what the file dialogs answer
};

// Keeps the document of the last Print; its line at `failAt` fails.
struct RecordingPrinters final : platform::Printers
{
    struct Recorder final : platform::Printer
    {
        explicit Recorder(RecordingPrinters *document)
            : d(document)
        {
        }
        bool setFontSize(qreal points) override
        {
            d->fontSize = points;
            return true;
        }
        bool setBold(bool bold) override
        {
            d->bold = bold;
            return true;
        }
        bool printLine(const QString &text) override
        {
            return d->lines.size() != d->failAt && (d->lines.append(text), true);
        }
        bool endDocument() override { return d->ended = true; }
        void abort() override { d->aborted = true; }
        RecordingPrinters *d;
    };
    std::unique_ptr<platform::Printer> openDefault() override
    {
        fontSize = 0;
        bold = ended = aborted = false;
        lines.clear();
        return hasPrinter ? std::make_unique<Recorder>(this) : nullptr;
    }
    bool hasPrinter = true;
    qsizetype failAt = -1;
    qreal fontSize = 0;
    bool bold = false, ended = false, aborted = false;
    QStringList lines;
};
