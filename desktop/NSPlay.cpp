#include "desktop/NSPlay.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include "desktop/MpvLibrary.h"
#include "platform/Translations.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tavuro {

namespace {

constexpr double LocalOpenLimit = 5.0;       // seconds for a file on disk
constexpr double NetworkOpenAllowance = 2.0; // past mpv's own network timeout

bool EnvironmentSwitch(const char* name) {
    const char* value = std::getenv(name);
    return value && std::strcmp(value, "1") == 0;
}

bool IsNetworkAddress(const std::string& path) {
    const std::size_t scheme = path.find("://");
    return scheme != std::string::npos && path.compare(0, scheme, "file") != 0;
}

// A local path is given to mpv absolute, so that no part of it can read as a protocol prefix.
std::string AbsoluteLocalPath(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

const mpv_node* MapEntry(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i)
        if (std::strcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    return nullptr;
}

bool NodeFlag(const mpv_node& map, const char* key) {
    const mpv_node* value = MapEntry(map, key);
    return value && value->format == MPV_FORMAT_FLAG && value->u.flag;
}

std::int64_t NodeInteger(const mpv_node& map, const char* key) {
    const mpv_node* value = MapEntry(map, key);
    return value && value->format == MPV_FORMAT_INT64 ? value->u.int64 : 0;
}

bool NodeTextIs(const mpv_node& map, const char* key, const char* text) {
    const mpv_node* value = MapEntry(map, key);
    return value && value->format == MPV_FORMAT_STRING && std::strcmp(value->u.string, text) == 0;
}

} // namespace

TNSPlay::TNSPlay(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Player"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    // The native window mpv draws into would otherwise cover the window's corner while no
    // picture shows; it is shown only while a clip with a picture is open.
    hide();
}

TNSPlay::~TNSPlay() {
    if (LoadWait)
        LoadWait->quit();
    if (Mpv) {
        Lib->mpv_set_wakeup_callback(Mpv, nullptr, nullptr);
        Lib->mpv_terminate_destroy(Mpv);
    }
}

bool TNSPlay::CreateMpv() {
    Lib = MpvLibrary();
    Mpv = Lib ? Lib->mpv_create() : nullptr;
    if (!Mpv)
        return false;
    const bool nullOutput = EnvironmentSwitch("TAVURO_NULL_OUTPUT");
    const char* nullSwitch = std::getenv("TAVURO_NULL_OUTPUT");
    const bool nullAudio = nullOutput || (nullSwitch && std::strcmp(nullSwitch, "audio") == 0);
    // A player that draws into our window and knows nothing of mpv's own keys, scripts and
    // configuration; a clip stays open at its end so that its name and length survive.
    const char* options[][2] = {
        {"config", "no"},
        {"terminal", "no"},
        {"idle", "yes"},
        {"keep-open", "yes"},
        {"audio-display", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"input-cursor", "no"},
        {"osc", "no"},
        {"osd-level", "0"},
        {"ytdl", "no"},
        {"load-scripts", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"force-window", "no"},
    };
    for (const auto& option : options)
        Lib->mpv_set_option_string(Mpv, option[0], option[1]);
    Lib->mpv_set_option_string(Mpv, "network-timeout", std::to_string(NetworkTimeout).c_str());
    // A secure address plays only from a server the trusted store vouches for, as in the audio
    // library; SSL_CERT_FILE names that store there, so here too.
    Lib->mpv_set_option_string(Mpv, "tls-verify", "yes");
    if (const char* store = std::getenv("SSL_CERT_FILE"); store && *store)
        Lib->mpv_set_option_string(Mpv, "tls-ca-file", store);
    Lib->mpv_set_option_string(Mpv, "volume", std::to_string(Volume * 100.0).c_str());
    // No silent fall-back: an audio clip without a sound device fails and is told about.
    if (nullAudio || Lib->mpv_set_option_string(Mpv, "ao", "pipewire,pulse,alsa,jack") < 0)
        Lib->mpv_set_option_string(Mpv, "ao", nullAudio ? "null" : "pulse,alsa,jack");
    if (nullOutput || QGuiApplication::platformName() != QLatin1String("xcb")) {
        Lib->mpv_set_option_string(Mpv, "vo", "null");
    } else {
        setAttribute(Qt::WA_DontCreateNativeAncestors);
        setAttribute(Qt::WA_NativeWindow);
        std::int64_t window = static_cast<std::int64_t>(winId());
        Lib->mpv_set_option(Mpv, "wid", MPV_FORMAT_INT64, &window);
        // Only outputs that draw into a given window; mpv would otherwise fall back to ones that
        // open a window of their own (sdl) where no accelerated one works. The GPU output keeps
        // to X11 contexts: the DRM one opens the terminal and, failing there, closes
        // descriptor 0, which may by then be an X connection of the player's.
        Lib->mpv_set_option_string(Mpv, "vo", "gpu,xv,x11");
        // mpv before 0.36 takes a single context.
        if (Lib->mpv_set_option_string(Mpv, "gpu-context", "x11egl,x11vk") < 0)
            Lib->mpv_set_option_string(Mpv, "gpu-context", "x11egl");
    }
    Lib->mpv_request_log_messages(Mpv, EnvironmentSwitch("TAVURO_DEBUG") ? "warn" : "no");
    Lib->mpv_set_wakeup_callback(Mpv, &TNSPlay::WakeUp, this);
    if (Lib->mpv_initialize(Mpv) < 0) {
        Lib->mpv_set_wakeup_callback(Mpv, nullptr, nullptr);
        Lib->mpv_terminate_destroy(Mpv);
        Mpv = nullptr;
        return false;
    }
    return true;
}

// Sends what the player has asked of the X server so far, the map of this window among it.
void TNSPlay::FlushToDisplay() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 != nullptr && x11->connection() != nullptr)
        xcb_flush(x11->connection());
}

