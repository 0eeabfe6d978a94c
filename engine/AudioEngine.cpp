#include "engine/AudioEngine.h"

#include "common/FilePath.h"
#include "common/Rounding.h"
#include "common/Text.h"
#include "engine/SharedMemory.h"
#include "engine/StreamTitles.h"
#include "engine/VisBands.h"
#include "platform/Dialogs.h"
#include "platform/Translations.h"
#include "plugins/MessageWindow.h"
#include "plugins/PluginHost.h"
#include "plugins/Winamp.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace tavuro {

namespace {

constexpr const char* kMessageCaption = QT_TRANSLATE_NOOP("TAudioEngine", "提示");
constexpr int kVisInterval = 25; // ms
constexpr DWORD kUnknownFileSize = 0xFFFFFFFF;
constexpr QWORD kNoBytes = static_cast<QWORD>(-1);
constexpr DWORD kNoData = static_cast<DWORD>(-1);
// How long destruction waits for a playing channel to stop before it gives up.
constexpr auto kStopWait = std::chrono::seconds(3);

// The sync callbacks run on the library's threads: they only post a notice to the message window
// whose handle is their user value.
void EndSyncCallback(HSYNC, DWORD, DWORD_PTR, DWORD_PTR user) {
    PostWindowMessage(user, kMsgStreamEnd);
}

void DownloadSyncCallback(HSYNC, DWORD, DWORD_PTR, DWORD_PTR user) {
    PostWindowMessage(user, kMsgDownloadComplete);
}

void MetaSyncCallback(HSYNC, DWORD, DWORD_PTR data, DWORD_PTR user) {
    PostWindowText(user, kMsgStreamMeta, 0, MetadataTitle(reinterpret_cast<const char*>(data)));
}

bool IsHttpUrl(const std::string& name) {
    return name.starts_with("http://") || name.starts_with("https://");
}

bool IsUrl(const std::string& name) {
    // Exact and case-sensitive: "HTTP://..." goes the local-file way.
    return IsHttpUrl(name) || name.starts_with("mmst://") || name.starts_with("ftp://") ||
           name.starts_with("mms://");
}

bool IsNetFileExtension(const std::string& extension) {
    for (const char* known : {".MP3", ".MP2", ".MP1", ".OGG", ".WAV", ".WMA", ".ASF", ".FLAC",
                              ".OPUS", ".OGA", ".M4A", ".AAC"})
        if (extension == known)
            return true;
    return false;
}

// A plug-in's title buffer holds at most its 256 bytes, with or without a NUL at the end.
std::string PluginTitle(const std::array<char, 256>& title) {
    return std::string(title.data(), strnlen(title.data(), title.size()));
}

// The whole ID3v2 block the library keeps: its header, its synchsafe size and a footer when
// flagged. The library keeps only blocks that are whole, so the header's 10 bytes are there.
std::size_t Id3v2BlockSize(const std::uint8_t* header) {
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i)
        size = size << 7 | (header[i] & 0x7F);
    return 10 + size + ((header[5] & 0x10) ? 10 : 0);
}

std::int32_t RoundMilliseconds(double seconds) {
    return static_cast<std::int32_t>(RoundHalfEven(seconds * 1000.0));
}

} // namespace

