#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace common {

// Window frames (title bar and borders included) placed on a screen's available area. A frame
// larger than the area keeps its top-left corner, and so its title bar, on the area.
QPoint keptOnArea(const QRect &available, const QRect &frame);
QPoint centredOnArea(const QRect &available, const QSize &frame);

} // namespace common
