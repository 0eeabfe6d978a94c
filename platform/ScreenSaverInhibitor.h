#pragma once

#include <memory>

namespace tavuro {

// Holds the desktop's screen saver off while a video plays: the freedesktop ScreenSaver
// interface on the session bus, or the X11 screen saver extension when there is no bus.
class TScreenSaverInhibitor {
public:
    virtual ~TScreenSaverInhibitor() = default;
    // Inhibits or releases; repeating the current state does nothing. Releasing also happens
    // when the object is destroyed.
    virtual void SetInhibited(bool inhibited) = 0;
    virtual bool Inhibited() const = 0;
};

std::unique_ptr<TScreenSaverInhibitor> MakeDesktopScreenSaverInhibitor();

} // namespace tavuro
