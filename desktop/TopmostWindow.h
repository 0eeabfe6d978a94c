#pragma once

#include <QWidget>

namespace tavuro {

// The window manager's above state of a top-level window (_NET_WM_STATE_ABOVE on X11). A
// window already on screen changes its state in place and is not created again.
void SetKeptAbove(QWidget* window, bool above);
bool KeptAbove(const QWidget* window);

} // namespace tavuro
