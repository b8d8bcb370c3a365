// Draws the splash picture: a calendar page and a clock beside the program's name, 685 x 361
// pixels, saved as a 24-bit BMP. Build the target make_splash and run
//   make_splash splash/picture/splash.bmp
// from the source folder to draw it again.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QFont Face(qreal pixels, bool bold = true)
{
    QFont font(u"Arial"_s);
    font.setPixelSize(int(pixels));
    font.setBold(bold);
    return font;
}

void DrawCalendarPage(QPainter &p, const QRectF &page)
{
    // Shadow, page, red band with rings.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(page.translated(6, 8), 10, 10);
    p.setBrush(QColor(252, 252, 248));
    p.drawRoundedRect(page, 10, 10);
    const QRectF band(page.left(), page.top(), page.width(), 52);
    p.setBrush(QColor(178, 34, 34));
    p.drawRoundedRect(band, 10, 10);
    p.drawRect(band.adjusted(0, 20, 0, 0)); // square at the bottom
    p.setPen(QColor(255, 255, 255));
    p.setFont(Face(22));
    p.drawText(band.adjusted(0, 8, 0, 0), Qt::AlignCenter, u"DECEMBER"_s);
    for (int i = 0; i < 4; ++i) {
        const QPointF ring(page.left() + 34 + i * (page.width() - 68) / 3, page.top() + 2);
        p.setPen(QPen(QColor(90, 90, 90), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(ring - QPointF(0, 10), ring + QPointF(0, 10));
    }

    // Weekday letters and a month of days, 1 to 31, starting on a Tuesday.
    const QString weekdays = u"MTWTFSS"_s;
    const qreal cell = (page.width() - 24) / 7;
    const qreal gridTop = band.bottom() + 10;
    p.setFont(Face(12));
    for (int d = 0; d < 7; ++d) {
        p.setPen(d >= 5 ? QColor(178, 34, 34) : QColor(70, 70, 70));
        p.drawText(QRectF(page.left() + 12 + d * cell, gridTop, cell, 16), Qt::AlignCenter,
                   weekdays.mid(d, 1));
    }
    p.setFont(Face(15, false));
    for (int day = 1; day <= 31; ++day) {
        const int slot = day; // the 1st falls on the second column
        const QRectF box(page.left() + 12 + (slot % 7) * cell, gridTop + 20 + (slot / 7) * 30, cell,
                         28);
        if (day == 5 || day == 10 || day == 15 || day == 20 || day == 25 || day == 30) {
            p.setPen(QPen(QColor(0, 150, 0), 2.5));
            p.setBrush(QColor(0, 192, 0, 40));
            p.drawEllipse(box.center(), 13, 12);
        }
        p.setPen((slot % 7) >= 5 ? QColor(178, 34, 34) : QColor(40, 40, 40));
        p.drawText(box, Qt::AlignCenter, QString::number(day));
    }
}

void DrawClock(QPainter &p, const QPointF &centre, qreal radius)
{
    p.setPen(QPen(QColor(0, 192, 0), 5));
    p.setBrush(QColor(64, 64, 64));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(0, 192, 0), 3, Qt::SolidLine, Qt::RoundCap));
    for (int h = 0; h < 12; ++h) {
        const qreal a = h * M_PI / 6;
        const QPointF dir(std::sin(a), -std::cos(a));
        p.drawLine(centre + dir * radius * 0.78, centre + dir * radius * 0.9);
    }
    // Half past ten.
    const auto hand = [&](qreal turns, qreal length, qreal width) {
        const qreal a = turns * 2 * M_PI;
        p.setPen(QPen(QColor(230, 255, 230), width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(centre, centre + QPointF(std::sin(a), -std::cos(a)) * length);
    };
    hand(10.5 / 12, radius * 0.5, 6);
    hand(0.5, radius * 0.75, 4);
    p.setBrush(QColor(0, 192, 0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, 5, 5);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_splash OUTPUT.bmp\n");
        return 2;
    }
    QImage image(685, 361, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, 361);
    sky.setColorAt(0, QColor(24, 58, 94));
    sky.setColorAt(1, QColor(10, 24, 44));
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(470, 120), 320);
    glow.setColorAt(0, QColor(60, 120, 170, 120));
    glow.setColorAt(1, QColor(60, 120, 170, 0));
    p.fillRect(image.rect(), glow);

    DrawCalendarPage(p, QRectF(48, 56, 268, 270));
    DrawClock(p, QPointF(604, 84), 50);

    p.setPen(QColor(255, 255, 255));
    p.setFont(Face(64));
    p.drawText(QRectF(336, 132, 340, 80), Qt::AlignLeft | Qt::AlignVCenter, u"Zentavo"_s);
    p.setPen(QColor(160, 220, 160));
    p.setFont(Face(20, false));
    p.drawText(QRectF(340, 208, 340, 30), Qt::AlignLeft | Qt::AlignVCenter,
               u"your appointment book"_s);
    p.setPen(QPen(QColor(0, 192, 0), 3));
    p.drawLine(QPointF(342, 248), QPointF(640, 248));
    p.setPen(QColor(200, 210, 225));
    p.setFont(Face(15, false));
    p.drawText(
        QRectF(340, 258, 330, 70), Qt::AlignLeft | Qt::TextWordWrap,
        u"Once, daily, weekly, monthly, quarterly or yearly:\nevery day shows what is due."_s);
    p.end();

    // Qt writes an image without alpha as a 24-bit, uncompressed, bottom-up BMP.
    return image.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
