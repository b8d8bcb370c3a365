#pragma once

#include <QString>

#include <memory>

class QPrinter;

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

// Where printing goes.
class Printers
{
public:
    virtual ~Printers() = default;
    // A new document on the default printer; none when there is no default printer.
    virtual std::unique_ptr<Printer> openDefault() = 0;
};

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

// The system's default printer, through the print system (CUPS).
class SystemPrinters final : public Printers
{
public:
    std::unique_ptr<Printer> openDefault() override;
};

} // namespace platform
