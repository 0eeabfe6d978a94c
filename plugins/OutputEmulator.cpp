#include "plugins/OutputEmulator.h"

#include "common/Rounding.h"
#include "engine/BassLibrary.h"
#include "platform/Dialogs.h"
#include "plugins/GuiThread.h"
#include "plugins/MessageWindow.h"
#include "plugins/PluginHost.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>

namespace tavuro {

namespace {

using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::uint32_t kPrebufferNearlyFull = 8192; // Free at or below this starts playback
constexpr std::int32_t kNoWaitNearEnd = 2000;        // ms before the end without underrun waits
constexpr auto kUnderrunWait = milliseconds(3000);   // 60 steps of 50 ms
constexpr auto kUnderrunStep = milliseconds(50);
constexpr auto kResumeWait = milliseconds(10000); // 50 steps of 200 ms
constexpr auto kResumeStep = milliseconds(200);
constexpr auto kBusyStep = milliseconds(20);
constexpr QWORD kNoPosition = static_cast<QWORD>(-1);

char kDescription[] = "BASS Winamp output plug-in emulator";

struct TEmulator {
    // Set on the GUI thread while no plug-in runs; read by every thread afterwards.
    const TBassLibrary* Bass = nullptr;
    TDialogs* Dialogs = nullptr;
    Out_Module Module{};
    bool ModuleFilled = false;

    // GUI thread only.
    std::unique_ptr<TMessageWindow> HostWindow;
    TChannelInfo ChannelInfo; // filled when the start-play message is handled, read by the engine

    // Lock protects every field below. It is held only for short bookkeeping and never across a
    // call into the audio library, a message box or the handling of messages. The ring's bytes
    // are not under it: whoever has raised Reading or Writing (a test-and-raise made under Lock)
    // copies them alone. Changed is signalled whenever a field below changes.
    std::mutex Lock;
    std::condition_variable Changed;
    std::unique_ptr<std::uint8_t[]> Ring;
    std::uint32_t ReadPos = 0;
    std::uint32_t WritePos = 0;
    std::uint64_t TotalWritten = 0;
    std::int32_t SampleRate = 0;
    std::int32_t BitsPerSample = 0;
    std::int32_t Channels = 0;
    std::int32_t PrebufferBytes = 0;
    std::int32_t TimeOffset = 0;
    std::int32_t StreamLength = 0;
    HSTREAM StreamHandle = 0;
    TWindowHandle HostWindowHandle = 0;
    TWindowHandle NotifyWindow = 0;
    bool Initialised = false;
    bool Reading = false;
    bool Writing = false;
    bool Prebuffering = false;
    bool EndOfData = false;
    bool ResumeWait = false;
    bool SeekPending = false;
    bool NoSpaceBoxShown = false; // a "No Space" box is waiting or showing
    // Counts opens, flushes and closes, so that a callback that waited across one of them
    // delivers nothing for a position that is gone.
    std::uint32_t Generation = 0;

    std::uint32_t Used() const { return (WritePos + kRingBufferSize - ReadPos) % kRingBufferSize; }
    std::uint32_t Free() const { return kRingBufferSize - Used(); }
    std::int32_t BytesPerSecond() const { return BitsPerSample / 8 * SampleRate * Channels; }
    std::int32_t WrittenTime() const { return WithOffset(ToMilliseconds(TotalWritten)); }
    // A time since the last flush plus the flush's time, held at the ends of the 32-bit range.
    std::int32_t WithOffset(std::int32_t milliseconds) const {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            std::int64_t{milliseconds} + TimeOffset, std::numeric_limits<std::int32_t>::min(),
            std::numeric_limits<std::int32_t>::max()));
    }
    std::int32_t ToMilliseconds(std::uint64_t bytes) const {
        const std::int32_t perSecond = BytesPerSecond();
        if (perSecond <= 0)
            return 0;
        const double exact = static_cast<double>(bytes * 1000) / perSecond;
        return static_cast<std::int32_t>(
            std::min<double>(RoundHalfEven(exact), std::numeric_limits<std::int32_t>::max()));
    }
};

TEmulator& Emulator() {
    static TEmulator emulator;
    return emulator;
}

// Waits under the lock until done() holds, handling the thread's pending messages between steps
// of at most step; gives up at the deadline, if there is one. Wakes early when Changed is
// signalled. Returns whether done() holds.
template <typename TDone>
bool WaitUntil(std::unique_lock<std::mutex>& lock, TClock::duration step,
               std::optional<TClock::time_point> deadline, TDone done) {
    TEmulator& emulator = Emulator();
    while (!done()) {
        const TClock::time_point now = TClock::now();
        if (deadline && now >= *deadline)
            return false;
        lock.unlock();
        ProcessPendingMessages();
        lock.lock();
        if (done())
            break;
        TClock::time_point until = now + step;
        if (deadline)
            until = std::min(until, *deadline);
        emulator.Changed.wait_until(lock, until);
    }
    return true;
}

