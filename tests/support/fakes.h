#pragma once

#include "platform/clock.h"
#include "platform/dialogs.h"

#include <QDateTime>
#include <QStringList>

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
