// FFmpeg, which the library loads when it first opens a stream that only FFmpeg reads (WMA, AAC,
// modules, network protocols), not with BASS_Init: MP3, Ogg, Opus, FLAC and WAV never map it.
#pragma once

#include "RuntimeLibrary.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

// Every FFmpeg function the library calls; each is resolved by name when FFmpeg loads.
#define BASS_FFMPEG_ENTRY_POINTS(X)                                                                \
    X(av_dict_free)                                                                                \
    X(av_dict_set_int)                                                                             \
    X(av_find_best_stream)                                                                         \
    X(av_frame_alloc)                                                                              \
    X(av_frame_free)                                                                               \
    X(av_frame_unref)                                                                              \
    X(av_free)                                                                                     \
    X(av_freep)                                                                                    \
    X(av_log_set_level)                                                                            \
    X(av_malloc)                                                                                   \
    X(av_packet_alloc)                                                                             \
    X(av_packet_free)                                                                              \
    X(av_packet_unref)                                                                             \
    X(av_read_frame)                                                                               \
    X(av_rescale_q)                                                                                \
    X(av_seek_frame)                                                                               \
    X(avcodec_alloc_context3)                                                                      \
    X(avcodec_find_decoder)                                                                        \
    X(avcodec_flush_buffers)                                                                       \
    X(avcodec_free_context)                                                                        \
    X(avcodec_open2)                                                                               \
    X(avcodec_parameters_to_context)                                                               \
    X(avcodec_receive_frame)                                                                       \
    X(avcodec_send_packet)                                                                         \
    X(avformat_alloc_context)                                                                      \
    X(avformat_close_input)                                                                        \
    X(avformat_find_stream_info)                                                                   \
    X(avformat_free_context)                                                                       \
    X(avformat_open_input)                                                                         \
    X(avformat_seek_file)                                                                          \
    X(avio_alloc_context)                                                                          \
    X(avio_closep)                                                                                 \
    X(avio_context_free)                                                                           \
    X(avio_open2)                                                                                  \
    X(avio_read)                                                                                   \
    X(avio_seek)                                                                                   \
    X(avio_size)                                                                                   \
    X(swr_alloc_set_opts2)                                                                         \
    X(swr_convert)                                                                                 \
    X(swr_free)                                                                                    \
    X(swr_init)

namespace bass {

struct FFmpegLibrary {
    BASS_FFMPEG_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

// Loads FFmpeg at the first call, from any thread, and keeps it for the life of the process.
// Null when one of its libraries or functions is missing (TAVURO_DEBUG=1 says which).
const FFmpegLibrary* LoadFFmpeg();

// The loaded FFmpeg: only after LoadFFmpeg answered non-null.
inline const FFmpegLibrary& FFmpeg() {
    return *LoadFFmpeg();
}

} // namespace bass