// Copies length bytes into the ring at position, continuing at offset 0 past its end.
void CopyIntoRing(std::uint8_t* ring, std::uint32_t position, const std::uint8_t* source,
                  std::uint32_t length) {
    const std::uint32_t tail = std::min(length, kRingBufferSize - position);
    std::memcpy(ring + position, source, tail);
    std::memcpy(ring, source + tail, length - tail);
}

void CopyFromRing(const std::uint8_t* ring, std::uint32_t position, std::uint8_t* target,
                  std::uint32_t length) {
    const std::uint32_t tail = std::min(length, kRingBufferSize - position);
    std::memcpy(target, ring + position, tail);
    std::memcpy(target + tail, ring, length - tail);
}

// The boxes the emulator shows. A plug-in's thread never waits for one: the GUI thread may be
// waiting for that very thread (in the plug-in's Stop), so the box is posted to the host window
// and shown there, on the GUI thread, when its turn comes.
enum TBox : std::uintptr_t { bxNoSpace, bxConfig, bxAbout };

void ShowBoxNow(TBox box) {
    TDialogs* dialogs = Emulator().Dialogs;
    if (dialogs == nullptr)
        return;
    switch (box) {
    case bxNoSpace:
        dialogs->ShowMessageWithButtons("Write error : No Space", "Error",
                                        TMessageButtons::mbOkCancel);
        {
            // Cleared once the box is closed: refusals while it shows add no boxes of their own.
            std::lock_guard lock(Emulator().Lock);
            Emulator().NoSpaceBoxShown = false;
        }
        break;
    case bxConfig:
        dialogs->ShowMessage("No configuration is needed.", "Confirm");
        break;
    case bxAbout:
        dialogs->ShowMessage("This is a Winamp output plug-in emulator using BASS", "Confirm");
        break;
    }
}

void ShowBox(TBox box) {
    if (OnGuiThread())
        ShowBoxNow(box);
    else
        PostWindowMessage(GetOutputHostWindow(), kMsgShowBox, box);
}

// Stops and frees a stream. The library guarantees that no callback of it runs afterwards, so
// this must never be called with the lock held: the callback may be waiting for it.
void ReleaseStream(HSTREAM stream) {
    const TBassLibrary& bass = *Emulator().Bass;
    if (bass.BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING)
        bass.BASS_ChannelStop(stream);
    bass.BASS_StreamFree(stream);
}

// Takes the stream out of the state, so that no other operation reaches it, and makes any
// callback still waiting for it give up.
HSTREAM DetachStream() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    const HSTREAM stream = emulator.StreamHandle;
    emulator.StreamHandle = 0;
    ++emulator.Generation;
    emulator.Changed.notify_all();
    return stream;
}

HSTREAM CurrentStream() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    return emulator.StreamHandle;
}

// The audio library's stream procedure, on its feeder thread: fills buffer from the ring.
DWORD StreamCallback(HSTREAM, void* buffer, DWORD length, DWORD_PTR) {
    TEmulator& emulator = Emulator();
    std::unique_lock lock(emulator.Lock);
    const std::uint32_t generation = emulator.Generation;
    auto dataOrEnd = [&] {
        return length <= emulator.Used() || emulator.EndOfData || emulator.Generation != generation;
    };
    // The plug-in is late: wait for its data, unless the stream is about to end anyway.
    if (!dataOrEnd()) {
        const std::int32_t written = emulator.WrittenTime();
        if (written < emulator.StreamLength && emulator.StreamLength - written > kNoWaitNearEnd) {
            WaitUntil(lock, kUnderrunStep, TClock::now() + kUnderrunWait, dataOrEnd);
            emulator.ResumeWait = false;
        }
    }
    // Just resumed: the plug-in may need a while to write again.
    if (emulator.ResumeWait && !dataOrEnd()) {
        WaitUntil(lock, kResumeStep, TClock::now() + kResumeWait, dataOrEnd);
        emulator.ResumeWait = false;
    }
    WaitUntil(lock, kBusyStep, std::nullopt, [&] { return !emulator.Writing; });
    // A flush or close came in meanwhile: what the ring holds now is not for this request.
    if (emulator.Generation != generation || !emulator.Ring)
        return 0;
    emulator.Reading = true;
    const std::uint32_t count = std::min<std::uint32_t>(length, emulator.Used());
    const std::uint32_t position = emulator.ReadPos;
    lock.unlock();
    CopyFromRing(emulator.Ring.get(), position, static_cast<std::uint8_t*>(buffer), count);
    lock.lock();
    emulator.ReadPos = (position + count) % kRingBufferSize;
    // A full delivery means playback has got going again after a resume.
    if (count == length)
        emulator.ResumeWait = false;
    emulator.Reading = false;
    emulator.Changed.notify_all();
    return count == length ? count : count + BASS_STREAMPROC_END;
}