// mpv's threads: only queue a call to the GUI thread, which reads the events.
void TNSPlay::WakeUp(void* self) {
    auto* player = static_cast<TNSPlay*>(self);
    QMetaObject::invokeMethod(
        player, [player] { player->HandleMpvEvents(); }, Qt::QueuedConnection);
}

void TNSPlay::HandleMpvEvents() {
    while (Mpv) {
        const mpv_event* event = Lib->mpv_wait_event(Mpv, 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        if (event->event_id == MPV_EVENT_START_FILE) {
            StartedEntry = static_cast<const mpv_event_start_file*>(event->data)->playlist_entry_id;
        } else if (event->event_id == MPV_EVENT_FILE_LOADED) {
            if (Clip == TClipState::csLoading && StartedEntry == ClipEntry)
                Clip = TClipState::csReady;
        } else if (event->event_id == MPV_EVENT_END_FILE) {
            const auto* end = static_cast<const mpv_event_end_file*>(event->data);
            if (end->playlist_entry_id == ClipEntry && Clip == TClipState::csLoading)
                Clip = TClipState::csFailed;
            else if (end->playlist_entry_id == ClipEntry && Clip == TClipState::csReady)
                Clip = TClipState::csEnded; // a stream broke off; the clip stays named
            if (end->playlist_entry_id == ClipEntry && end->error == MPV_ERROR_AO_INIT_FAILED) {
                ReportOutputFailure();
                OutputFailed = true;
            } else if (end->reason == MPV_END_FILE_REASON_ERROR &&
                       EnvironmentSwitch("TAVURO_DEBUG"))
                std::fprintf(stderr, "Player: %s\n", Lib->mpv_error_string(end->error));
        } else if (event->event_id == MPV_EVENT_AUDIO_RECONFIG) {
            // A clip with a picture plays on without its sound; it is told all the same.
            if (Started && Clip == TClipState::csReady && HasTrack("audio") &&
                !PropertyAvailable("current-ao"))
                ReportOutputFailure();
        } else if (event->event_id == MPV_EVENT_LOG_MESSAGE) {
            const auto* message = static_cast<const mpv_event_log_message*>(event->data);
            std::fprintf(stderr, "mpv %s: %s", message->prefix, message->text);
        }
    }
    if (LoadWait && Clip != TClipState::csLoading)
        LoadWait->quit();
}

// No sound device could be opened for the clip: it is told on standard error, once. A clip
// without a picture then counts as played to its end, so that the player goes on to the next.
void TNSPlay::ReportOutputFailure() {
    if (OutputTold)
        return;
    OutputTold = true;
    std::fprintf(stderr, "%s\n",
                 Translate("TNSPlay", "tavuro: %1: 声卡未安装或者被占用,不能播放!")
                     .arg(QString::fromStdString(CurrentFile))
                     .toLocal8Bit()
                     .constData());
}

std::string TNSPlay::FileName() const {
    return CurrentFile;
}

void TNSPlay::SetFileName(const std::string& fileName) {
    ++OpenCount;
    if (LoadWait)
        LoadWait->quit(); // an open still waiting is superseded by this one
    CloseClip();
    hide();
    CurrentFile = fileName;
    if (fileName.empty())
        return;
    const bool network = IsNetworkAddress(fileName);
    if (!network && TMidiPlayer::LooksLikeMidi(fileName)) {
        IsMidi = true;
        Clip = Midi.Open(fileName) ? TClipState::csReady : TClipState::csFailed;
        return;
    }
    // libmpv starts with the first clip it plays: a player whose audio all goes to the engine
    // or the external player never pays for its threads and memory.
    if (!Mpv && !MpvFailed) {
        MpvFailed = !CreateMpv();
        if (MpvFailed && EnvironmentSwitch("TAVURO_DEBUG"))
            std::fprintf(stderr, "Player: libmpv could not be started\n");
    }
    std::error_code error;
    if (!Mpv || (fileName.find("://") == std::string::npos &&
                 !std::filesystem::is_regular_file(fileName, error))) {
        Clip = TClipState::csFailed;
        return;
    }
    // mpv maps its picture window at the first frame only if it never saw its parent window
    // mapped before that; so the parent is on screen (its panel parked out of sight) before mpv
    // makes that window, and hidden again after the load when the clip has no picture.
    show();
    FlushToDisplay();
    LoadIntoMpv(network ? fileName : AbsoluteLocalPath(fileName));
    WaitWhileLoading(network ? NetworkTimeout + NetworkOpenAllowance : LocalOpenLimit);
}

void TNSPlay::CloseClip() {
    if (IsMidi)
        Midi.Close();
    else if (Mpv && Clip != TClipState::csNone)
        Lib->mpv_command_string(Mpv, "stop");
    IsMidi = false;
    Clip = TClipState::csNone;
    Started = false;
    OutputFailed = OutputTold = false;
    StartedLength = 0.0;
    ClipEntry = 0;
}

// Loads the clip paused; Play lets it run.
void TNSPlay::LoadIntoMpv(const std::string& path) {
    SetFlagProperty("pause", true);
    const char* command[] = {"loadfile", path.c_str(), "replace", nullptr};
    mpv_node result{};
    if (Lib->mpv_command_ret(Mpv, command, &result) < 0) {
        Clip = TClipState::csFailed;
        return;
    }
    ClipEntry = NodeInteger(result, "playlist_entry_id");
    Lib->mpv_free_node_contents(&result);
    Clip = TClipState::csLoading;
}

// Runs the GUI's events until the clip has loaded or failed, or the time is up (then the load
// is abandoned and counts as failed).
void TNSPlay::WaitWhileLoading(double seconds) {
    const unsigned thisOpen = OpenCount;
    QPointer<TNSPlay> alive(this);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QEventLoop* outerWait = LoadWait;
    LoadWait = &loop;
    HandleMpvEvents();
    if (Clip == TClipState::csLoading) {
        deadline.start(static_cast<int>(seconds * 1000));
        loop.exec();
    }
    if (!alive)
        return; // the player was destroyed by an event handled while waiting
    LoadWait = outerWait;
    if (thisOpen != OpenCount)
        return; // another clip was opened meanwhile and owns the state now
    if (Clip == TClipState::csLoading) {
        Lib->mpv_command_string(Mpv, "stop");
        Clip = TClipState::csFailed;
    }
    setVisible(ImageSourceWidth() > 0);
}

// A clip played to its end stands at its full length: the last frame starts a little before
// it, and the player tells an ended clip from a stopped one by comparing the two.
double TNSPlay::CurrentPosition() const {
    if (IsMidi)
        return Midi.Position();
    if (OutputFailed)
        return StartedLength;
    if (Clip != TClipState::csReady)
        return 0.0;
    const double position = DoubleProperty("time-pos");
    if (FlagProperty("eof-reached"))
        return std::max(position, Duration());
    return position > 0 ? position : 0.0;
}

// -1.0 right after opening asks for the beginning, where a freshly opened clip already is.
void TNSPlay::SetCurrentPosition(double seconds) {
    if (!(seconds >= 0))
        return;
    if (IsMidi) {
        Midi.Seek(seconds);
    } else if (Clip == TClipState::csReady) {
        const std::string target = std::to_string(seconds);
        const char* command[] = {"seek", target.c_str(), "absolute", nullptr};
        Lib->mpv_command(Mpv, command);
    }
}

double TNSPlay::Duration() const {
    if (IsMidi)
        return Midi.Duration();
    if (Clip != TClipState::csReady)
        return 0.0;
    const double length = DoubleProperty("duration");
    return length > 0 ? length : 0.0;
}

int TNSPlay::ImageSourceWidth() const {
    return PictureSize().Width;
}
int TNSPlay::ImageSourceHeight() const {
    return PictureSize().Height;
}

bool TNSPlay::HasTrack(const char* type) const {
    mpv_node tracks{};
    if (!Mpv || Lib->mpv_get_property(Mpv, "track-list", MPV_FORMAT_NODE, &tracks) < 0)
        return false;
    bool found = false;
    if (tracks.format == MPV_FORMAT_NODE_ARRAY)
        for (int i = 0; i < tracks.u.list->num && !found; ++i)
            found = NodeTextIs(tracks.u.list->values[i], "type", type);
    Lib->mpv_free_node_contents(&tracks);
    return found;
}

bool TNSPlay::PropertyAvailable(const char* name) const {
    mpv_node value{};
    if (!Mpv || Lib->mpv_get_property(Mpv, name, MPV_FORMAT_NODE, &value) < 0)
        return false;
    Lib->mpv_free_node_contents(&value);
    return true;
}

// The size of the video track in use; a cover picture of an audio file is no video.
TNSPlay::TPictureSize TNSPlay::PictureSize() const {
    TPictureSize size;
    if (IsMidi || Clip != TClipState::csReady)
        return size;
    mpv_node tracks{};
    if (Lib->mpv_get_property(Mpv, "track-list", MPV_FORMAT_NODE, &tracks) < 0)
        return size;
    bool hasVideo = false;
    if (tracks.format == MPV_FORMAT_NODE_ARRAY) {
        for (int i = 0; i < tracks.u.list->num && !hasVideo; ++i) {
            const mpv_node& track = tracks.u.list->values[i];
            hasVideo = NodeTextIs(track, "type", "video") && NodeFlag(track, "selected") &&
                       !NodeFlag(track, "albumart");
            if (hasVideo)
                size = {static_cast<int>(NodeInteger(track, "demux-w")),
                        static_cast<int>(NodeInteger(track, "demux-h"))};
        }
    }
    Lib->mpv_free_node_contents(&tracks);
    // Some streams state no size in their headers; the decoded picture has one.
    if (hasVideo && (size.Width <= 0 || size.Height <= 0))
        size = {IntegerProperty("video-params/w"), IntegerProperty("video-params/h")};
    return size;
}

int TNSPlay::DisplaySize() const {
    return Display;
}
void TNSPlay::SetDisplaySize(int displaySize) {
    Display = displaySize;
}

bool TNSPlay::CanSeek() const {
    if (IsMidi)
        return Clip == TClipState::csReady;
    return Clip == TClipState::csReady && FlagProperty("seekable");
}

int TNSPlay::PlayState() const {
    if (!Started || (Clip != TClipState::csReady))
        return 0;
    if (IsMidi)
        return !Midi.Playing() ? 0 : Midi.Paused() ? 1 : 2;
    if (FlagProperty("eof-reached"))
        return 0;
    return FlagProperty("pause") ? 1 : 2;
}

// A live stream paused for long has its broadcast far ahead of what was kept, and its server may
// have given the connection up: the listener wants the station as it is now.
bool TNSPlay::LiveStreamHeldTooLong() const {
    if (IsMidi || PlayState() != 1 || !IsNetworkAddress(CurrentFile) || CanSeek())
        return false;
    const std::chrono::duration<double> held = std::chrono::steady_clock::now() - PausedAt;
    return held.count() > NetworkTimeout;
}

bool TNSPlay::Play() {
    if (Clip == TClipState::csEnded || LiveStreamHeldTooLong())
        SetFileName(std::string(CurrentFile)); // a broken-off or stale stream is opened anew
    if (Clip != TClipState::csReady)
        return false;
    if (IsMidi) {
        Started = Midi.Play();
        return Started;
    }
    if (FlagProperty("eof-reached")) {
        const char* command[] = {"seek", "0", "absolute", nullptr};
        Lib->mpv_command(Mpv, command);
    }
    SetFlagProperty("pause", false);
    Started = true;
    StartedLength = Duration();
    return true;
}

void TNSPlay::Pause() {
    if (PlayState() != 2)
        return;
    if (IsMidi)
        Midi.Pause();
    else
        SetFlagProperty("pause", true);
    PausedAt = std::chrono::steady_clock::now();
}

// mpv's volume and the synthesiser's gain are both percent of the normal level.
void TNSPlay::SetVolume(double level) {
    Volume = std::clamp(level, 0.0, 1.0);
    Midi.SetVolume(static_cast<int>(Volume * 100.0 + 0.5));
    if (Mpv) {
        double percent = Volume * 100.0;
        Lib->mpv_set_property(Mpv, "volume", MPV_FORMAT_DOUBLE, &percent);
    }
}

void TNSPlay::SetBounds(int x, int y, int width, int height) {
    setGeometry(x, y, width, height);
    // Qt moves this native window with its panel only when the window's own geometry changes:
    // a panel moved in from its parked place with the same size would leave the picture there.
    if (QWindow* native = windowHandle(); native && nativeParentWidget())
        native->setPosition(mapTo(nativeParentWidget(), QPoint(0, 0)));
}
int TNSPlay::Width() const {
    return width();
}
int TNSPlay::Height() const {
    return height();
}

void TNSPlay::SetNetworkTimeout(double seconds) {
    NetworkTimeout = seconds;
    if (Mpv)
        Lib->mpv_set_property_string(Mpv, "network-timeout", std::to_string(seconds).c_str());
}

double TNSPlay::DoubleProperty(const char* name) const {
    double value = 0.0;
    if (!Mpv || Lib->mpv_get_property(Mpv, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return 0.0;
    return value;
}

int TNSPlay::IntegerProperty(const char* name) const {
    std::int64_t value = 0;
    if (!Mpv || Lib->mpv_get_property(Mpv, name, MPV_FORMAT_INT64, &value) < 0)
        return 0;
    return static_cast<int>(value);
}

bool TNSPlay::FlagProperty(const char* name) const {
    int value = 0;
    if (!Mpv || Lib->mpv_get_property(Mpv, name, MPV_FORMAT_FLAG, &value) < 0)
        return false;
    return value != 0;
}

void TNSPlay::SetFlagProperty(const char* name, bool value) {
    int flag = value ? 1 : 0;
    Lib->mpv_set_property(Mpv, name, MPV_FORMAT_FLAG, &flag);
}

} // namespace tavuro
