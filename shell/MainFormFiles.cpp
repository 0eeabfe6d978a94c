// The player's files beyond reading and writing them: where its own playlists live, what becomes
// of a playlist whose last entry went, and telling a save that failed.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include "platform/Translations.h"
#include "shell/Main.h"
#include "shell/TextFile.h"

namespace tavuro {

namespace {

// The folder with symbolic links resolved where it exists, so two spellings of one folder match.
QString CanonicalFolder(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

bool TMainForm::InPlaylistFolder(const std::string& file) const {
    const QFileInfo info(QString::fromStdString(file));
    return CanonicalFolder(info.absolutePath()) == CanonicalFolder(QString::fromStdString(AppDir));
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
    const std::string text = Translate("TMainForm", "无法保存文件 \"%1\": %2")
                                 .arg(QString::fromStdString(file), QString::fromStdString(reason))
                                 .toStdString();
    if (SessionEnding)
        std::fprintf(stderr, "tavuro: %s\n", text.c_str());
    else
        ShowMessage(text, ApplicationTitle());
}

} // namespace tavuro
