// The codecs FFmpeg carries for the library: WMA for the add-on, AAC, ALAC and the WAV codecs
// that are no plain PCM for streams, modules for music, and the mms protocols.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "Cancel.h"
#include "Codec.h"

namespace bass {

// Which sources a caller takes: BASS streams, the WMA add-on's, or module music.
enum class SourceKind { Stream, Wma, Music };

struct FFmpegOptions {
    SourceKind kind = SourceKind::Stream;
    int musicRate = 44100; // output rate of module music
    std::string extension; // of a module file, which names its type
    std::string url;       // an address for FFmpeg's own protocols, instead of the input
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    CancelCheck cancelled; // the open gives up when it says so
};

// Null with a BASS error code when FFmpeg cannot be loaded or the source is not of `kind`.
std::unique_ptr<Codec> OpenFFmpeg(ByteInput& input, const FFmpegOptions& options, int& error);

} // namespace bass