TAudioEngine::TAudioEngine(TDialogs& dialogs, std::string programDirectory, QObject* owner,
                           void* applicationWindow)
    : QObject(owner), Dialogs(dialogs), ProgramDirectory(std::move(programDirectory)),
      ApplicationWindow(applicationWindow) {
    Info = ClearedStreamInfo("");
    MessageWindow =
        new TMessageWindow([this](std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) { HandleMessage(message, wParam, lParam); },
                           this);
    SetNotifyWindow(MessageWindow->Handle());
    VisTimer.setInterval(kVisInterval);
    connect(&VisTimer, &QTimer::timeout, this, &TAudioEngine::VisTimerTick);

    if (!Bass.LoadBassLibrary(ProgramDirectory + "libbass.so"))
        return;
    if (Bass.BASS_GetVersion() != BASS_VERSION_VALUE) {
        ShowMessage(TranslateUtf8("TAudioEngine", "BASS version is not 2.0 !"));
        return;
    }
    if (!Bass.BASS_Init(1, 44100, 0, ApplicationWindow, nullptr)) {
        ShowMessage(TranslateUtf8("TAudioEngine", "声卡未安装或者被占用,不能运行!"));
        return;
    }
    IsBassReady = true;
    const DWORD version = Bass.BASS_GetVersion();
    LibraryVersionText = std::to_string(version & 0xFFFF) + "." + std::to_string(version >> 16);
    IsWmaReady = BassWma.LoadBassWmaLibrary(ProgramDirectory + "libbasswma.so");
    InitPluginHost(Bass, Dialogs);
    PluginHostWindow = GetHostWindow();
    CreateSharedMemory();
}

void TAudioEngine::CreateSharedMemory() {
    SharedMemory = new TSharedMemory(this);
    SharedMemory->ShareName = "VisOutSharedMemory";
    SharedMemory->Size = 2600;
    SharedMemory->SetTargetApplication("VisOut");
    if (SharedMemory->OpenMap())
        View = SharedMemory->MapView();
}

TAudioEngine::~TAudioEngine() {
    Connects.GiveUpAll();
    if (Kind == ckPlugin) {
        if (Channel != 0 && PluginModule != nullptr)
            PluginModule->Stop();
    } else if (State == psPlaying) {
        Stop();
    }
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    while (Bass.Loaded() && Bass.BASS_ChannelIsActive(Channel) == BASS_ACTIVE_PLAYING &&
           std::chrono::steady_clock::now() < deadline) {
        ProcessPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    VisTimer.stop();
    if (IsBassReady)
        QuitPluginHost();
    delete MessageWindow;
    MessageWindow = nullptr;
    if (SharedMemory != nullptr) {
        if (View != nullptr)
            SharedMemory->UnmapView(View);
        SharedMemory->CloseMap();
        delete SharedMemory;
    }
    // A connect given up may still wait for a server: freeing the library makes it give up.
    if (Connects.Busy())
        Bass.BASS_Free();
    Connects.JoinAll();
    Bass.UnloadBassLibrary();
    if (IsWmaReady)
        BassWma.UnloadBassWmaLibrary();
}

TWindowHandle TAudioEngine::MessageWindowHandle() const {
    return MessageWindow != nullptr ? MessageWindow->Handle() : 0;
}

void TAudioEngine::ShowMessage(const std::string& text, bool error) {
    Dialogs.ShowMessage(text, TranslateUtf8("TAudioEngine", kMessageCaption),
                        error ? TMessageIcon::miError : TMessageIcon::miNone);
}

void TAudioEngine::ProcessPendingMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool TAudioEngine::GetStreamInfo(const std::string& name, TStreamInfo& info, int& pluginSlot,
                                 TPlayableBy& playable) {
    info = ClearedStreamInfo(name);
    pluginSlot = -1;
    playable = pbNobody;
    const std::string extension = UpperAscii(FileExtension(name));
    // A dot and three characters, or one of the longer names the readers know (".FLAC").
    if (extension.size() != 4 && ReaderKindOf(name) == rkNone)
        return false;
    bool recognised = ReadStreamFacts(name, info);
    if (recognised) {
        const bool wma = extension == ".WMA";
        playable = !wma || IsWmaReady ? pbBassOnly : pbNobody;
    }
    const std::string plainExtension = extension.substr(1);
    for (int slot = 0; slot < kPluginSlotCount; ++slot) {
        In_Module* module = GetPluginModule(slot);
        if (module == nullptr ||
            UpperAscii(GetPluginInfo(slot).FileExtensions).find(plainExtension) ==
                std::string::npos)
            continue;
        std::array<char, 256> file{};
        std::strncpy(file.data(), name.c_str(), file.size() - 1);
        std::array<char, 256> title{};
        int length = 0;
        module->GetFileInfo(file.data(), title.data(), &length);
        if (length <= 0)
            continue;
        pluginSlot = slot;
        if (playable == pbBassOnly) {
            playable = pbBoth;
        } else {
            playable = pbPluginOnly;
            info.Title = PluginTitle(title);
            info.Duration = length;
            recognised = true;
        }
        break;
    }
    if (recognised)
        TakeTitleFromFileName(info);
    return recognised;
}

bool TAudioEngine::Open(const std::string& name) {
    if (!IsBassReady) {
        ShowMessage(TranslateUtf8("TAudioEngine", "Player is not ready !"));
        return false;
    }
    NothingAnswered = false;
    const bool url = IsUrl(name);
    TStreamInfo info = ClearedStreamInfo(name);
    int pluginSlot = -1;
    TPlayableBy playable = pbNobody;
    if (!url && !GetStreamInfo(name, info, pluginSlot, playable))
        return false;
    // This open supersedes a connect still in progress beneath it.
    Connects.GiveUpAll();
    ReleaseChannel();
    Kind = ckNone;
    DownloadComplete = NetFile = LiveStream = false;
    const bool opened = url ? OpenUrl(name, info) : OpenLocal(name, pluginSlot, playable);
    if (!opened)
        return false;
    FileName = name;
    Info = info;
    State = psReady;
    return true;
}

bool TAudioEngine::OpenLocal(const std::string& name, int pluginSlot, TPlayableBy playable) {
    if (playable == pbPluginOnly || (playable == pbBoth && PluginFirst)) {
        SelectPluginSlot(pluginSlot);
        return true;
    }
    if ((Channel = Bass.BASS_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0)) != 0)
        Kind = ckStream;
    else if (IsWmaReady &&
             (Channel = BassWma.BASS_WMA_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0)) != 0)
        Kind = ckWmaStream;
    else if ((Channel = Bass.BASS_MusicLoad(FALSE, name.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0)) != 0)
        Kind = ckMusic;
    else
        return false;
    Bass.BASS_ChannelGetInfo(Channel, &ChannelInfo);
    if (ChannelInfo.flags & BASS_SAMPLE_8BITS) {
        Bass.BASS_StreamFree(Channel);
        Bass.BASS_MusicFree(Channel);
        Channel = 0;
        Kind = ckNone;
        ShowMessage(TranslateUtf8("TAudioEngine", "Sound card does not support 16-bit sources."));
        return false;
    }
    return true;
}

