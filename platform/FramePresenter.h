#pragma once

#include <QImage>

#include <cstdint>
#include <memory>

namespace tavuro {

// Shows the frames of an animation in a native window past the toolkit's painting: a frame is
// one request to the display server and, where the server shares memory with the player, no
// copy through its socket. Everything runs on the GUI thread.
class TFramePresenter {
public:
    virtual ~TFramePresenter() = default;
    // Puts the frame at the window's top-left corner; the frame keeps the size it was made for.
    virtual void Present(const QImage& frame) = 0;
};

// For a native window of the X display Qt runs on, for frames of the given size in
// QImage::Format_RGB32. Null on another platform, or when the window does not take such pixels
// as they are (then the toolkit paints).
std::unique_ptr<TFramePresenter> MakeFramePresenter(std::uint64_t window, QSize frameSize);

} // namespace tavuro