// Out_Module operations, called by the plug-in: Config and About on the GUI thread, the others
// on the thread the plug-in chooses, usually its decoding thread.

void Config(TWindowHandle) {
    ShowBox(bxConfig);
}

void About(TWindowHandle) {
    ShowBox(bxAbout);
}

// Called by the host on the GUI thread: the host window is a GUI-thread object.
void Init() {
    TEmulator& emulator = Emulator();
    if (emulator.HostWindow)
        return;
    emulator.HostWindow = std::make_unique<TMessageWindow>(
        [](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            HostWindowProc(message, wParam, lParam);
        });
    // What a plug-in posts to the main window reaches the host window.
    emulator.Module.hMainWindow = emulator.HostWindow->Handle();
    std::lock_guard lock(emulator.Lock);
    emulator.HostWindowHandle = emulator.HostWindow->Handle();
    emulator.Initialised = true;
    emulator.NoSpaceBoxShown = false; // a box still posted to a window gone at Quit never shows
}

void Quit() {
    TEmulator& emulator = Emulator();
    {
        std::lock_guard lock(emulator.Lock);
        emulator.Initialised = false;
        emulator.HostWindowHandle = 0;
    }
    emulator.HostWindow.reset();
}

int Open(int samplerate, int numchannels, int bitspersamp, int, int) {
    TEmulator& emulator = Emulator();
    {
        std::lock_guard lock(emulator.Lock);
        if (!emulator.Initialised)
            return -1;
    }
    // A plug-in that opens again without closing: its old stream must not drain the ring too.
    if (const HSTREAM old = DetachStream())
        ReleaseStream(old);
    // The library plays 8-bit and 16-bit samples only; anything else would be heard as noise.
    HSTREAM stream = 0;
    if (bitspersamp == 8 || bitspersamp == 16)
        stream = emulator.Bass->BASS_StreamCreate(
            static_cast<DWORD>(samplerate), static_cast<DWORD>(numchannels),
            bitspersamp == 8 ? BASS_SAMPLE_8BITS : 0, StreamCallback, 0);
    TWindowHandle notifyWindow = 0;
    {
        std::lock_guard lock(emulator.Lock);
        if (stream != 0) {
            emulator.SampleRate = samplerate;
            emulator.BitsPerSample = bitspersamp;
            emulator.Channels = numchannels;
            emulator.PrebufferBytes = bitspersamp / 8 * samplerate * numchannels * 2 / 10;
            emulator.TimeOffset = 0;
            emulator.StreamHandle = stream;
            notifyWindow = emulator.NotifyWindow;
        }
        emulator.ReadPos = emulator.WritePos = 0;
        emulator.TotalWritten = 0;
        emulator.Reading = emulator.Writing = false;
        emulator.SeekPending = false;
        emulator.Prebuffering = true;
        emulator.EndOfData = false;
        ++emulator.Generation;
        emulator.Changed.notify_all();
    }
    if (stream == 0)
        return -1;
    if (notifyWindow != 0)
        PostWindowMessage(notifyWindow, kMsgStreamCreated, stream, 0);
    return 0;
}

void Close() {
    if (const HSTREAM stream = DetachStream())
        ReleaseStream(stream);
}

