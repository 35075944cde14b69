#include "app/DialogGeometry.h"

namespace vx::app {

QPoint placeAtPointer(const QPoint& pointer, const QSize& size, const QRect& screen)
{
    int left = pointer.x() - size.width() / 2;
    int top = pointer.y() - size.height() / 2;
    const int screenRight = screen.x() + screen.width();
    const int screenBottom = screen.y() + screen.height();
    if (left < screen.x())
        left = screen.x();
    if (screenRight <= left + size.width())
        left = screenRight - size.width();
    if (top < screen.y())
        top = screen.y();
    if (screenBottom <= top + size.height())
        top = screenBottom - size.height();
    return {left, top};
}

QPoint centredOver(const QRect& area, const QSize& size)
{
    return {area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2};
}

} // namespace vx::app
