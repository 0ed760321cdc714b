#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tamsel {

// Where the reading window's frame first goes: beside the main window's frame where the
// available area has room (right, else left), otherwise where it covers as little of the title
// lists (`lists`, in screen coordinates) as it can. Always on the available area; a frame larger
// than the area keeps its title bar on it.
QPoint readerPosition(const QRect &available, const QRect &mainFrame, const QSize &readerFrame, const QRect &lists);

} // namespace tamsel
