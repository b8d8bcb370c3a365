#pragma once

#include "platform/clock.h"

#include <QDateTime>

namespace platform {

// The clock of the system, in its local time zone.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace platform
