#pragma once

#include "platform/printer.h"

#include <QString>

#include <memory>

class QPrinter;

namespace platform {

// Lines drawn with QPainter on a QPrinter (a real printer, or a PDF file), in the printer's
// default typeface, from the top of its printable area. The painter starts with the first
// line, so the font is set before anything is drawn.
class PaintedPrinter final : public Printer
{
public:
    explicit PaintedPrinter(std::unique_ptr<QPrinter> printer);
    ~PaintedPrinter() override;

    bool setFontSize(qreal points) override;
    bool setBold(bool bold) override;
    bool printLine(const QString &text) override;
    bool endDocument() override;
    void abort() override;

private:
    struct State;
    std::unique_ptr<State> d;
};

} // namespace platform
