#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

#include <functional>

class QWidget;

namespace common {

// A fixed dialog frame: a title bar with a close button, no resizing, no minimise or maximise
// button. Combined with Qt::Window or Qt::Dialog.
constexpr Qt::WindowFlags kFixedFrame = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                                        | Qt::MSWindowsFixedSizeDialogHint;

// Where a window's frame goes, given the frame as it will be (position not yet decided) and
// the available area of its screen.
using FramePlacement = std::function<QPoint(const QRect &frame, const QRect &available)>;

// Places `window` by its frame when it is first shown. The frame is only known once the window
// manager has decorated the window: until then the margins of another decorated window of the
// program stand in, and the window is placed again once when the real ones differ.
void placeByFrame(QWidget *window, FramePlacement placement);
// Centred on its screen's available area by its frame, the title bar on the area.
void centreByFrame(QWidget *window);
// The margins of the window manager's frame around `window`; empty while they are unknown.
QMargins frameMargins(const QWidget *window);
// Runs `work` once, queued behind the window's first paint, so that what it does is not waited
// for before the window is seen. A window not painted within `latestMs` (hidden, minimised,
// no screen) has it run then. Nothing runs once the window is gone.
void afterFirstPaint(QWidget *window, std::function<void()> work, int latestMs = 500);

} // namespace common
