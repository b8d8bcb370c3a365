#pragma once

#include "platform/printer.h"
#include "platform/printers.h"

#include <memory>

namespace platform {

// The system's default printer, through the print system (CUPS).
class SystemPrinters final : public Printers
{
public:
    std::unique_ptr<Printer> openDefault() override;
};

} // namespace platform
