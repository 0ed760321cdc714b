#include "placement.h"

#include <algorithm>

namespace common {

QPoint keptOnArea(const QRect &available, const QRect &frame)
{
    const int x = std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y = std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    return {x, y};
}

QPoint centredOnArea(const QRect &available, const QSize &frame)
{
    const QPoint centred(available.left() + (available.width() - frame.width()) / 2,
                         available.top() + (available.height() - frame.height()) / 2);
    return keptOnArea(available, QRect(centred, frame));
}

} // namespace common
