#pragma once

namespace tavuro {

// Reading the desktop's font configuration takes tens of milliseconds, and Qt does it on the GUI
// thread when the window first lays out text. Called before the application object is made,
// this reads it on another thread meanwhile, and Qt then finds it read.
void WarmUpFonts();

} // namespace tavuro