int Write(char* buf, int len) {
    TEmulator& emulator = Emulator();
    if (len < 0 || (len > 0 && buf == nullptr))
        return 1;
    std::unique_lock lock(emulator.Lock);
    // A flush from another thread holds Writing too.
    WaitUntil(lock, kBusyStep, std::nullopt,
              [&] { return !emulator.Reading && !emulator.Writing; });
    // After Quit, or once the host has freed the ring, nothing more is taken.
    if (!emulator.Ring || !emulator.Initialised)
        return 1;
    emulator.Writing = true;
    const auto length = static_cast<std::uint32_t>(len);
    const bool accepted = length < emulator.Free();
    const std::uint32_t position = emulator.WritePos;
    if (accepted) {
        lock.unlock();
        CopyIntoRing(emulator.Ring.get(), position, reinterpret_cast<std::uint8_t*>(buf), length);
        lock.lock();
        emulator.WritePos = (position + length) % kRingBufferSize;
        emulator.TotalWritten += length;
    }
    emulator.Writing = false;
    emulator.Changed.notify_all();
    bool startPlay = false;
    if (emulator.Prebuffering && (emulator.Free() <= kPrebufferNearlyFull ||
                                  emulator.Used() >= 2u * emulator.PrebufferBytes)) {
        emulator.Prebuffering = false;
        startPlay = emulator.StreamHandle != 0;
    }
    const TWindowHandle hostWindow = emulator.HostWindowHandle;
    const bool box = !accepted && !std::exchange(emulator.NoSpaceBoxShown, true);
    lock.unlock();
    // Playback starts on the GUI thread, where the host window handles this.
    if (startPlay)
        PostWindowMessage(hostWindow, kMsgStartPlay, 0,
                          reinterpret_cast<std::intptr_t>(&emulator.ChannelInfo));
    // Shown once the ring is free again, so the stream goes on draining while the box is up.
    if (box)
        ShowBox(bxNoSpace);
    return accepted ? 0 : 1;
}

int CanWrite() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    if (emulator.Reading || !emulator.Ring || !emulator.Initialised)
        return 0;
    return static_cast<int>(emulator.Free() - 1);
}

int IsPlaying() {
    return Emulator().Bass->BASS_ChannelIsActive(CurrentStream()) == BASS_ACTIVE_PLAYING ? 1 : 0;
}

int Pause(int pause) {
    TEmulator& emulator = Emulator();
    const TBassLibrary& bass = *emulator.Bass;
    std::unique_lock lock(emulator.Lock);
    const HSTREAM stream = emulator.StreamHandle;
    // A stopped stream that is still prebuffering is started by the start-play message instead.
    const bool restartable = !emulator.Prebuffering;
    lock.unlock();
    const DWORD state = bass.BASS_ChannelIsActive(stream);
    const bool wasPaused = state == BASS_ACTIVE_PAUSED;
    if (pause != 0) {
        if (!wasPaused)
            bass.BASS_ChannelPause(stream);
        return wasPaused ? 1 : 0;
    }
    // Resuming a playing stream would only throw away what the library buffered.
    if (!wasPaused && (state != BASS_ACTIVE_STOPPED || !restartable))
        return 0;
    lock.lock();
    emulator.ResumeWait = true;
    lock.unlock();
    if (wasPaused)
        bass.BASS_ChannelResume(stream);
    else
        bass.BASS_StreamPlay(stream, TRUE, 0); // after a flush made while paused
    return wasPaused ? 1 : 0;
}

void SetVolume(int volume) {
    // The library's global stream volume takes the value as it is.
    Emulator().Bass->BASS_SetConfig(BASS_CONFIG_GVOL_STREAM,
                                    static_cast<DWORD>(std::clamp(volume, 0, 255)));
}

void SetPan(int pan) {
    // -128..128 becomes -100..100.
    const auto libraryPan = static_cast<int>(RoundHalfEven(pan * 0.78125));
    Emulator().Bass->BASS_ChannelSetAttributes(CurrentStream(), -1, -1, libraryPan);
}

void Flush(int t) {
    TEmulator& emulator = Emulator();
    const TBassLibrary& bass = *emulator.Bass;
    std::unique_lock lock(emulator.Lock);
    const HSTREAM stream = emulator.StreamHandle;
    const bool seekPending = emulator.SeekPending;
    lock.unlock();
    const DWORD state = bass.BASS_ChannelIsActive(stream);
    const bool restart = state == BASS_ACTIVE_PLAYING || state == BASS_ACTIVE_STALLED;
    if (state == BASS_ACTIVE_PAUSED && !seekPending)
        return;
    // Holding the writer's flag keeps the callback from copying while the ring is reset.
    lock.lock();
    WaitUntil(lock, kBusyStep, std::nullopt,
              [&] { return !emulator.Reading && !emulator.Writing; });
    emulator.Writing = true;
    ++emulator.Generation;
    emulator.Changed.notify_all();
    lock.unlock();
    bass.BASS_ChannelStop(stream);
    lock.lock();
    if (restart)
        emulator.Prebuffering = true;
    emulator.TimeOffset = t;
    emulator.ReadPos = emulator.WritePos = 0;
    emulator.TotalWritten = 0;
    emulator.Writing = false;
    emulator.SeekPending = false;
    ++emulator.Generation;
    emulator.Changed.notify_all();
}

int GetOutputTime() {
    TEmulator& emulator = Emulator();
    QWORD played = emulator.Bass->BASS_ChannelGetPosition(CurrentStream());
    if (played == kNoPosition)
        played = 0;
    std::lock_guard lock(emulator.Lock);
    return emulator.WithOffset(emulator.ToMilliseconds(played));
}

