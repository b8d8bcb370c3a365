#include "platform/paintedprinter.h"

#include "platform/look.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

namespace platform {

namespace {

// The text cut into pieces that fit the width, at word boundaries where there are any; every
// piece after the first starts at the text's own indentation. One layout pass, so that even a
// huge line costs no more than its length.
QStringList WrapToWidth(const QString &text, const QFont &font, QPaintDevice *device, qreal width)
{
    qsizetype indentSize = 0;
    while (indentSize < text.size() && text.at(indentSize) == u' ')
        ++indentSize;
    const QString indent = text.left(indentSize);
    const qreal room = width - QFontMetricsF(font, device).horizontalAdvance(indent);
    QTextLayout layout(text.sliced(indentSize), font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList pieces;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(room, width / 4)); // a page of blanks still gets some text
        pieces.append(indent + layout.text().mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return pieces.isEmpty() ? QStringList{text} : pieces;
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
    const QStringList pieces = WrapToWidth(text, d->painter.font(), d->printer.get(), page.width());
    for (const QString &piece : pieces) {
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

} // namespace platform
