#pragma once

namespace tavuro {

// The audio library loads FFmpeg with its first stream. A start that plays at once calls this:
// the system then loads those libraries on another thread while the window is being made, and
// the first stream finds them loaded, so the first sound comes sooner.
void WarmUpDecoders();

} // namespace tavuro
