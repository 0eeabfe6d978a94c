#include "shell/PlaylistRead.h"

#include "common/FileBytes.h"
#include "shell/Pls.h"
#include "shell/TextFile.h"

namespace tavuro {

TPlaylistRead ReadPlaylistFile(const std::string& file) {
    TPlaylistRead read;
    std::string error;
    const auto bytes = ReadFileBytes(file, &error);
    if (bytes)
        read.Content = IsPlsPath(file) ? ParsePls(*bytes) : ParseM3U(*bytes);
    else
        read.Error = error;
    if (read.Content.NotText)
        read.Error = "Not a text file";
    return read;
}

void TPlaylistReadAhead::Start(const std::string& file) {
    if (file.empty())
        return;
    File = file;
    Read = std::async(std::launch::async, ReadPlaylistFile, file);
}

std::optional<TPlaylistRead> TPlaylistReadAhead::Take(const std::string& file) {
    if (!Read.valid() || file != File)
        return std::nullopt;
    return Read.get();
}

} // namespace tavuro
