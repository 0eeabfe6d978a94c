#include "FFmpegCodec.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <vector>

#include "FFmpeg.h"

namespace bass {

namespace {

constexpr int kIoBufferSize = 32768;

bool IsMp4(const std::string& demuxer) {
    return demuxer.find("mp4") != std::string::npos; // "mov,mp4,m4a,3gp,3g2,mj2"
}

bool Accepts(SourceKind kind, const std::string& demuxer, AVCodecID codec) {
    switch (kind) {
    case SourceKind::Stream:
        if (codec == AV_CODEC_ID_MP1 || codec == AV_CODEC_ID_MP2 || codec == AV_CODEC_ID_MP3)
            return demuxer == "mp3" || demuxer == "wav";
        if (codec == AV_CODEC_ID_AAC)
            return demuxer == "aac" || IsMp4(demuxer);
        if (codec == AV_CODEC_ID_ALAC)
            return IsMp4(demuxer);
        return demuxer == "wav"; // WAV codecs that are no plain PCM
    case SourceKind::Wma:
        return demuxer == "asf" &&
               (codec == AV_CODEC_ID_WMAV1 || codec == AV_CODEC_ID_WMAV2 ||
                codec == AV_CODEC_ID_WMAPRO || codec == AV_CODEC_ID_WMALOSSLESS ||
                codec == AV_CODEC_ID_WMAVOICE);
    case SourceKind::Music:
        return demuxer == "libopenmpt";
    }
    return false;
}

DWORD MusicType(std::string extension) {
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mtm")
        return BASS_CTYPE_MUSIC_MTM;
    if (extension == "s3m")
        return BASS_CTYPE_MUSIC_S3M;
    if (extension == "xm")
        return BASS_CTYPE_MUSIC_XM;
    if (extension == "it")
        return BASS_CTYPE_MUSIC_IT;
    return BASS_CTYPE_MUSIC_MOD;
}

DWORD StreamType(SourceKind kind, const std::string& extension, AVCodecID codec) {
    if (kind == SourceKind::Music)
        return MusicType(extension);
    if (kind == SourceKind::Wma)
        return BASS_CTYPE_STREAM_WMA;
    switch (codec) {
    case AV_CODEC_ID_MP1:
        return BASS_CTYPE_STREAM_MP1;
    case AV_CODEC_ID_MP2:
        return BASS_CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP3:
        return BASS_CTYPE_STREAM_MP3;
    case AV_CODEC_ID_AAC:
        return BASS_CTYPE_STREAM_AAC;
    case AV_CODEC_ID_ALAC:
        return BASS_CTYPE_STREAM_ALAC;
    default:
        return BASS_CTYPE_STREAM_WAV;
    }
}

// Seconds of a stream from its start time, or -1.
double StreamSeconds(const AVFormatContext* format, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return static_cast<double>(format->duration) / AV_TIME_BASE;
    return -1;
}

class FFmpegCodec final : public Codec {
public:
    FFmpegCodec(ByteInput& input, const FFmpegOptions& options)
        : Codec(input), options_(options), api_(FFmpeg()) {}

    ~FFmpegCodec() override {
        api_.swr_free(&resampler_);
        api_.avcodec_free_context(&codec_);
        api_.avformat_close_input(&demuxer_);
        if (io_) {
            api_.av_freep(&io_->buffer);
            api_.avio_context_free(&io_);
        }
        api_.av_frame_free(&frame_);
        api_.av_packet_free(&packet_);
    }

    int Open() {
        int error = OpenInput();
        if (error == BASS_OK)
            error = OpenDecoder();
        opening_ = false;
        return error;
    }

    size_t Read(int16_t* out, size_t frames) override {
        while (pending_.Empty()) {
            pending_.Clear();
            if (ended_ || interrupted_)
                return 0;
            DecodeNext();
        }
        return pending_.TakeInto(out, frames, format_.channels);
    }

    bool Seek(uint64_t frame) override {
        if (io_)
            io_->seekable = cursor_.Input().Seekable() ? AVIO_SEEKABLE_NORMAL : 0;
        AVStream* stream = demuxer_->streams[streamIndex_];
        const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        const int64_t timestamp =
            start + api_.av_rescale_q(static_cast<int64_t>(frame), AVRational{1, format_.rate},
                                      stream->time_base);
        if (api_.av_seek_frame(demuxer_, streamIndex_, timestamp, AVSEEK_FLAG_BACKWARD) < 0 &&
            api_.avformat_seek_file(demuxer_, streamIndex_, INT64_MIN, timestamp, timestamp, 0) < 0)
            return false;
        api_.avcodec_flush_buffers(codec_);
        pending_.Clear();
        ended_ = false;
        trimUntil_ = static_cast<int64_t>(frame);
        return true;
    }