bool TAudioEngine::OpenUrl(const std::string& url, TStreamInfo& info) {
    const std::string extension = UpperAscii(FileExtension(url));
    if (extension == ".ASF" || extension == ".WMA") {
        const int slot = FindPluginForExtension(extension == ".ASF" ? "ASF" : "WMA");
        if (slot < 0) {
            ShowMessage(TranslateUtf8("TAudioEngine",
                                      "Winamp input plug-in for ASF (or WMA) file is not loaded."));
            return false;
        }
        SelectPluginSlot(slot);
        info.SampleRate = 0;
        info.Duration = 0;
    } else {
        const std::optional<std::pair<DWORD, TChannelKind>> stream = Connect(url);
        if (!stream)
            return false; // given up: a Close or another Open came meanwhile and holds the engine
        if (stream->first == 0)
            return false;
        Channel = stream->first;
        Kind = stream->second;
    }
    if (IsNetFileExtension(extension))
        ReadNetFileFacts(url, extension, info);
    else
        ReadLiveStreamFacts(info);
    if (Kind != ckPlugin) {
        Bass.BASS_ChannelGetInfo(Channel, &ChannelInfo);
        info.SampleRate = static_cast<std::int32_t>(ChannelInfo.freq);
        info.Channels = static_cast<std::uint16_t>(ChannelInfo.chans & 0xFFFF);
    }
    return true;
}

