#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vx::app {

// Where a dialog of outer size `size` goes when it is centred on the pointer: half its size up and
// left of the pointer (halves rounded toward zero), then moved inside `screen` (the screen under
// the pointer, in global coordinates) in this order: a left edge left of the screen becomes the
// screen's left, one whose right edge would reach past the screen is moved back so that it ends
// at the screen's right; the same for top and bottom. A dialog larger than the screen therefore
// keeps its right or bottom edge on the screen.
QPoint placeAtPointer(const QPoint& pointer, const QSize& size, const QRect& screen);

// The top-left corner that centres `size` over `area` (halves rounded toward zero).
QPoint centredOver(const QRect& area, const QSize& size);

} // namespace vx::app
