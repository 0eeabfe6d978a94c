#pragma once

#include <QObject>

#include <functional>

namespace tavuro {

class TEngineControl;
class TMediaControl;

// The back end that plays the current entry.
enum class TBackEnd { beNone, beEngine, beMediaControl, beExternalMidi };

// What the transport buttons show: idle, or playing an entry (held where it is, or not).
enum class TTransportState { tsIdle, tsPlaying, tsPaused };

// The one owner of what plays: the back end of the current entry, whether the player is idle,
// playing or paused, and the loudness. The window's actions, its timers and the desktop's media
// controls all go through it; the window's buttons follow its state.
class TTransport : public QObject {
    Q_OBJECT
public:
    // closeExternalPlayer closes the external MIDI player (and collapses its strip).
    TTransport(TMediaControl& player, std::function<void()> closeExternalPlayer);

    void SetEngine(TEngineControl* engine); // null: no engine (absent, or freed at the close)
    TEngineControl* Engine() const { return EngineBackEnd; }

    TBackEnd BackEnd() const { return Current; }
    TTransportState State() const { return PlayState; }
    bool Playing() const { return PlayState != TTransportState::tsIdle; } // paused or not
    bool Paused() const { return PlayState == TTransportState::tsPaused; }

    // A back end took the current entry.
    void Started(TBackEnd backEnd);
    // The buttons' states: an entry is playing; nothing is.
    void SetPlaying();
    void SetIdle();
    // Closes whichever back end plays; a paused entry counts as playing again.
    void CloseBackEnd();

    // The engine, the media control and its MIDI synthesiser pause; the external player cannot.
    bool CanPause() const;
    bool Pause();
    // False when the entry cannot go on from where it was held (a live stream held past its
    // buffer): the caller starts it anew. Nothing happens unless paused.
    bool Resume();

    double Volume() const { return Loudness; }
    // From 0 to 1, for what plays now and every later entry.
    void SetVolume(double level);

signals:
    void StateChanged();
    void VolumeChanged();

private:
    void SetState(TTransportState state);

    TMediaControl& Player;
    std::function<void()> CloseExternalPlayer;
    TEngineControl* EngineBackEnd = nullptr;
    TBackEnd Current = TBackEnd::beNone;
    TTransportState PlayState = TTransportState::tsIdle;
    double Loudness = 1.0;
};

} // namespace tavuro
