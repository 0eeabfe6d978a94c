#include "shell/PlayerStatus.h"

#include <algorithm>
#include <cstdlib>

#include "common/Text.h"
#include "shell/Main.h"

namespace tavuro {

namespace {

constexpr std::int64_t MicrosecondsPerSecond = 1000000;

bool EngineAudio(const TMainForm& form) {
    return form.Transport->BackEnd() == TBackEnd::beEngine;
}

std::optional<std::int64_t> KnownLength(const TMainForm& form, const TPlaylistEntry& entry,
                                        bool playing) {
    long long seconds = 0;
    if (playing)
        seconds = form.UnknownLength ? 0 : form.Gauge1->MaxValue;
    else if (entry.SubItems.size() >= 2)
        seconds = std::atoll(entry.SubItems[1].c_str());
    if (seconds < 1)
        return std::nullopt;
    return seconds * MicrosecondsPerSecond;
}

} // namespace

TPlayerStatus ReadPlayerStatus(const TMainForm& form) {
    TPlayerStatus status;
    const TTransport& transport = *form.Transport;
    status.Playing = transport.Playing();
    status.Paused = transport.Paused();
    status.CanPause = transport.CanPause();
    status.Volume = transport.Volume();
    const bool aboutShown = !form.sbAbout->isHidden();
    status.HasEntry =
        !aboutShown && form.CurrentIndex >= 0 && form.CurrentIndex < form.Playlist->Count();
    status.CanPlay = status.HasEntry && !form.StartingStream;
    status.CanGoNext = status.Playing;
    status.CanSeek = form.CanSeek();
    if (!status.HasEntry)
        return status;
    const TPlaylistEntry& entry = form.Playlist->Entry(form.CurrentIndex);
    status.Path = form.EntryFilePath(entry.Path());
    status.Title = CutForDisplay(entry.Caption);
    if (status.Playing && form.IsUrl && EngineAudio(form)) {
        const std::string streamTitle = form.EngineControl()->StreamTitle();
        if (!streamTitle.empty())
            status.Title = streamTitle;
    }
    status.LengthMicroseconds = KnownLength(form, entry, status.Playing);
    return status;
}

std::int64_t PlayerPosition(const TMainForm& form) {
    if (!form.Transport->Playing())
        return 0;
    double seconds;
    if (form.Transport->BackEnd() == TBackEnd::beExternalMidi)
        seconds = form.Gauge1->Progress; // the external player's seconds are counted
    else if (EngineAudio(form))
        seconds = form.EngineControl()->GetPosition() / 1000.0;
    else
        seconds = form.Player->CurrentPosition();
    return static_cast<std::int64_t>(std::max(seconds, 0.0) * MicrosecondsPerSecond);
}

} // namespace tavuro
