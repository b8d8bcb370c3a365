#include "window/placement.h"

#include <QList>

#include <algorithm>

namespace {

constexpr int Gap = 8; // between the two windows

qint64 AreaOf(const QRect &rect)
{
    return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height();
}

} // namespace

QRect PlaceBeside(const QRect &main, const QRect &keep, QSize size, const QRect &desk)
{
    size = size.boundedTo(desk.size());
    const auto onDesk = [&desk](QRect place) {
        place.moveLeft(std::clamp(place.left(), desk.left(), desk.right() - place.width() + 1));
        place.moveTop(std::clamp(place.top(), desk.top(), desk.bottom() - place.height() + 1));
        return place;
    };
    // Beside it: touching none of it, at the height of its top where that fits.
    const QList<QRect> beside = {
        QRect(QPoint(main.right() + 1 + Gap, main.top()), size),
        QRect(QPoint(main.left() - Gap - size.width(), main.top()), size),
        QRect(QPoint(main.left(), main.bottom() + 1 + Gap), size),
        QRect(QPoint(main.left(), main.top() - Gap - size.height()), size),
    };
    for (const QRect &place : beside) {
        const QRect moved = onDesk(place);
        if (!moved.intersects(main) && (moved.left() == place.left() || moved.top() == place.top()))
            return moved;
    }
    // No room beside it: of the places against the area's edges and corners, and those
    // beside, the one that covers least of what must stay in sight, then of the window.
    QList<QRect> places;
    for (const QRect &place : beside)
        places.append(onDesk(place));
    for (const int x : {desk.left(), desk.right() - size.width() + 1})
        for (const int y : {desk.top(), desk.bottom() - size.height() + 1})
            places.append(QRect(QPoint(x, y), size));
    return *std::min_element(places.cbegin(), places.cend(), [&](const QRect &a, const QRect &b) {
        const auto cost = [&](const QRect &place) {
            return std::pair(AreaOf(place & keep), AreaOf(place & main));
        };
        return cost(a) < cost(b);
    });
}
