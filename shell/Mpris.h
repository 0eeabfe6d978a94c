#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "shell/PlayerStatus.h"

namespace tavuro {

class TMainForm;

// The well-known name of the running player on the session bus.
inline constexpr const char* MprisServiceName = "org.mpris.MediaPlayer2.tavuro";
inline constexpr const char* MprisObjectPath = "/org/mpris/MediaPlayer2";

// True when a session bus can be reached without starting one.
bool SessionBusAvailable();
// Without a session bus, libdbus would start one for whatever part of Qt first asks (the
// accessibility bridge of the X11 platform does at once), and that bus would outlive the player:
// the environment then names no bus. Call before the application object is made; the programs
// the player starts inherit it.
void KeepQtFromStartingASessionBus();

// The window on the session bus as an MPRIS 2 media player, so that desktops route media keys
// and their media controls to it. Everything runs on the GUI thread.
class TMprisService : public QObject {
    Q_OBJECT
public:
    // Registers the service; null without a session bus or when the bus refused the object.
    static std::unique_ptr<TMprisService> Start(TMainForm& form);
    ~TMprisService() override;

    TMainForm& Form;

    // Runs a request once no dialog is open and no stream is being started, the way a button
    // waits for the dialog in front of it; the caller has its answer already.
    void WhenFree(std::function<void()> request);
    // The current entry for the bus; the track id changes with every new start.
    QVariantMap Metadata() const;
    QDBusObjectPath TrackId() const;
    // What the window is doing now; a change is told to the bus first.
    const TPlayerStatus& Status();
    // Tells the bus what changed since it was last told, once the current event is done.
    void ScheduleRefresh();

private:
    explicit TMprisService(TMainForm& form);
    bool Busy() const;
    void RunRequests();
    void Refresh();
    void SendPropertiesChanged(const char* interface, const QVariantMap& changed);

    TPlayerStatus Told;
    std::uint64_t TrackNumber = 0;
    std::deque<std::function<void()>> Requests;
    bool RunningRequest = false;
    QTimer RequestTimer, RefreshTimer;
};

// org.mpris.MediaPlayer2: who the player is; raising and quitting it.
class TMprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit TMprisRoot(TMprisService* service);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Tavuro"); }
    QString DesktopEntry() const { return QStringLiteral("tavuro"); }
    QStringList SupportedUriSchemes() const;
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise();
    void Quit(); // through the close query, as the power button

private:
    TMprisService& Service;
};

// org.mpris.MediaPlayer2.Player: the transport buttons, what plays and where.
class TMprisPlayer : public QDBusAbstractAdaptor, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit TMprisPlayer(TMprisService* service);
    QString PlaybackStatus() const;
    // The player plays at one speed: writes change nothing.
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    // The loudness of what plays, 0 to 1 (louder asks are taken as 1).
    double Volume() const;
    void SetVolume(double volume);
    QVariantMap Metadata() const { return Service.Metadata(); }
    qlonglong Position() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const { return false; }
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

public slots:
    void Next();
    void Previous() {}
    void Pause();
    // Pauses and resumes where the back end can pause; else plays when idle and stops when
    // playing, as the buttons do.
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);
    void OpenUri(const QString& Uri);

signals:
    void Seeked(qlonglong Position);

private:
    void SeekAndTell(std::int64_t microseconds);
    TMprisService& Service;
};

} // namespace tavuro
