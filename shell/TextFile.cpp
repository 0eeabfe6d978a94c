#include "shell/TextFile.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace tavuro {

bool WriteLinesReplacing(const std::string& path, const std::vector<std::string>& lines,
                         std::string* error) {
    std::string text;
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return WriteFileReplacing(path, text, error);
}

namespace {

// The folder with symbolic links resolved where it exists, so two spellings of one folder match.
QString CanonicalFolder(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

bool SameFolder(const std::string& one, const std::string& other) {
    return !one.empty() && !other.empty() &&
           CanonicalFolder(QString::fromStdString(one)) ==
               CanonicalFolder(QString::fromStdString(other));
}

bool FileExists(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

std::string AbsoluteFolderOf(const std::string& path) {
    std::string folder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool NamesSpecialFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

} // namespace tavuro
