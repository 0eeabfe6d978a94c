#pragma once

#include "common/BandOut.h"
#include "engine/BassLibrary.h"
#include "engine/BassWmaLibrary.h"
#include "engine/Connects.h"
#include "engine/EngineControl.h"
#include "plugins/ChannelInfo.h"
#include "plugins/WindowHandle.h"
#include "readers/MPEGaudio.h"
#include "readers/StreamFacts.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

struct In_Module;

namespace tavuro {

class TDialogs;
class TMessageWindow;
class TSharedMemory;

enum TChannelKind : std::uint8_t { ckNone, ckStream, ckWmaStream, ckMusic, ckPlugin };

// Who can play a local file.
enum TPlayableBy { pbBoth, pbBassOnly, pbPluginOnly, pbNobody };

// Notices posted to the engine's message window.
enum TEngineMessage : std::uint32_t {
    kMsgQueryEndSession = 17,
    kMsgPluginEnd = WM_USER + 2,          // the plug-in's end of playback, passed on by the host
    kMsgPluginStartPlay = WM_USER + 101,  // the output emulator started; lParam: PChannelInfo
    kMsgPluginStream = WM_USER + 105,     // the output emulator's stream; wParam: its handle
    kMsgStreamEnd = WM_USER + 107,        // end sync
    kMsgNewFFTData = WM_USER + 108,       // new band levels
    kMsgStreamMeta = WM_USER + 110,       // metadata sync; lParam: the title text
    kMsgDownloadComplete = WM_USER + 111, // download sync
};

// The in-process audio engine: the audio library's output device and one open channel at a time,
// from a local file, a network address or an input plug-in, with its length, position, metadata,
// end notice and spectrum levels. Everything runs on the GUI thread; the library's threads only
// post notices to the engine's message window.
class TAudioEngine : public QObject, public TEngineControl {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TAudioEngine* sender)>;
    using TNotifyPluginEvent = std::function<void(TAudioEngine* sender, PChannelInfo info)>;
    using TNotifyNetEvent = std::function<void(TAudioEngine* sender, const std::string& content)>;
    using TNotifyNewFFTDataEvent = std::function<void(TAudioEngine* sender, TBandOut& bandOut)>;

    // Loads the libraries from programDirectory (with its trailing "/") and opens the output
    // device; never throws: BassReady tells whether it worked. Messages go through dialogs.
    TAudioEngine(TDialogs& dialogs, std::string programDirectory, QObject* owner = nullptr,
                 void* applicationWindow = nullptr);
    ~TAudioEngine() override;

    // Published.
    const std::string& Version() const { return VersionText; }
    const std::string& BASSDLLVer() const { return LibraryVersionText; }
    bool PluginFirst = false;
    TNotifyNewFFTDataEvent OnNewFFTData;
    TNotifyPluginEvent OnPluginStartPlay;
    TNotifyPluginEvent OnGetChannelInfo;
    TNotifyNetEvent OnGetMeta;
    TNotifyNetEvent OnDownloaded;
    TNotifyEvent OnPlayEnd;

    bool BassReady() const override { return IsBassReady; }
    bool WmaReady() const { return IsWmaReady; }

    bool Open(const std::string& name) override;
    bool AddressDidNotAnswer() const override { return NothingAnswered; }
    void Play() override;
    void Close() override;
    void Stop();
    void Restart();
    std::uint32_t GetLength() const override;
    std::uint32_t GetPosition() const override;
    void SetPosition(std::uint32_t milliseconds) override;
    bool CanSeek() const override;
    TPlayerState PlayerState() const override { return State; }
    bool Pause() override;
    bool Resume() override;
    bool Paused() const override { return IsPaused; }
    void SetVolume(double level) override;
    void SetSpectrumHandler(std::function<void(TBandOut& bandOut)> handler) override {
        OnNewFFTData = [handler = std::move(handler)](TAudioEngine*, TBandOut& bandOut) {
            handler(bandOut);
        };
    }
    std::string StreamTitle() const override { return Info.Title; }
    void SetStreamTitleHandler(std::function<void(const std::string& title)> handler) override {
        OnGetMeta = nullptr;
        if (handler)
            OnGetMeta = [handler = std::move(handler)](TAudioEngine*, const std::string& title) {
                handler(title);
            };
    }

    void SetDownloadHandler(std::function<void()> handler) override {
        OnDownloaded = nullptr;
        if (handler)
            OnDownloaded = [handler = std::move(handler)](TAudioEngine*, const std::string&) {
                handler();
            };
    }

    // What a local file is and who can play it; true when it was recognised.
    bool GetStreamInfo(const std::string& name, TStreamInfo& info, int& pluginSlot,
                       TPlayableBy& playable);

    const TStreamInfo& StreamInfo() const { return Info; }
    TChannelKind ChannelKind() const { return Kind; }
    const TBandOut& BandOut() const { return Bands; }
    TWindowHandle MessageWindowHandle() const;
    bool VisTimerActive() const { return VisTimer.isActive(); }
    void* SharedView() const { return View; }

    // Handles every notice already queued for the GUI thread, without waiting.
    static void ProcessPendingMessages();

private:
    void CreateSharedMemory();
    bool OpenLocal(const std::string& name, int pluginSlot, TPlayableBy playable);
    bool OpenUrl(const std::string& url, TStreamInfo& info);
    // The library's stream of an address, else the WMA add-on's: the channel (0 when neither
    // opens it) and its kind; nothing when the connect was given up meanwhile. An address where
    // nothing answered the library within its timeout is not tried again through the add-on.
    std::optional<std::pair<DWORD, TChannelKind>> Connect(const std::string& url);
    void ReadNetFileFacts(const std::string& url, const std::string& extension, TStreamInfo& info);
    void ReadLiveStreamFacts(TStreamInfo& info);
    void ReleaseChannel();
    void SelectPluginSlot(int slot);
    bool StartChannel(bool firstPlay);
    bool StartPlugin(bool firstPlay);
    void StartVisTimer();
    void ShowMessage(const std::string& text, bool error = false);

    void HandleMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void HandlePluginEnd();
    void HandlePluginStartPlay(PChannelInfo info);
    void HandleDownloadComplete();
    void VisTimerTick();

    TDialogs& Dialogs;
    std::string ProgramDirectory;
    void* ApplicationWindow;

    TSharedMemory* SharedMemory = nullptr;
    void* View = nullptr;
    QTimer VisTimer;
    TChannelKind Kind = ckNone;
    std::uint32_t Channel = 0;
    BASS_CHANNELINFO ChannelInfo{};
    TMessageWindow* MessageWindow = nullptr;
    In_Module* PluginModule = nullptr;
    TWindowHandle PluginHostWindow = 0;
    bool Starting = false;
    bool EmulatorInUse = false;
    TBassLibrary Bass;
    TBassWmaLibrary BassWma;
    TConnects Connects; // declared after the libraries, so its workers end before they unload
    TBandOut Bands{};
    bool NetFile = false;
    bool LiveStream = false;
    bool NothingAnswered = false; // the last Open's address was refused or silent
    TMPEGaudio MpegReader; // decodes the tags of a downloaded net file
    bool IsBassReady = false;
    bool IsWmaReady = false;
    int PluginIndex = -1;
    const std::string VersionText = "1.5";
    std::string LibraryVersionText;
    std::string FileName;
    bool DownloadComplete = false;
    TStreamInfo Info;
    TPlayerState State = psNone;
    bool IsPaused = false;
    std::chrono::steady_clock::time_point PausedSince;
    int VolumePercent = 100; // the channel attribute's scale
};

} // namespace tavuro
