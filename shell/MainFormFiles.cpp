// The player's files beyond reading and writing them: where its own playlists live, what becomes
// of a playlist whose last entry went, and telling a save that failed.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include "shell/Main.h"
#include "shell/TextFile.h"

namespace tavuro {

bool TMainForm::InPlaylistFolder(const std::string& file) const {
    return SameFolder(AbsoluteFolderOf(file), AppDir);
}

int TMainForm::FindOpenedEntry(const std::string& opened) const {
    if (opened.empty())
        return -1;
    const int row = FindEntry(opened);
    if (row >= 0 || PlaylistFolder.empty())
        return row;
    // An entry found beside its playlist is listed as written, not as it was opened.
    for (int other = 0; other < Playlist->Count(); ++other)
        if (EntryFilePath(Playlist->Entry(other).Path()) == opened)
            return other;
    return -1;
}

void TMainForm::DiscardPlaylistFile(const std::string& header) {
    if (PlaylistFile.empty())
        return;
    if (InPlaylistFolder(PlaylistFile)) {
        QFile::remove(QString::fromStdString(PlaylistFile)); // a failed removal is ignored
        return;
    }
    if (!FileExists(PlaylistFile))
        return;
    std::string error;
    if (!WriteFileReplacing(PlaylistFile, header + "\r\n", &error))
        ReportSaveFailure(PlaylistFile, error);
}

void TMainForm::ReportSaveFailure(const std::string& file, const std::string& reason) {
    const std::string text = "无法保存文件 \"" + file + "\": " + reason;
    if (SessionEnding)
        std::fprintf(stderr, "tavuro: %s\n", text.c_str());
    else
        ShowMessage(text, ApplicationTitle());
}

} // namespace tavuro
