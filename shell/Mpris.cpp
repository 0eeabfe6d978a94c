#include "shell/Mpris.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>

#include "shell/HandOver.h"
#include "shell/Main.h"
#include "shell/MediaUri.h"

namespace tavuro {

namespace {

constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* NoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr int BusyRetryMilliseconds = 100;

QString PlaybackStatusText(const TPlayerStatus& status) {
    if (!status.Playing)
        return QStringLiteral("Stopped");
    return status.Paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

} // namespace

namespace {
// An address of no bus: libdbus refuses it at once, and with the variable set it starts
// ("autolaunches") no bus of its own either.
constexpr const char* NoBusAddress = "disabled:";
} // namespace

bool SessionBusAvailable() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return std::strcmp(address, NoBusAddress) != 0;
    // The bus a systemd user session keeps in the runtime folder; anything else would have to
    // be started, which the player never does.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime && QFileInfo::exists(QString::fromUtf8(runtime) + "/bus");
}

void KeepQtFromStartingASessionBus() {
    if (!SessionBusAvailable())
        setenv("DBUS_SESSION_BUS_ADDRESS", NoBusAddress, 1);
}

TMprisService::TMprisService(TMainForm& form) : Form(form) {
    RequestTimer.setSingleShot(true);
    connect(&RequestTimer, &QTimer::timeout, this, &TMprisService::RunRequests);
    RefreshTimer.setSingleShot(true);
    RefreshTimer.setInterval(0);
    connect(&RefreshTimer, &QTimer::timeout, this, &TMprisService::Refresh);
}

std::unique_ptr<TMprisService> TMprisService::Start(TMainForm& form) {
    if (!SessionBusAvailable())
        return nullptr;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return nullptr;
    std::unique_ptr<TMprisService> service(new TMprisService(form));
    new TMprisRoot(service.get());
    new TMprisPlayer(service.get());
    new THandOverAdaptor(service.get());
    if (!bus.registerObject(MprisObjectPath, service.get(), QDBusConnection::ExportAdaptors))
        return nullptr;
    // A name already taken (a player of another session on this bus) gets the instance suffix
    // media players use for a second instance.
    if (!bus.registerService(MprisServiceName) &&
        !bus.registerService(QString(MprisServiceName) + ".instance" + QString::number(getpid()))) {
        bus.unregisterObject(MprisObjectPath);
        return nullptr;
    }
    // What the transport, the titles and the list tell is what the bus hears about.
    TMprisService* target = service.get();
    connect(&form, &QWidget::windowTitleChanged, target, &TMprisService::ScheduleRefresh);
    connect(form.Transport.get(), &TTransport::StateChanged, target,
            &TMprisService::ScheduleRefresh);
    connect(form.Transport.get(), &TTransport::VolumeChanged, target,
            &TMprisService::ScheduleRefresh);
    connect(form.Playlist, &QAbstractItemModel::modelReset, target,
            [target] { target->ScheduleRefresh(); });
    connect(form.Playlist, &QAbstractItemModel::layoutChanged, target,
            [target] { target->ScheduleRefresh(); });
    connect(form.Playlist, &QAbstractItemModel::dataChanged, target,
            [target] { target->ScheduleRefresh(); });
    if (TEngineControl* engine = form.EngineControl())
        engine->SetStreamTitleHandler(
            [target = service.get()](const std::string&) { target->ScheduleRefresh(); });
    service->Told = ReadPlayerStatus(form);
    return service;
}

TMprisService::~TMprisService() {
    if (TEngineControl* engine = Form.EngineControl())
        engine->SetStreamTitleHandler(nullptr);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(MprisObjectPath);
}

void TMprisService::WhenFree(std::function<void()> request) {
    Requests.push_back(std::move(request));
    if (!RequestTimer.isActive())
        RequestTimer.start(0);
}

// A dialog in front, a stream being connected (the media control lets events through then) or
// a request of ours still running: the request waits, as a click on a button would.
bool TMprisService::Busy() const {
    return QApplication::activeModalWidget() != nullptr || Form.StartingStream || RunningRequest;
}

void TMprisService::RunRequests() {
    while (!Requests.empty()) {
        if (Busy()) {
            RequestTimer.start(BusyRetryMilliseconds);
            return;
        }
        const std::function<void()> request = std::move(Requests.front());
        Requests.pop_front();
        RunningRequest = true;
        request();
        RunningRequest = false;
    }
    ScheduleRefresh();
}

void TMprisService::ScheduleRefresh() {
    if (!RefreshTimer.isActive())
        RefreshTimer.start();
}

QDBusObjectPath TMprisService::TrackId() const {
    if (!Told.HasEntry)
        return QDBusObjectPath(NoTrack);
    return QDBusObjectPath("/org/tavuro/Track/" + QString::number(TrackNumber));
}

QVariantMap TMprisService::Metadata() const {
    QVariantMap metadata;
    metadata.insert("mpris:trackid", QVariant::fromValue(TrackId()));
    if (!Told.HasEntry)
        return metadata;
    metadata.insert("xesam:title", QString::fromStdString(Told.Title));
    metadata.insert("xesam:url", UriOfPath(Told.Path));
    if (Told.LengthMicroseconds)
        metadata.insert("mpris:length", static_cast<qlonglong>(*Told.LengthMicroseconds));
    return metadata;
}

void TMprisService::Refresh() {
    const TPlayerStatus now = ReadPlayerStatus(Form);
    if (now == Told)
        return;
    // Every new start is a new track for the bus, even of the same entry.
    const bool newTrack = now.Path != Told.Path || (now.Playing && !Told.Playing);
    const TPlayerStatus before = Told;
    Told = now;
    if (newTrack)
        ++TrackNumber;
    QVariantMap changed;
    if (now.Playing != before.Playing || now.Paused != before.Paused)
        changed.insert("PlaybackStatus", PlaybackStatusText(now));
    if (newTrack || now.HasEntry != before.HasEntry || now.Title != before.Title ||
        now.LengthMicroseconds != before.LengthMicroseconds)
        changed.insert("Metadata", Metadata());
    if (now.CanPlay != before.CanPlay)
        changed.insert("CanPlay", now.CanPlay);
    if (now.CanGoNext != before.CanGoNext)
        changed.insert("CanGoNext", now.CanGoNext);
    if (now.CanSeek != before.CanSeek)
        changed.insert("CanSeek", now.CanSeek);
    if (now.CanPause != before.CanPause)
        changed.insert("CanPause", now.CanPause);
    if (now.Volume != before.Volume)
        changed.insert("Volume", now.Volume);
    if (!changed.isEmpty())
        SendPropertiesChanged(PlayerInterface, changed);
}

const TPlayerStatus& TMprisService::Status() {
    Refresh();
    return Told;
}

void TMprisService::SendPropertiesChanged(const char* interface, const QVariantMap& changed) {
    QDBusMessage signal = QDBusMessage::createSignal(
        MprisObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
    signal << QString(interface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

TMprisRoot::TMprisRoot(TMprisService* service) : QDBusAbstractAdaptor(service), Service(*service) {}

QStringList TMprisRoot::SupportedUriSchemes() const {
    return {"file", "http", "https", "ftp", "mms", "mmsh", "rtsp"};
}

// The formats of the open dialog's media filter, and its playlists.
QStringList TMprisRoot::SupportedMimeTypes() const {
    return {"audio/midi",     "audio/x-midi",   "audio/mpeg",      "audio/x-ms-wma",
            "audio/x-wav",    "audio/wav",      "audio/ogg",       "audio/x-vorbis+ogg",
            "audio/basic",    "audio/x-aiff",   "video/x-msvideo", "video/mpeg",
            "video/x-ms-wmv", "video/x-ms-asf", "audio/x-mpegurl", "audio/mpegurl"};
}

void TMprisRoot::Raise() {
    TMainForm& form = Service.Form;
    if (form.isMinimized())
        form.showNormal();
    form.raise();
    form.activateWindow();
}

void TMprisRoot::Quit() {
    Service.WhenFree([&form = Service.Form] { form.close(); });
}

TMprisPlayer::TMprisPlayer(TMprisService* service)
    : QDBusAbstractAdaptor(service), Service(*service) {}

QString TMprisPlayer::PlaybackStatus() const {
    return PlaybackStatusText(Service.Status());
}

double TMprisPlayer::Volume() const {
    return Service.Form.Transport->Volume();
}

// Applied at once: a volume key expects to hear it before its next press.
void TMprisPlayer::SetVolume(double volume) {
    Service.Form.Transport->SetVolume(volume);
}

bool TMprisPlayer::CanPause() const {
    return Service.Status().CanPause;
}

qlonglong TMprisPlayer::Position() const {
    return PlayerPosition(Service.Form);
}

bool TMprisPlayer::CanGoNext() const {
    return Service.Status().CanGoNext;
}

bool TMprisPlayer::CanPlay() const {
    return Service.Status().CanPlay;
}

bool TMprisPlayer::CanSeek() const {
    return Service.Status().CanSeek;
}

void TMprisPlayer::Next() {
    Service.WhenFree([&form = Service.Form] { form.sbNext->click(); });
}

void TMprisPlayer::Play() {
    Service.WhenFree([&form = Service.Form] {
        if (form.Transport->Paused())
            form.ResumePlayback();
        else if (!form.Transport->Playing())
            form.sbPlay->click();
    });
}

void TMprisPlayer::Pause() {
    Service.WhenFree([&form = Service.Form] { form.PausePlayback(); });
}

void TMprisPlayer::Stop() {
    Service.WhenFree([&form = Service.Form] { form.sbStop->click(); });
}

void TMprisPlayer::PlayPause() {
    Service.WhenFree([&form = Service.Form] {
        const TTransport& transport = *form.Transport;
        if (transport.Paused())
            form.ResumePlayback();
        else if (transport.CanPause())
            form.PausePlayback();
        else if (transport.Playing())
            form.sbStop->click();
        else
            form.sbPlay->click();
    });
}

void TMprisPlayer::Seek(qlonglong Offset) {
    Service.WhenFree([this, Offset] {
        const TPlayerStatus& status = Service.Status();
        if (!status.CanSeek)
            return;
        const std::int64_t target =
            std::max<std::int64_t>(PlayerPosition(Service.Form) + Offset, 0);
        // Past the end is the next entry, as the media-player interface asks.
        if (status.LengthMicroseconds && target > *status.LengthMicroseconds)
            Service.Form.sbNext->click();
        else
            SeekAndTell(target);
    });
}

void TMprisPlayer::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    Service.WhenFree([this, TrackId, Position] {
        const TPlayerStatus& status = Service.Status();
        if (TrackId != Service.TrackId() || !status.CanSeek || Position < 0 ||
            (status.LengthMicroseconds && Position > *status.LengthMicroseconds))
            return;
        SeekAndTell(Position);
    });
}

void TMprisPlayer::SeekAndTell(std::int64_t microseconds) {
    if (Service.Form.SeekTo(static_cast<std::uint32_t>(microseconds / 1000)))
        emit Seeked(PlayerPosition(Service.Form));
}

void TMprisPlayer::OpenUri(const QString& Uri) {
    QString refusal;
    const std::optional<std::string> path = OpenablePath(Uri, refusal);
    if (!path) {
        sendErrorReply(QDBusError::InvalidArgs, refusal);
        return;
    }
    Service.WhenFree([&form = Service.Form, path = *path] { form.OpenAndPlay(path); });
}

} // namespace tavuro
