#pragma once

#include <QPoint>
#include <QWidget>

namespace tavuro {

enum class TDragKind { dkMove, dkSizeBottom };

// Hands a drag with the left button to the window manager, which then moves the window, or sizes
// it from its bottom edge, as the pointer goes (_NET_WM_MOVERESIZE on X11). False where no window
// manager can take it, as on Qt's offscreen platform.
bool StartWindowManagerDrag(QWidget* window, QPoint globalPointer, TDragKind kind);

} // namespace tavuro
