#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/printer.h"

#include <QDateTime>
#include <QStringList>

#include <memory>

// A clock that shows whatever the test sets.
class FakeClock final : public platform::Clock
{
public:
    explicit FakeClock(QDateTime now)
        : m_now(std::move(now))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};

// Message boxes that are answered at once and remembered.
class FakeDialogs final : public platform::Dialogs
{
public:
    void inform(QWidget *, const QString &text) override { messages.append(text); }
    bool askYesNo(QWidget *, const QString &text) override
    {
        messages.append(text);
        return answerYes;
    }

    QStringList messages;
    bool answerYes = true;
};

// A printer that keeps what it is given; it can fail at a chosen line.
class RecordingPrinter final : public platform::Printer
{
public:
    struct Record
    {
        qreal fontSize = 0;
        bool bold = false;
        QStringList lines;
        bool ended = false;
        bool aborted = false;
    };
    RecordingPrinter(Record *record, int failAtLine)
        : m_record(record)
        , m_failAtLine(failAtLine)
    {
    }
    bool setFontSize(qreal points) override
    {
        m_record->fontSize = points;
        return true;
    }
    bool setBold(bool bold) override
    {
        m_record->bold = bold;
        return true;
    }
    bool printLine(const QString &text) override
    {
        if (m_record->lines.size() == m_failAtLine)
            return false;
        m_record->lines.append(text);
        return true;
    }
    bool endDocument() override
    {
        m_record->ended = true;
        return true;
    }
    void abort() override { m_record->aborted = true; }

private:
    Record *m_record;
    int m_failAtLine;
};

class RecordingPrinters final : public platform::Printers
{
public:
    std::unique_ptr<platform::Printer> openDefault() override
    {
        if (!hasPrinter)
            return nullptr;
        return std::make_unique<RecordingPrinter>(&record, failAtLine);
    }

    bool hasPrinter = true;
    int failAtLine = -1;
    RecordingPrinter::Record record;
};
