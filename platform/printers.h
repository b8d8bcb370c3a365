#pragma once

#include "platform/printer.h"

#include <memory>

namespace platform {

// Where printing goes.
class Printers
{
public:
    virtual ~Printers() = default;
    // A new document on the default printer; none when there is no default printer.
    virtual std::unique_ptr<Printer> openDefault() = 0;
};

} // namespace platform