    uint64_t InputPosition() const override {
        return io_ ? Codec::InputPosition() : position_.load(std::memory_order_relaxed);
    }

    void Interrupt() override { interrupted_ = true; }

private:
    int OpenInput() {
        demuxer_ = api_.avformat_alloc_context();
        frame_ = api_.av_frame_alloc();
        packet_ = api_.av_packet_alloc();
        if (!demuxer_ || !frame_ || !packet_)
            return BASS_ERROR_MEM;
        demuxer_->interrupt_callback = {&FFmpegCodec::Interrupted, this};
        AVDictionary* settings = nullptr;
        if (options_.kind == SourceKind::Music)
            api_.av_dict_set_int(&settings, "sample_rate", options_.musicRate, 0);
        const bool network = !options_.url.empty();
        if (network) {
            const auto timeoutUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                       options_.deadline - std::chrono::steady_clock::now())
                                       .count();
            api_.av_dict_set_int(&settings, "timeout", std::max<int64_t>(timeoutUs, 1), 0);
            demuxer_->probesize = 65536;
            demuxer_->max_analyze_duration = AV_TIME_BASE / 2;
        } else {
            auto* buffer = static_cast<uint8_t*>(api_.av_malloc(kIoBufferSize));
            io_ = buffer ? api_.avio_alloc_context(buffer, kIoBufferSize, 0, this, &ReadInput,
                                                   nullptr, &SeekInput)
                         : nullptr;
            if (!io_) {
                api_.av_free(buffer);
                api_.av_dict_free(&settings);
                return BASS_ERROR_MEM;
            }
            io_->seekable = cursor_.Input().Seekable() ? AVIO_SEEKABLE_NORMAL : 0;
            demuxer_->pb = io_;
            demuxer_->flags |= AVFMT_FLAG_CUSTOM_IO;
            if (!cursor_.Input().Seekable()) {
                demuxer_->probesize = 65536;
                demuxer_->max_analyze_duration = AV_TIME_BASE / 2;
            }
        }
        const int opened = api_.avformat_open_input(
            &demuxer_, network ? options_.url.c_str() : nullptr, nullptr, &settings);
        api_.av_dict_free(&settings);
        if (opened < 0)
            return opened == AVERROR(ENOENT) ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM;
        if (api_.avformat_find_stream_info(demuxer_, nullptr) < 0)
            return BASS_ERROR_FILEFORM;
        return BASS_OK;
    }