int GetWrittenTime() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    return emulator.WrittenTime();
}

// The start-play message: start the stream and tell the engine the format.
void HandleStartPlay(std::uintptr_t wParam, std::intptr_t lParam) {
    TEmulator& emulator = Emulator();
    HSTREAM stream = 0;
    TWindowHandle notifyWindow = 0;
    {
        std::lock_guard lock(emulator.Lock);
        emulator.ChannelInfo.BitsPerSample = static_cast<std::uint16_t>(emulator.BitsPerSample);
        emulator.ChannelInfo.SampleRate = emulator.SampleRate;
        emulator.ChannelInfo.Channels = static_cast<std::uint16_t>(emulator.Channels);
        emulator.ChannelInfo.Length = emulator.StreamLength;
        emulator.ResumeWait = false;
        stream = emulator.StreamHandle;
        notifyWindow = emulator.NotifyWindow;
    }
    emulator.Bass->BASS_StreamPlay(stream, FALSE, 0);
    if (notifyWindow != 0)
        PostWindowMessage(notifyWindow, kMsgStartPlay, wParam, lParam);
}

void HandlePlaybackEnd() {
    TEmulator& emulator = Emulator();
    TWindowHandle notifyWindow = 0;
    {
        std::lock_guard lock(emulator.Lock);
        emulator.EndOfData = true;
        notifyWindow = emulator.NotifyWindow;
        emulator.Changed.notify_all();
    }
    if (notifyWindow != 0)
        PostWindowMessage(notifyWindow, kMsgPlaybackEnd);
}

} // namespace

std::intptr_t HostWindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case kMsgPlaybackEnd:
        HandlePlaybackEnd();
        return 0;
    case kMsgStartPlay:
        HandleStartPlay(wParam, lParam);
        return 0;
    case kMsgPluginStopped:
        SelectPlugin(-1);
        return 0;
    case kMsgShowBox:
        ShowBoxNow(static_cast<TBox>(wParam));
        return 0;
    case kMsgEndSessionQuery:
        return 1;
    default:
        return 0;
    }
}

bool ReserveRingBuffer() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    if (!emulator.Ring)
        emulator.Ring.reset(new (std::nothrow) std::uint8_t[kRingBufferSize]);
    return emulator.Ring != nullptr;
}

void FillOutputModule(const TBassLibrary& bass, TDialogs& dialogs) {
    TEmulator& emulator = Emulator();
    emulator.Bass = &bass;
    emulator.Dialogs = &dialogs;
    Out_Module& module = emulator.Module;
    module.version = 16;
    module.description = kDescription;
    module.id = 65537;
    module.hMainWindow = emulator.HostWindow ? emulator.HostWindow->Handle() : 0;
    module.hDllInstance = nullptr;
    module.Config = Config;
    module.About = About;
    module.Init = Init;
    module.Quit = Quit;
    module.Open = Open;
    module.Close = Close;
    module.Write = Write;
    module.CanWrite = CanWrite;
    module.IsPlaying = IsPlaying;
    module.Pause = Pause;
    module.SetVolume = SetVolume;
    module.SetPan = SetPan;
    module.Flush = Flush;
    module.GetOutputTime = GetOutputTime;
    module.GetWrittenTime = GetWrittenTime;
    emulator.ModuleFilled = true;
}

Out_Module* GetOutputModule() {
    TEmulator& emulator = Emulator();
    return emulator.ModuleFilled ? &emulator.Module : nullptr;
}

void FreeRingBuffer() {
    TEmulator& emulator = Emulator();
    if (emulator.ModuleFilled)
        Close(); // no callback may read the ring once it is gone
    std::unique_lock lock(emulator.Lock);
    // Nor may a writer still copying into it (a plug-in thread writing after Quit).
    WaitUntil(lock, kBusyStep, std::nullopt,
              [&] { return !emulator.Reading && !emulator.Writing; });
    emulator.Ring.reset();
    emulator.ModuleFilled = false;
}

TWindowHandle GetOutputHostWindow() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    return emulator.HostWindowHandle;
}

void SetOutputNotifyWindow(TWindowHandle window) {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    emulator.NotifyWindow = window;
}

void SetOutputStreamLength(std::int32_t milliseconds) {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    emulator.StreamLength = milliseconds;
}

void SetOutputSeekPending() {
    TEmulator& emulator = Emulator();
    std::lock_guard lock(emulator.Lock);
    emulator.SeekPending = true;
}

} // namespace tavuro
