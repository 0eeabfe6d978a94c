#pragma once

#include <string>

namespace tavuro {

// The media player control as the shell uses it: the members of the embedded player control,
// with their meanings and units. `TNSPlay` is the real one; tests use a fake.
class TMediaControl {
public:
    virtual ~TMediaControl() = default;

    // Path or URL of the open clip; empty when nothing is open.
    virtual std::string FileName() const = 0;
    // Opens a clip (not yet playing); the empty string closes it.
    virtual void SetFileName(const std::string& fileName) = 0;
    // Elapsed seconds.
    virtual double CurrentPosition() const = 0;
    // Seeks to the given second; -1.0 right after opening means "from the beginning".
    virtual void SetCurrentPosition(double seconds) = 0;
    // Length in seconds, 0 when not known.
    virtual double Duration() const = 0;
    // Picture size; below 1 means the clip has no picture (album art does not count).
    virtual int ImageSourceWidth() const = 0;
    virtual int ImageSourceHeight() const = 0;
    // 2 means double size.
    virtual int DisplaySize() const = 0;
    virtual void SetDisplaySize(int displaySize) = 0;
    virtual bool CanSeek() const = 0;
    // 0 stopped, 1 paused, 2 playing.
    virtual int PlayState() const = 0;
    // Starts playing the opened clip; false where the control would raise an error (a missing
    // file, a file no decoder opens, an address not reached in time).
    virtual bool Play() = 0;
    // Holds the playing clip where it is (PlayState 1); Play lets it go on from there.
    virtual void Pause() = 0;
    // Loudness from 0 to 1 for this clip and every later one.
    virtual void SetVolume(double level) = 0;
    // The control's bounds inside its panel.
    virtual void SetBounds(int x, int y, int width, int height) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

} // namespace tavuro
