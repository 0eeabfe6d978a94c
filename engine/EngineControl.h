#pragma once

#include "common/BandOut.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tavuro {

// The engine's play state.
enum TPlayerState : std::uint8_t {
    psNone = 0,    // nothing open
    psReady = 1,   // opened, never played
    psStopped = 2, // stopped or played to the end
    psPlaying = 3,
};

// The in-process audio engine as the shell uses it. It exists only when the audio library
// lies in the program folder; the shell creates it at window show and frees it at close.
// Times are 32-bit milliseconds.
class TEngineControl {
public:
    virtual ~TEngineControl() = default;

    // The library loaded and the output device opened; when false the program closes.
    virtual bool BassReady() const = 0;
    // Opens a file or network address; false when it cannot be played in-process.
    virtual bool Open(const std::string& path) = 0;
    // Whether the last Open failed because nothing answered at the network address (refused,
    // unreachable, silent, or no answer within the network timeout): every other way to the
    // same host and port would fail as well.
    virtual bool AddressDidNotAnswer() const { return false; }
    virtual void Play() = 0;
    virtual void Close() = 0;
    virtual std::uint32_t GetLength() const = 0;
    virtual std::uint32_t GetPosition() const = 0;
    virtual void SetPosition(std::uint32_t milliseconds) = 0;
    virtual bool CanSeek() const = 0;
    virtual TPlayerState PlayerState() const = 0;
    // Holds the playing channel where it is (its state stays psPlaying); false where the channel
    // cannot pause.
    virtual bool Pause() = 0;
    // Lets a paused channel play on from where it was held. False when it was not paused, or when
    // it cannot go on from there (a live stream held longer than its buffer lasts): the caller
    // opens it anew.
    virtual bool Resume() = 0;
    virtual bool Paused() const = 0;
    // Loudness from 0 to 1 for this channel and every later one.
    virtual void SetVolume(double level) = 0;
    // Called on the GUI thread with new band levels while engine audio plays (every 25 ms).
    virtual void SetSpectrumHandler(std::function<void(TBandOut& bandOut)> handler) = 0;
    // The title a network stream's metadata gave last (for a local file its tag's title);
    // empty when there is none.
    virtual std::string StreamTitle() const { return {}; }
    // Called on the GUI thread whenever the stream's metadata brings a new title.
    virtual void SetStreamTitleHandler(std::function<void(const std::string& title)> /*handler*/) {}
    // Called on the GUI thread when a network file has been downloaded whole; GetLength then
    // tells its true length, also where the server told none.
    virtual void SetDownloadHandler(std::function<void()> /*handler*/) {}
};

} // namespace tavuro