std::optional<std::pair<DWORD, TChannelKind>> TAudioEngine::Connect(const std::string& url) {
    const auto release = [free = Bass.BASS_StreamFree](std::uint32_t channel) { free(channel); };
    // Read on the worker, where the library keeps the code; shared, as a given-up worker lives on.
    const auto error = std::make_shared<std::atomic<int>>(BASS_OK);
    const auto stream = Connects.Run(
        [create = Bass.BASS_StreamCreateURL, errorCode = Bass.BASS_ErrorGetCode, url, error] {
            const DWORD channel = create(url.c_str(), 0, BASS_STREAM_META, nullptr, 0);
            if (channel == 0)
                *error = errorCode();
            return channel;
        },
        release);
    if (!stream)
        return std::nullopt;
    if (*stream != 0)
        return std::pair(*stream, ckStream);
    const bool silent = *error == BASS_ERROR_TIMEOUT;
    NothingAnswered = IsHttpUrl(url) && (silent || *error == BASS_ERROR_NONET);
    // The add-on would wait as long again at the same host; a refusal it learns at once.
    if (!IsWmaReady || (NothingAnswered && silent))
        return std::pair(DWORD{0}, ckStream);
    std::string address = url;
    if (address.starts_with("http://"))
        address.replace(0, 7, "mms://");
    const auto wmaStream = Connects.Run(
        [create = BassWma.BASS_WMA_StreamCreateFile, address] {
            return create(FALSE, address.c_str(), 0, 0, BASS_WMA_STREAM_URL);
        },
        release);
    if (!wmaStream)
        return std::nullopt;
    return std::pair(*wmaStream, ckWmaStream);
}

void TAudioEngine::ReadNetFileFacts(const std::string& url, const std::string& extension,
                                    TStreamInfo& info) {
    NetFile = true;
    if (extension == ".OGG" || extension == ".OGA" || extension == ".OPUS" || extension == ".FLAC")
        info.Title = CommentTitle(Bass.BASS_StreamGetTags(Channel, BASS_TAG_OGG), false);
    else if (Kind != ckPlugin)
        info.Title = TitleFromURL(url);
    if (Kind == ckPlugin)
        return;
    const QWORD bytes = Bass.BASS_StreamGetLength(Channel);
    const double seconds = bytes == kNoBytes ? 0.0 : Bass.BASS_ChannelBytes2Seconds(Channel, bytes);
    info.Duration = RoundMilliseconds(seconds);
    const DWORD size = Bass.BASS_StreamGetFilePosition(Channel, BASS_FILEPOS_END);
    if (size != kUnknownFileSize) {
        info.FileSize = size;
        if (seconds != 0.0)
            info.BitRate = static_cast<std::int32_t>(RoundHalfEven(size / (125.0 * seconds)));
    }
    Bass.BASS_ChannelSetSync(Channel, BASS_SYNC_DOWNLOAD, 0, DownloadSyncCallback,
                             MessageWindowHandle());
}

void TAudioEngine::ReadLiveStreamFacts(TStreamInfo& info) {
    LiveStream = true;
    if (const char* headers = Bass.BASS_StreamGetTags(Channel, BASS_TAG_ICY)) {
        for (const char* header = headers; *header != '\0'; header += std::strlen(header) + 1) {
            const std::string_view text(header);
            if (text.find("icy-br:") == std::string_view::npos)
                continue;
            // Servers write "icy-br: 128" as well as "icy-br:128".
            std::int32_t bitRate = 0;
            info.BitRate =
                text.size() > 7 && ParseInt32(TrimControl(text.substr(7)), bitRate) ? bitRate : 0;
            break;
        }
    }
    const char* meta = Bass.BASS_StreamGetTags(Channel, BASS_TAG_META);
    info.Title = meta != nullptr ? ShoutcastTitle(meta).value_or("") : "";
    Bass.BASS_ChannelSetSync(Channel, BASS_SYNC_META, 0, MetaSyncCallback, MessageWindowHandle());
}

void TAudioEngine::ReleaseChannel() {
    switch (Kind) {
    case ckStream:
    case ckWmaStream:
        Bass.BASS_StreamFree(Channel);
        break;
    case ckMusic:
        Bass.BASS_MusicFree(Channel);
        break;
    case ckPlugin:
        if (Channel != 0 && PluginModule != nullptr)
            PluginModule->Stop();
        break;
    case ckNone:
        break;
    }
    Channel = 0;
}

