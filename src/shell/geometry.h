// Placing a picture in a rectangle: the video frame, full screen and the scene
// thumbnails. Pure functions; any thread. QRect's right() and bottom() are the last
// pixel inside (left + width - 1), so everything here works with left, top, width and
// height; divisions truncate toward zero.
#pragma once

#include <QRect>

// The control, keeping its size, moved so that it is centred in the area.
QRect CenterControl(const QRect &control, const QRect &area);

// The largest rectangle of proportions width : height that fits in the area, centred
// in it; the empty rectangle at the area's top-left corner when width or height is not
// positive.
QRect FitRect(int width, int height, const QRect &area);
