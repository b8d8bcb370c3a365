#include "platform/systemprinters.h"

#include "platform/look.h"
#include "platform/paintedprinter.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace platform {

std::unique_ptr<Printer> SystemPrinters::openDefault()
{
    // With printers but none of them the default, QPrinter would still pick the first one.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(AppName());
    return std::make_unique<PaintedPrinter>(std::move(printer));
}

} // namespace platform
