#include "FFmpeg.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace bass {

namespace {

bool Debugging() {
    const char* value = std::getenv("TAVURO_DEBUG");
    return value != nullptr && *value == '1';
}

// The libraries by the names the system loads them by (their sonames, from the build); the
// decoders' library pulls in the others but for the resampler.
constexpr const char* kLibraries[] = {BASS_AVFORMAT_LIBRARY, BASS_SWRESAMPLE_LIBRARY};

bool Load(FFmpegLibrary& ffmpeg) {
    void* handles[std::size(kLibraries)] = {};
    for (std::size_t i = 0; i < std::size(kLibraries); ++i) {
        handles[i] = dlopen(kLibraries[i], RTLD_NOW | RTLD_LOCAL);
        if (handles[i] == nullptr) {
            if (Debugging())
                std::fprintf(stderr, "libbass: cannot load %s: %s\n", kLibraries[i], dlerror());
            return false;
        }
    }
    auto resolve = [&handles](const char* name) -> void* {
        for (void* handle : handles)
            if (void* found = dlsym(handle, name))
                return found;
        if (Debugging())
            std::fprintf(stderr, "libbass: FFmpeg lacks %s\n", name);
        return nullptr;
    };
    bool complete = true;
#define BASS_FFMPEG_RESOLVE(name)                                                                  \
    ffmpeg.name = reinterpret_cast<decltype(ffmpeg.name)>(resolve(#name));                         \
    complete = complete && ffmpeg.name != nullptr;
    BASS_FFMPEG_ENTRY_POINTS(BASS_FFMPEG_RESOLVE)
#undef BASS_FFMPEG_RESOLVE
    if (!complete)
        return false;
    // Damaged media are reported through error codes; FFmpeg's own messages only on request.
    if (!Debugging())
        ffmpeg.av_log_set_level(AV_LOG_QUIET);
    return true;
}

} // namespace

const FFmpegLibrary* LoadFFmpeg() {
    // The libraries stay loaded: decoding threads may still be winding down at exit.
    static FFmpegLibrary ffmpeg;
    static const bool loaded = Load(ffmpeg);
    return loaded ? &ffmpeg : nullptr;
}

} // namespace bass
