#include "shell/TextFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace tavuro {

bool WriteBytesReplacing(const std::string& path, std::string_view bytes, std::string* error) {
    QSaveFile file(QString::fromStdString(path));
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                             static_cast<qint64>(bytes.size()) &&
                         file.commit();
    if (!written) {
        if (error)
            *error = file.errorString().toStdString();
        file.cancelWriting();
    }
    return written;
}

bool WriteLinesReplacing(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return WriteBytesReplacing(path, text);
}

bool FileExists(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

bool NamesSpecialFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

} // namespace tavuro
