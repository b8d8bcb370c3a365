#include "platform/printer.h"

#include "platform/look.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {

namespace {

// The text cut into pieces that fit the width, at blanks where there are any; every piece
// after the first starts at the text's own indentation.
QStringList WrapToWidth(const QString &text, const QFontMetricsF &metrics, qreal width)
{
    qsizetype indentSize = 0;
    while (indentSize < text.size() && text.at(indentSize) == u' ')
        ++indentSize;
    const QString indent = text.left(indentSize);
    QStringList pieces;
    QString rest = text.sliced(indentSize);
    const auto fits = [&](qsizetype n) {
        return metrics.horizontalAdvance(indent + rest.left(n)) <= width;
    };
    while (!fits(rest.size())) {
        // The longest head that fits, at least one character so that the text always ends.
        qsizetype low = 1, high = rest.size();
        while (low < high) {
            const qsizetype middle = (low + high + 1) / 2;
            if (fits(middle))
                low = middle;
            else
                high = middle - 1;
        }
        if (low < rest.size() && rest.at(low - 1).isHighSurrogate())
            --low;
        qsizetype cut = low;
        const qsizetype blank = rest.lastIndexOf(u' ', low);
        if (blank > 0)
            cut = blank;
        pieces.append(indent + rest.left(cut));
        rest = rest.sliced(cut);
        while (rest.startsWith(u' '))
            rest.remove(0, 1);
        if (rest.isEmpty())
            return pieces;
    }
    pieces.append(indent + rest);
    return pieces;
}

} // namespace

struct PaintedPrinter::State
{
    std::unique_ptr<QPrinter> printer;
    QPainter painter;
    QFont font;
    qreal top = 0; // of the next line, in device pixels from the printable area's top
};

PaintedPrinter::PaintedPrinter(std::unique_ptr<QPrinter> printer)
    : d(std::make_unique<State>())
{
    d->printer = std::move(printer);
}

PaintedPrinter::~PaintedPrinter()
{
    if (d->painter.isActive())
        abort(); // never ended: nothing must be printed
}

bool PaintedPrinter::setFontSize(qreal points)
{
    d->font.setPointSizeF(points);
    if (d->painter.isActive())
        d->painter.setFont(d->font);
    return true;
}

bool PaintedPrinter::setBold(bool bold)
{
    d->font.setBold(bold);
    if (d->painter.isActive())
        d->painter.setFont(d->font);
    return true;
}

bool PaintedPrinter::printLine(const QString &text)
{
    if (!d->painter.isActive()) {
        if (!d->painter.begin(d->printer.get()))
            return false;
        // The font is resolved for the printer, not for the screen.
        d->font = QFont(d->font, d->printer.get());
        d->painter.setFont(d->font);
    }
    const QFontMetricsF metrics(d->painter.font(), d->printer.get());
    const QRect page = d->printer->pageLayout().paintRectPixels(d->printer->resolution());
    // A line wider than the page goes on over the next lines rather than off its edge.
    for (const QString &piece : WrapToWidth(text, metrics, page.width())) {
        if (d->top > 0 && d->top + metrics.height() > page.height()) {
            if (!d->printer->newPage())
                return false;
            d->top = 0;
        }
        d->painter.drawText(QPointF(0, d->top + metrics.ascent()), piece);
        d->top += metrics.lineSpacing();
    }
    return d->printer->printerState() != QPrinter::Error;
}

bool PaintedPrinter::endDocument()
{
    // A document without lines still has a page: start it so that ending it prints one.
    if (!d->painter.isActive() && !d->painter.begin(d->printer.get()))
        return false;
    return d->painter.end() && d->printer->printerState() != QPrinter::Error;
}

void PaintedPrinter::abort()
{
    d->printer->abort();
    if (d->painter.isActive())
        d->painter.end();
}

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