    int OpenDecoder() {
        streamIndex_ = api_.av_find_best_stream(demuxer_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (streamIndex_ < 0)
            return BASS_ERROR_FILEFORM;
        AVStream* stream = demuxer_->streams[streamIndex_];
        const AVCodecParameters* parameters = stream->codecpar;
        if (!Accepts(options_.kind, demuxer_->iformat->name, parameters->codec_id))
            return BASS_ERROR_FILEFORM;
        const AVCodec* codec = api_.avcodec_find_decoder(parameters->codec_id);
        if (!codec)
            return BASS_ERROR_FILEFORM;
        codec_ = api_.avcodec_alloc_context3(codec);
        if (!codec_ || api_.avcodec_parameters_to_context(codec_, parameters) < 0)
            return BASS_ERROR_MEM;
        if (api_.avcodec_open2(codec_, codec, nullptr) < 0)
            return BASS_ERROR_FILEFORM;
        if (codec_->sample_rate <= 0 || codec_->ch_layout.nb_channels <= 0)
            return BASS_ERROR_FILEFORM;
        for (unsigned i = 0; i < demuxer_->nb_streams; ++i)
            if (static_cast<int>(i) != streamIndex_)
                demuxer_->streams[i]->discard = AVDISCARD_ALL;
        format_.rate = codec_->sample_rate;
        format_.channels = codec_->ch_layout.nb_channels;
        format_.ctype = StreamType(options_.kind, options_.extension, parameters->codec_id);
        const double seconds = StreamSeconds(demuxer_, stream);
        format_.lengthFrames = seconds < 0 ? -1 : std::llround(seconds * format_.rate);
        return BASS_OK;
    }

    static int ReadInput(void* self, uint8_t* buffer, int size) {
        InputCursor& cursor = static_cast<FFmpegCodec*>(self)->cursor_;
        const size_t got = cursor.Read(buffer, static_cast<size_t>(size));
        if (got > 0)
            return static_cast<int>(got);
        return cursor.AtEnd() ? AVERROR_EOF : AVERROR_EXIT;
    }

    static int64_t SeekInput(void* self, int64_t offset, int whence) {
        InputCursor& cursor = static_cast<FFmpegCodec*>(self)->cursor_;
        if (whence & AVSEEK_SIZE) {
            const int64_t size = cursor.Input().Size();
            return size >= 0 ? size : AVERROR(ENOSYS);
        }
        if (!cursor.Seek(offset, whence & 3))
            return AVERROR(EINVAL);
        return static_cast<int64_t>(cursor.Position());
    }

    static int Interrupted(void* opaque) {
        auto* self = static_cast<FFmpegCodec*>(opaque);
        if (self->interrupted_)
            return 1;
        if (!self->opening_)
            return 0;
        return (self->options_.cancelled && self->options_.cancelled()) ||
               std::chrono::steady_clock::now() >= self->options_.deadline;
    }

    void DecodeNext() {
        const int read = api_.av_read_frame(demuxer_, packet_);
        if (!io_ && demuxer_->pb)
            position_.store(static_cast<uint64_t>(
                                std::max<int64_t>(0, api_.avio_seek(demuxer_->pb, 0, SEEK_CUR))),
                            std::memory_order_relaxed);
        if (read < 0) {
            api_.avcodec_send_packet(codec_, nullptr); // drain what the decoder holds
        } else if (packet_->stream_index != streamIndex_) {
            api_.av_packet_unref(packet_);
            return;
        } else {
            const int sent = api_.avcodec_send_packet(codec_, packet_);
            api_.av_packet_unref(packet_);
            if (sent < 0 && sent != AVERROR(EAGAIN))
                return; // a damaged packet is skipped
        }
        for (;;) {
            const int received = api_.avcodec_receive_frame(codec_, frame_);
            if (received < 0) {
                if (received == AVERROR_EOF || read < 0)
                    ended_ = true;
                break;
            }
            Convert(frame_);
            api_.av_frame_unref(frame_);
        }
    }

    void Convert(AVFrame* frame) {
        if (frame->sample_rate != format_.rate || frame->ch_layout.nb_channels != format_.channels)
            return; // a mid-stream format change cannot be played in this channel's format
        int64_t skip = 0;
        if (trimUntil_ >= 0) {
            const AVStream* stream = demuxer_->streams[streamIndex_];
            const int64_t pts = frame->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE) {
                const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
                const int64_t first =
                    api_.av_rescale_q(pts - start, stream->time_base, AVRational{1, format_.rate});
                skip = std::clamp<int64_t>(trimUntil_ - first, 0, frame->nb_samples);
                if (skip == frame->nb_samples)
                    return;
            }
            trimUntil_ = -1;
        }
        if (!resampler_) {
            if (api_.swr_alloc_set_opts2(&resampler_, &frame->ch_layout, AV_SAMPLE_FMT_S16,
                                         frame->sample_rate, &frame->ch_layout,
                                         static_cast<AVSampleFormat>(frame->format),
                                         frame->sample_rate, 0, nullptr) < 0 ||
                api_.swr_init(resampler_) < 0) {
                api_.swr_free(&resampler_);
                return;
            }
        }
        const auto channels = static_cast<size_t>(format_.channels);
        const auto room = static_cast<size_t>(frame->nb_samples);
        auto* out = reinterpret_cast<uint8_t*>(pending_.Extend(room * channels));
        const int converted =
            api_.swr_convert(resampler_, &out, frame->nb_samples,
                             const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        pending_.Shrink((room - static_cast<size_t>(std::max(converted, 0))) * channels);
        // Only the first frame after a seek is trimmed, and the buffer is empty then.
        pending_.Skip(static_cast<size_t>(skip) * channels);
    }

    FFmpegOptions options_;
    const FFmpegLibrary& api_;
    AVFormatContext* demuxer_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVIOContext* io_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int streamIndex_ = -1;
    PendingSamples pending_; // converted, not yet read
    int64_t trimUntil_ = -1; // after a seek: frames before this are dropped
    bool ended_ = false;
    bool opening_ = true;
    std::atomic<bool> interrupted_{false};
    std::atomic<uint64_t> position_{0}; // of a protocol stream, read by the API's file position
};

} // namespace

std::unique_ptr<Codec> OpenFFmpeg(ByteInput& input, const FFmpegOptions& options, int& error) {
    if (!LoadFFmpeg()) {
        error = BASS_ERROR_NOTAVAIL;
        return nullptr;
    }
    auto codec = std::make_unique<FFmpegCodec>(input, options);
    error = codec->Open();
    if (error != BASS_OK)
        return nullptr;
    return codec;
}

} // namespace bass
