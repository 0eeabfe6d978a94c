#pragma once

#include "platform/ScreenSaverInhibitor.h"

namespace tavuro {

// The desktop's screen saver as a flag the test can read.
class TFakeScreenSaver : public TScreenSaverInhibitor {
public:
    void SetInhibited(bool inhibited) override { IsInhibited = inhibited; }
    bool Inhibited() const override { return IsInhibited; }

private:
    bool IsInhibited = false;
};

} // namespace tavuro
