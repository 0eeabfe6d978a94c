// Opening what another program hands over (a media key client, a second start): the open
// dialog's way of adding a file or opening a playlist, then playing it.
#include "common/Text.h"
#include "shell/Main.h"

namespace tavuro {

void TMainForm::OpenAndPlay(const std::string& path) {
    const bool playlist = UpperAscii(FileExtension(path)) == ".M3U";
    const bool wasPlaying = Playing();
    Timer2->stop();
    OpenChosenFiles(std::vector<std::string>{path});
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
    const int row = FindEntry(path);
    if (row < 0)
        return;
    ClearSelection();
    SelectRow(row);
    PlaySelected();
}

} // namespace tavuro
