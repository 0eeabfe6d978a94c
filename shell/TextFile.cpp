#include "shell/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace tavuro {

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString().toStdString();
        return std::nullopt;
    }
    // Straight into the string: a big playlist is neither copied nor grown step by step.
    std::string bytes(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)), '\0');
    qint64 got = file.read(bytes.data(), static_cast<qint64>(bytes.size()));
    if (got >= 0) {
        bytes.resize(static_cast<std::size_t>(got));
        // The rest of a file that reported no size, or grew meanwhile.
        char block[65536];
        while ((got = file.read(block, sizeof block)) > 0)
            bytes.append(block, static_cast<std::size_t>(got));
    }
    if (got < 0) {
        if (error)
            *error = file.errorString().toStdString();
        return std::nullopt;
    }
    return bytes;
}

bool WriteBytesReplacing(const std::string& path, std::string_view bytes) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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

} // namespace tavuro
