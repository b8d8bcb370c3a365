#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// What every window of the program shares: its name, its face, and the unit its layout is
// drawn in.
namespace platform {

// The name that titles the message boxes and the small windows.
inline QString AppName()
{
    return QStringLiteral("Zentavo");
}

// Arial, bold, at the size given.
inline QFont BoldArial(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// Layouts are drawn in twips: 15 twips are one pixel at 96 dpi.
constexpr int Twips(int twips)
{
    return (twips + 7) / 15;
}

inline QRect Twips(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

} // namespace platform
