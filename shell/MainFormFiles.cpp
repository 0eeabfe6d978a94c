// The player's files beyond reading and writing them: where its own playlists live, what becomes
// of a playlist whose last entry went, and telling a save that failed.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>

#include "platform/Translations.h"
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

namespace {

// Whether both name one existing thing, whatever it is (a FIFO or a device as well).
bool SameFile(const std::string& one, const std::string& other) {
    struct stat first {};
    struct stat second {};
    return !one.empty() && !other.empty() && stat(one.c_str(), &first) == 0 &&
           stat(other.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// "list2.m3u", "list3.m3u" ... beside "list.m3u": the first name nothing has.
std::string FreeNameBeside(const std::string& file) {
    const std::size_t extension = file.size() - FileExtension(file).size();
    for (int number = 2;; ++number) {
        std::string name =
            file.substr(0, extension) + std::to_string(number) + file.substr(extension);
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0)
            return name;
    }
}

} // namespace

void TMainForm::AvoidUnreadPlaylist() {
    if (SameFile(PlaylistFile, UnreadPlaylist))
        PlaylistFile = FreeNameBeside(PlaylistFile);
}

std::string TMainForm::PlsCopyName(const std::string& pls) const {
    const std::string name = AppDir + EntryCaption(pls) + ".m3u";
    struct stat info {};
    return lstat(name.c_str(), &info) != 0 ? name : FreeNameBeside(name);
}

void TMainForm::DiscardPlaylistFile(const std::string& header) {
    if (PlaylistFile.empty() || SameFile(PlaylistFile, UnreadPlaylist))
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
    const std::string text = Translate("TMainForm", "无法保存文件 \"%1\": %2")
                                 .arg(QString::fromStdString(file), QString::fromStdString(reason))
                                 .toStdString();
    if (SessionEnding)
        std::fprintf(stderr, "tavuro: %s\n", text.c_str());
    else
        ShowMessage(text, ApplicationTitle());
}

} // namespace tavuro