void TAudioEngine::SelectPluginSlot(int slot) {
    Kind = ckPlugin;
    PluginIndex = slot;
    PluginModule = GetPluginModule(slot);
    SelectPlugin(slot);
}

void TAudioEngine::Play() {
    if (Starting || Kind == ckNone || State == psPlaying)
        return;
    if (State == psStopped) {
        if (Kind != ckPlugin)
            SetPosition(0);
        Restart();
        return;
    }
    if (!StartChannel(true))
        return;
    if (Kind != ckPlugin)
        Bass.BASS_ChannelSetSync(Channel, BASS_SYNC_END, 0, EndSyncCallback, MessageWindowHandle());
    State = psPlaying;
    if (Kind != ckPlugin)
        StartVisTimer();
}

bool TAudioEngine::Pause() {
    if (State != psPlaying || IsPaused || Starting || Kind == ckNone || Kind == ckPlugin ||
        !Bass.BASS_ChannelPause(Channel))
        return false;
    IsPaused = true;
    PausedSince = std::chrono::steady_clock::now();
    return true;
}

// A live stream's server keeps sending while the channel is held; once the buffer is full the
// server gives the connection up, so a channel held longer than the buffer lasts is opened anew.
bool TAudioEngine::Resume() {
    if (!IsPaused)
        return false;
    const auto held = std::chrono::steady_clock::now() - PausedSince;
    const auto buffer = std::chrono::milliseconds(Bass.BASS_GetConfig(BASS_CONFIG_NET_BUFFER));
    if (LiveStream && held > buffer)
        return false;
    if (!Bass.BASS_ChannelResume(Channel))
        return false;
    IsPaused = false;
    StartVisTimer();
    return true;
}

void TAudioEngine::SetVolume(double level) {
    VolumePercent = static_cast<int>(RoundHalfEven(std::clamp(level, 0.0, 1.0) * 100.0));
    if (Kind == ckStream || Kind == ckWmaStream || Kind == ckMusic)
        Bass.BASS_ChannelSetAttributes(Channel, -1, VolumePercent, -1);
}

void TAudioEngine::Restart() {
    if (State != psStopped || Starting)
        return;
    if (!StartChannel(false))
        return;
    State = psPlaying;
    if (Kind != ckPlugin)
        StartVisTimer();
}

// Starts the open channel by its kind; the first play of a plug-in gives it the song length and
// reports a failure.
bool TAudioEngine::StartChannel(bool firstPlay) {
    switch (Kind) {
    case ckStream:
    case ckWmaStream:
        Bass.BASS_ChannelSetAttributes(Channel, -1, VolumePercent, -1);
        return Bass.BASS_StreamPlay(Channel, FALSE, 0) != 0;
    case ckMusic:
        Bass.BASS_ChannelSetAttributes(Channel, -1, VolumePercent, -1);
        return Bass.BASS_MusicPlay(Channel) != 0;
    case ckPlugin:
        return StartPlugin(firstPlay);
    case ckNone:
        break;
    }
    return false;
}

