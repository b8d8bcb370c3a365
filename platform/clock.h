#pragma once

#include <QDateTime>

namespace platform {

// The current local date and time. Tests set their own.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

} // namespace platform
