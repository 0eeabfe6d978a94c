#include "shell/MediaClass.h"

#include <string>

#include "common/Text.h"
#include "shell/PlaylistEntry.h"

namespace tavuro {

namespace {
bool IsOneOf(const std::string& ext, std::initializer_list<std::string_view> list) {
    for (auto item : list)
        if (ext == item)
            return true;
    return false;
}
} // namespace

TClassification ClassifyMedia(std::string_view path, bool enginePresent, bool wmaAddOnPresent) {
    TClassification result;
    result.IsUrl = IsNetworkAddress(path);
    std::string ext = UpperAscii(FileExtension(path));
    if (ext.find('/') != std::string::npos)
        ext.clear();
    TMediaClass mediaClass = mcControl;
    if (!result.IsUrl && IsOneOf(ext, {".MID", ".MIDI", ".KAR"})) {
        mediaClass = mcMidi;
    } else if (enginePresent && (IsOneOf(ext, {".MP3", ".WMA", ".WAV", ".MP1", ".MP2", ".OGG"}) ||
                                 IsOneOf(ext, {".FLAC", ".OPUS", ".OGA", ".M4A", ".AAC"}) ||
                                 (result.IsUrl && ext.empty()))) {
        mediaClass = mcEngine;
    } else if (ext == ".ASX") {
        mediaClass = mcAsx;
    }
    result.IsWindowsMediaFormat = IsOneOf(ext, {".WMA", ".WMV", ".ASF", ".WM"});
    if (ext == ".WMA" && (!wmaAddOnPresent || result.IsUrl))
        mediaClass = mcControl;
    // A secure address counts as a plain one.
    const std::string upper = UpperAscii(path);
    const bool http = upper.find("HTTP://") != std::string::npos ||
                      upper.find("HTTPS://") != std::string::npos;
    if (result.IsUrl && !http && ext.empty())
        mediaClass = mcNetStream;
    result.Class = mediaClass;
    return result;
}

} // namespace tavuro
