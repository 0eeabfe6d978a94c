// Opening what another program hands over (a media key client, a second start): the open
// dialog's way of adding a file or opening a playlist, then playing it.
#include "shell/M3U.h"
#include "shell/Main.h"

namespace tavuro {

void TMainForm::OpenAndPlay(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    const std::string& first = paths.front();
    const bool playlist = IsPlaylistPath(first);
    const bool wasPlaying = Playing();
    if (RunMode == 2 && !playlist) {
        PlayInPlaceOfTheSingleFiles(paths);
        return;
    }
    Timer2->stop();
    OpenChosenFiles(paths);
    // The dialog's own activation brings Timer2 back even where its flow leaves it off.
    if (ActivatedOnce)
        Timer2->start();
    if (!sbAbout->isHidden() || Playlist->Count() == 0)
        return; // a playlist without entries
    if (playlist) {
        // A new playlist already plays on when something played; an idle player starts it.
        if (!wasPlaying)
            PlaySelected();
        return;
    }
    PlayRowOf(first);
}

// A player started on one file stays a single-file player: the files handed over play next, the
// player still ends with the first, and nothing is written over the playlists of the data folder
// (the open dialog's flow would save this list as "playlist.m3u").
void TMainForm::PlayInPlaceOfTheSingleFiles(const std::vector<std::string>& paths) {
    AddFiles(paths);
    PlayRowOf(paths.front());
}

void TMainForm::PlayRowOf(const std::string& path) {
    const int row = FindEntry(path);
    if (row < 0)
        return;
    ClearSelection();
    SelectRow(row);
    PlaySelected();
}

} // namespace tavuro
