#include "shell/Transport.h"

#include <algorithm>
#include <utility>

#include "desktop/MediaControl.h"
#include "engine/EngineControl.h"

namespace tavuro {

TTransport::TTransport(TMediaControl& player, std::function<void()> closeExternalPlayer)
    : Player(player), CloseExternalPlayer(std::move(closeExternalPlayer)) {}

void TTransport::SetEngine(TEngineControl* engine) {
    EngineBackEnd = engine;
    if (EngineBackEnd)
        EngineBackEnd->SetVolume(Loudness);
    if (!EngineBackEnd && Current == TBackEnd::beEngine)
        Current = TBackEnd::beNone;
}

void TTransport::Started(TBackEnd backEnd) {
    Current = backEnd;
    if (Paused())
        SetState(TTransportState::tsPlaying);
    else
        emit StateChanged(); // a new entry is news even in the same state
}

void TTransport::SetPlaying() {
    if (!Playing())
        SetState(TTransportState::tsPlaying);
}

void TTransport::SetIdle() {
    SetState(TTransportState::tsIdle);
}

void TTransport::SetState(TTransportState state) {
    if (state == PlayState)
        return;
    PlayState = state;
    emit StateChanged();
}

void TTransport::CloseBackEnd() {
    const TBackEnd closing = std::exchange(Current, TBackEnd::beNone);
    switch (closing) {
    case TBackEnd::beExternalMidi:
        CloseExternalPlayer();
        break;
    case TBackEnd::beEngine:
        if (EngineBackEnd)
            EngineBackEnd->Close();
        break;
    case TBackEnd::beMediaControl:
    case TBackEnd::beNone:
        Player.SetFileName("");
        break;
    }
    if (Paused())
        SetState(TTransportState::tsPlaying);
}

bool TTransport::CanPause() const {
    if (!Playing())
        return false;
    switch (Current) {
    case TBackEnd::beEngine:
        return EngineBackEnd != nullptr;
    case TBackEnd::beMediaControl:
        return true;
    case TBackEnd::beExternalMidi:
    case TBackEnd::beNone:
        break;
    }
    return false;
}

bool TTransport::Pause() {
    if (PlayState != TTransportState::tsPlaying || !CanPause())
        return false;
    if (Current == TBackEnd::beEngine) {
        if (!EngineBackEnd->Pause())
            return false;
    } else {
        Player.Pause();
        if (Player.PlayState() != 1)
            return false;
    }
    SetState(TTransportState::tsPaused);
    return true;
}

bool TTransport::Resume() {
    if (!Paused())
        return true;
    const bool resumed = Current == TBackEnd::beEngine ? EngineBackEnd->Resume() : Player.Play();
    if (resumed)
        SetState(TTransportState::tsPlaying);
    return resumed;
}

void TTransport::SetVolume(double level) {
    level = std::clamp(level, 0.0, 1.0);
    if (level == Loudness)
        return;
    Loudness = level;
    Player.SetVolume(level);
    if (EngineBackEnd)
        EngineBackEnd->SetVolume(level);
    emit VolumeChanged();
}

} // namespace tavuro
