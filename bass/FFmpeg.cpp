#include "FFmpeg.h"

namespace bass {

namespace {

// The libraries by the names the system loads them by (their sonames, from the build); the
// demuxers' library pulls in the decoders, the resampler's is apart.
BASS_DEFINE_RUNTIME_LOADER(FFmpegLibrary, LoadEntryPoints, BASS_FFMPEG_ENTRY_POINTS,
                           BASS_AVFORMAT_LIBRARY, BASS_SWRESAMPLE_LIBRARY)

} // namespace

const FFmpegLibrary* LoadFFmpeg() {
    static const FFmpegLibrary* const ffmpeg = [] {
        const FFmpegLibrary* loaded = LoadEntryPoints();
        // Damaged media are reported through error codes; FFmpeg's own messages only on request.
        if (loaded && !Debugging())
            loaded->av_log_set_level(AV_LOG_QUIET);
        return loaded;
    }();
    return ffmpeg;
}

} // namespace bass
