#include "app/WindowFit.h"

#include <algorithm>

WindowFit fitWindow(QSize designed, QSize needed, QRect available)
{
    const QSize want = designed.expandedTo(needed);
    if (available.isEmpty())
        return {want, needed};
    const QSize room(available.width() - kFrameRoom, available.height() - kTitleBarRoom);
    QSize size = want.boundedTo(room);
    // Cut short, it grows wider where it can: its texts wrap into fewer lines, the display keeps more room.
    if (size.height() < want.height())
        size.setWidth(std::min(room.width(), want.width() + want.height() - size.height()));
    return {size.expandedTo(needed), needed};
}
