#pragma once

#include "desktop/MediaControl.h"
#include "desktop/MidiPlayer.h"

#include <QWidget>

#include <chrono>
#include <cstdint>
#include <string>

class QEventLoop;
struct mpv_handle;

namespace tavuro {

struct TMpvLibrary;

// The media player control `Player`: audio, video and network media through libmpv, drawn into
// this widget's native window; MIDI files through the synthesiser of TMidiPlayer.
//
// Opening waits until the clip is loaded or has failed, and lets the GUI's events run meanwhile
// (a network address may take seconds): a caller must expect its own handlers to run inside
// SetFileName and Play. mpv signals from its own threads only by a queued call to this widget.
//
// TAVURO_NULL_OUTPUT=1 selects null audio and video outputs (and SDL's dummy driver for MIDI);
// TAVURO_NULL_OUTPUT=audio the null audio output alone, so that the picture still shows.
class TNSPlay : public QWidget, public TMediaControl {
    Q_OBJECT
public:
    explicit TNSPlay(QWidget* parent);
    ~TNSPlay() override;

    std::string FileName() const override;
    void SetFileName(const std::string& fileName) override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    double Duration() const override;
    int ImageSourceWidth() const override;
    int ImageSourceHeight() const override;
    int DisplaySize() const override;
    void SetDisplaySize(int displaySize) override;
    bool CanSeek() const override;
    int PlayState() const override;
    bool Play() override;
    void Pause() override;
    void SetVolume(double level) override;
    void SetBounds(int x, int y, int width, int height) override;
    int Width() const override;
    int Height() const override;

    // How long a network address may take to open, in seconds (10 unless changed); a live
    // stream paused longer than this is opened anew when it resumes.
    void SetNetworkTimeout(double seconds);

private:
    enum class TClipState { csNone, csLoading, csReady, csFailed, csEnded };
    struct TPictureSize {
        int Width = 0, Height = 0;
    };

    bool CreateMpv();
    bool MpvFailed = false; // libmpv could not be started; it is not tried again
    void FlushToDisplay();
    void CloseClip();
    void LoadIntoMpv(const std::string& path);
    void WaitWhileLoading(double seconds);
    void HandleMpvEvents();
    void ReportOutputFailure();
    bool LiveStreamHeldTooLong() const;
    TPictureSize PictureSize() const;
    bool HasTrack(const char* type) const; // "audio", "video"
    bool PropertyAvailable(const char* name) const;
    double DoubleProperty(const char* name) const;
    int IntegerProperty(const char* name) const;
    bool FlagProperty(const char* name) const;
    void SetFlagProperty(const char* name, bool value);
    static void WakeUp(void* self);

    const TMpvLibrary* Lib = nullptr; // libmpv, loaded with the first clip
    mpv_handle* Mpv = nullptr;
    TMidiPlayer Midi;
    std::string CurrentFile;
    bool IsMidi = false;
    TClipState Clip = TClipState::csNone;
    bool Started = false;           // Play succeeded since the clip was opened
    bool OutputFailed = false;      // the clip ended: no sound device could be opened for it
    bool OutputTold = false;        // that failure is on standard error already
    double StartedLength = 0.0;     // the clip's length when it was started
    std::int64_t ClipEntry = 0;     // mpv's playlist entry of the open clip
    std::int64_t StartedEntry = 0;  // the entry mpv last began to load
    unsigned OpenCount = 0;         // tells a superseded wait from the current one
    QEventLoop* LoadWait = nullptr; // the running wait for a clip to load, if any
    int Display = 0;
    double NetworkTimeout = 10.0;
    std::chrono::steady_clock::time_point PausedAt;
    double Volume = 1.0;
};

} // namespace tavuro
