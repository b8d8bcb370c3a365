#pragma once

#include <QString>

namespace platform {

// A document of plain text lines on a printer. Every operation reports failure; after one,
// the caller stops and calls abort(), so that no half document reaches the printer.
class Printer
{
public:
    virtual ~Printer() = default;
    virtual bool setFontSize(qreal points) = 0;
    virtual bool setBold(bool bold) = 0;
    // One whole line; a line that does not fit on the page starts a new one, and a line wider
    // than the page goes on over the next lines at its own indentation.
    virtual bool printLine(const QString &text) = 0;
    // Releases the document to the printer.
    virtual bool endDocument() = 0;
    virtual void abort() = 0;
};

} // namespace platform