bool TAudioEngine::StartPlugin(bool firstPlay) {
    if (PluginModule == nullptr)
        return false;
    Starting = true;
    EmulatorInUse = false;
    Channel = 1; // a placeholder until the output emulator names its stream
    if (firstPlay)
        SetStreamLength(Info.Duration);
    PluginModule->Play(FileName.c_str());
    bool started = false;
    for (int poll = 0; poll < 60 && !started; ++poll) {
        started = GetPlayedTime(false) > 200;
        if (!started) {
            ProcessPendingMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!started && firstPlay)
        ShowMessage(TranslateUtf8("TAudioEngine", "Can't play the specified stream : ") + FileName,
                    true);
    Starting = false;
    return started;
}

void TAudioEngine::StartVisTimer() {
    if (OnNewFFTData)
        VisTimer.start();
}

void TAudioEngine::Stop() {
    if (State != psPlaying)
        return;
    if (Kind == ckPlugin) {
        if (Channel != 0 && PluginModule != nullptr) {
            PluginModule->Stop();
            Channel = 0;
        }
    } else {
        Bass.BASS_ChannelStop(Channel);
    }
    IsPaused = false;
    State = psStopped;
}

void TAudioEngine::Close() {
    Connects.GiveUpAll();
    IsPaused = false;
    const bool plugin = Kind == ckPlugin;
    ReleaseChannel();
    if (plugin) {
        PluginIndex = -1;
        PluginModule = nullptr;
        // At once rather than by a message to the host window: a message still queued would
        // clear the plug-in that an Open right after this one selects.
        SelectPlugin(-1);
    }
    Kind = ckNone;
    State = psNone;
    FileName.clear();
    Info.FileName.clear();
    Info.SampleRate = 0;
}

std::uint32_t TAudioEngine::GetLength() const {
    if (Kind == ckNone)
        return 0;
    if (Kind == ckPlugin)
        return static_cast<std::uint32_t>(Info.Duration);
    QWORD bytes = Kind == ckMusic ? Bass.BASS_MusicGetLength(Channel, TRUE)
                                  : Bass.BASS_StreamGetLength(Channel);
    if (bytes == kNoBytes)
        bytes = 0;
    return static_cast<std::uint32_t>(
        RoundMilliseconds(Bass.BASS_ChannelBytes2Seconds(Channel, bytes)));
}

std::uint32_t TAudioEngine::GetPosition() const {
    switch (Kind) {
    case ckNone:
    case ckMusic:
        return 0;
    case ckPlugin:
        if (State == psReady)
            return 0;
        return static_cast<std::uint32_t>(GetPlayedTime(EmulatorInUse));
    case ckStream:
    case ckWmaStream:
        break;
    }
    QWORD bytes = Bass.BASS_ChannelGetPosition(Channel);
    if (bytes == kNoBytes)
        bytes = 0;
    return static_cast<std::uint32_t>(
        RoundMilliseconds(Bass.BASS_ChannelBytes2Seconds(Channel, bytes)));
}

void TAudioEngine::SetPosition(std::uint32_t milliseconds) {
    if (Kind == ckNone || milliseconds > GetLength() || Starting)
        return;
    if (Kind == ckStream || Kind == ckWmaStream) {
        const float seconds = static_cast<float>(milliseconds / 1000.0);
        Bass.BASS_ChannelSetPosition(Channel, Bass.BASS_ChannelSeconds2Bytes(Channel, seconds));
        return;
    }
    if (Kind != ckPlugin || !EmulatorInUse || PluginModule == nullptr)
        return;
    Starting = true;
    SetSeekPending();
    PluginModule->SetOutputTime(static_cast<int>(milliseconds));
    for (int round = 0; round < 51 && State == psPlaying; ++round) {
        if (!Starting) {
            StartVisTimer();
            break;
        }
        ProcessPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    Starting = false;
}

bool TAudioEngine::CanSeek() const {
    switch (Kind) {
    case ckNone:
    case ckMusic:
        return false;
    case ckPlugin:
        return PluginModule != nullptr && PluginModule->is_seekable != 0;
    case ckStream:
    case ckWmaStream:
        break;
    }
    if (LiveStream)
        return false;
    return !NetFile || DownloadComplete;
}

void TAudioEngine::HandleMessage(std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) {
    switch (message) {
    case kMsgPluginEnd:
        HandlePluginEnd();
        break;
    case kMsgPluginStartPlay:
        HandlePluginStartPlay(reinterpret_cast<PChannelInfo>(lParam));
        break;
    case kMsgPluginStream:
        Channel = static_cast<std::uint32_t>(wParam);
        break;
    case kMsgStreamEnd:
        State = psStopped;
        if (OnPlayEnd)
            OnPlayEnd(this);
        break;
    case kMsgNewFFTData:
        if (OnNewFFTData)
            OnNewFFTData(this, Bands);
        break;
    case kMsgStreamMeta:
        Info.Title = reinterpret_cast<const char*>(lParam);
        if (OnGetMeta)
            OnGetMeta(this, Info.Title);
        break;
    case kMsgDownloadComplete:
        HandleDownloadComplete();
        break;
    default:
        break;
    }
}

void TAudioEngine::HandlePluginEnd() {
    Starting = false;
    while (EmulatorInUse && Bass.BASS_ChannelIsActive(Channel) == BASS_ACTIVE_PLAYING) {
        ProcessPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Stop();
    if (OnPlayEnd)
        OnPlayEnd(this);
}

void TAudioEngine::HandlePluginStartPlay(PChannelInfo channelInfo) {
    Starting = false;
    EmulatorInUse = true;
    if (channelInfo == nullptr)
        return;
    Info.Channels = channelInfo->Channels;
    Info.SampleRate = channelInfo->SampleRate;
    Info.BitsPerSample = channelInfo->BitsPerSample;
    if (Info.Duration == 0 && PluginModule != nullptr) {
        std::array<char, 256> title{};
        int length = 0;
        PluginModule->GetFileInfo(nullptr, title.data(), &length);
        if (length > 0) {
            Info.Title = PluginTitle(title);
            Info.Duration = length;
        }
    }
    if (OnPluginStartPlay)
        OnPluginStartPlay(this, channelInfo);
    StartVisTimer();
}

void TAudioEngine::HandleDownloadComplete() {
    DownloadComplete = true;
    const std::string extension = UpperAscii(FileExtension(FileName));
    const std::uint8_t* tag = nullptr;
    std::size_t tagSize = 0;
    int tagKind = 0;
    if (extension == ".MP3" || extension == ".MP2" || extension == ".MP1") {
        if (const char* id3v1 = Bass.BASS_StreamGetTags(Channel, BASS_TAG_ID3)) {
            tag = reinterpret_cast<const std::uint8_t*>(id3v1);
            tagSize = 128;
            tagKind = 1;
        } else if (const char* id3v2 = Bass.BASS_StreamGetTags(Channel, BASS_TAG_ID3V2)) {
            tag = reinterpret_cast<const std::uint8_t*>(id3v2);
            tagSize = Id3v2BlockSize(tag);
            tagKind = 2;
        }
    }
    const DWORD size = Bass.BASS_StreamGetFilePosition(Channel, BASS_FILEPOS_END);
    Info.FileSize = size;
    TMP3TagInfo tagInfo;
    if (tag != nullptr && MpegReader.ReadTagFromBuffer(tag, tagSize, tagKind, tagInfo)) {
        Info.Title = tagInfo.Title;
        Info.Artist = tagInfo.Artist;
        Info.Album = tagInfo.Album;
        Info.Year = tagInfo.Year;
        Info.Genre = tagInfo.Genre;
        Info.Track = static_cast<std::uint8_t>(tagInfo.Track);
        Info.Comment = tagInfo.Comment;
    }
    const QWORD bytes = Bass.BASS_StreamGetLength(Channel);
    Info.Duration =
        RoundMilliseconds(bytes == kNoBytes ? 0.0 : Bass.BASS_ChannelBytes2Seconds(Channel, bytes));
    if (OnDownloaded)
        OnDownloaded(this, std::to_string(Info.Duration));
}

void TAudioEngine::VisTimerTick() {
    const DWORD active = Bass.BASS_ChannelIsActive(Channel);
    if (active != BASS_ACTIVE_PLAYING && active != BASS_ACTIVE_STALLED) {
        VisTimer.stop();
        return;
    }
    std::array<float, kFftBinCount> magnitudes;
    if (Bass.BASS_ChannelGetData(Channel, magnitudes.data(), BASS_DATA_FFT512) == kNoData) {
        Bands.fill(0);
        return;
    }
    // Both steps run on the GUI thread, so nothing can tick or come between them: the timer keeps
    // its beat, and the frame is handed over now rather than after another turn of the event loop
    // (a turn costs as much as the frame's drawing).
    UpdateBandOut(magnitudes, Bands);
    HandleMessage(kMsgNewFFTData, 0, 0);
}

} // namespace tavuro
