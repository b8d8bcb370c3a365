#pragma once

#include <QRect>
#include <QSize>

// Where a window of `size` goes beside the main window `main` (its frame, in screen
// coordinates) on the screen's available area `desk`: wholly on that area, beside the main
// window where there is room (right, then left, then below, then above), else where it
// covers the least of `keep` (the part of the main window that must stay in sight) and then
// of the main window. A window larger than the area is made as large as the area.
QRect PlaceBeside(const QRect &main, const QRect &keep, QSize size, const QRect &desk);
