#include "Decoder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "NetSource.h"

#include "FFmpeg.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace bass {

namespace {

constexpr int kIoBufferSize = 32768;
constexpr auto kSeekWait = std::chrono::seconds(5);

bool Accepts(SourceKind kind, const AVFormatContext* format, AVCodecID codec) {
    const std::string demuxer = format->iformat->name;
    switch (kind) {
    case SourceKind::Stream:
        if (codec == AV_CODEC_ID_MP1 || codec == AV_CODEC_ID_MP2 || codec == AV_CODEC_ID_MP3)
            return demuxer == "mp3" || demuxer == "wav";
        if (codec == AV_CODEC_ID_VORBIS)
            return demuxer == "ogg";
        return demuxer == "wav" &&
               (codec == AV_CODEC_ID_PCM_U8 || codec == AV_CODEC_ID_PCM_S16LE ||
                codec == AV_CODEC_ID_PCM_S24LE || codec == AV_CODEC_ID_PCM_S32LE ||
                codec == AV_CODEC_ID_PCM_F32LE || codec == AV_CODEC_ID_PCM_F64LE);
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

DWORD MusicType(const std::string& path) {
    const auto dot = path.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : path.substr(dot + 1);
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

DWORD StreamType(AVCodecID codec) {
    switch (codec) {
    case AV_CODEC_ID_MP1:
        return BASS_CTYPE_STREAM_MP1;
    case AV_CODEC_ID_MP2:
        return BASS_CTYPE_STREAM_MP2;
    case AV_CODEC_ID_MP3:
        return BASS_CTYPE_STREAM_MP3;
    case AV_CODEC_ID_VORBIS:
        return BASS_CTYPE_STREAM_OGG;
    default:
        return BASS_CTYPE_STREAM_WAV;
    }
}

// Seconds of a stream from its start time, or -1.
double StreamSeconds(const AVFormatContext* format, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return stream->duration * av_q2d(stream->time_base);
    if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
        return format->duration / static_cast<double>(AV_TIME_BASE);
    return -1;
}

// A complete file image read through a seekable AVIO context.
struct Image {
    const std::vector<uint8_t>* bytes;
    size_t position = 0;
    static int Read(void* opaque, uint8_t* buffer, int size) {
        auto* image = static_cast<Image*>(opaque);
        const size_t count = std::min<size_t>(size, image->bytes->size() - image->position);
        if (count == 0)
            return AVERROR_EOF;
        std::memcpy(buffer, image->bytes->data() + image->position, count);
        image->position += count;
        return static_cast<int>(count);
    }
    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* image = static_cast<Image*>(opaque);
        const auto size = static_cast<int64_t>(image->bytes->size());
        if (whence & AVSEEK_SIZE)
            return size;
        const int64_t base = (whence & 3) == SEEK_CUR   ? static_cast<int64_t>(image->position)
                             : (whence & 3) == SEEK_END ? size
                                                        : 0;
        if (base + offset < 0 || base + offset > size)
            return AVERROR(EINVAL);
        image->position = static_cast<size_t>(base + offset);
        return base + offset;
    }
};

} // namespace

std::unique_ptr<Decoder> Decoder::Open(const std::string& path, std::shared_ptr<NetSource> net,
                                       const DecoderOptions& options, int& error) {
    if (!LoadFFmpeg()) {
        error = BASS_ERROR_NOTAVAIL;
        return nullptr;
    }
    std::unique_ptr<Decoder> decoder(new Decoder);
    decoder->net_ = std::move(net);
    decoder->openDeadline_ = options.deadline;
    decoder->cancelled_ = options.cancelled;
    error = decoder->OpenInput(path, options);
    if (error == BASS_OK)
        error = decoder->OpenCodec(options.kind, path);
    decoder->opening_ = false;
    if (error != BASS_OK)
        return nullptr;
    return decoder;
}

int Decoder::OpenInput(const std::string& path, const DecoderOptions& options) {
    format_ = FFmpeg().avformat_alloc_context();
    frame_ = FFmpeg().av_frame_alloc();
    packet_ = FFmpeg().av_packet_alloc();
    if (!format_ || !frame_ || !packet_)
        return BASS_ERROR_MEM;
    format_->interrupt_callback = {&Decoder::Interrupted, this};
    AVDictionary* settings = nullptr;
    if (options.kind == SourceKind::Music)
        FFmpeg().av_dict_set_int(&settings, "sample_rate", options.musicRate, 0);
    if (net_) {
        auto* buffer = static_cast<uint8_t*>(FFmpeg().av_malloc(kIoBufferSize));
        io_ = buffer ? FFmpeg().avio_alloc_context(buffer, kIoBufferSize, 0, this,
                                                   &Decoder::ReadNet, nullptr, &Decoder::SeekNet)
                     : nullptr;
        if (!io_) {
            FFmpeg().av_free(buffer);
            FFmpeg().av_dict_free(&settings);
            return BASS_ERROR_MEM;
        }
        io_->seekable = 0; // until the whole file is in
        format_->pb = io_;
        format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    } else if (options.network) {
        const auto timeoutUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                   options.deadline - std::chrono::steady_clock::now())
                                   .count();
        FFmpeg().av_dict_set_int(&settings, "timeout", std::max<int64_t>(timeoutUs, 1), 0);
    } else {
        struct stat info {};
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            FFmpeg().av_dict_free(&settings);
            return BASS_ERROR_FILEOPEN;
        }
        fileSize_ = info.st_size;
    }
    if (net_ || options.network) {
        format_->probesize = 65536;
        format_->max_analyze_duration = AV_TIME_BASE / 2;
    }
    const int opened =
        FFmpeg().avformat_open_input(&format_, net_ ? nullptr : path.c_str(), nullptr, &settings);
    FFmpeg().av_dict_free(&settings);
    if (opened < 0) {
        if (cancelled_ && cancelled_())
            return BASS_ERROR_INIT;
        if (std::chrono::steady_clock::now() >= openDeadline_ && (net_ || options.network))
            return BASS_ERROR_TIMEOUT;
        return opened == AVERROR(ENOENT) ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM;
    }
    if (FFmpeg().avformat_find_stream_info(format_, nullptr) < 0)
        return BASS_ERROR_FILEFORM;
    return BASS_OK;
}

int Decoder::OpenCodec(SourceKind kind, const std::string& path) {
    streamIndex_ = FFmpeg().av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex_ < 0)
        return BASS_ERROR_FILEFORM;
    AVStream* stream = format_->streams[streamIndex_];
    const AVCodecParameters* parameters = stream->codecpar;
    if (!Accepts(kind, format_, parameters->codec_id))
        return BASS_ERROR_FILEFORM;
    const AVCodec* codec = FFmpeg().avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return BASS_ERROR_FILEFORM;
    codec_ = FFmpeg().avcodec_alloc_context3(codec);
    if (!codec_ || FFmpeg().avcodec_parameters_to_context(codec_, parameters) < 0)
        return BASS_ERROR_MEM;
    if (FFmpeg().avcodec_open2(codec_, codec, nullptr) < 0)
        return BASS_ERROR_FILEFORM;
    const int rate = codec_->sample_rate;
    const int chans = codec_->ch_layout.nb_channels;
    if (rate <= 0 || chans <= 0)
        return BASS_ERROR_FILEFORM;
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (static_cast<int>(i) != streamIndex_)
            format_->streams[i]->discard = AVDISCARD_ALL;
    info_.freq = static_cast<DWORD>(rate);
    info_.chans = static_cast<DWORD>(chans);
    info_.flags = 0; // every source is converted to 16-bit samples, 8-bit PCM too
    info_.ctype = kind == SourceKind::Music ? MusicType(path)
                  : kind == SourceKind::Wma ? BASS_CTYPE_STREAM_WMA
                                            : StreamType(parameters->codec_id);
    const double seconds = StreamSeconds(format_, stream);
    lengthFrames_ = seconds < 0 ? -1 : std::llround(seconds * rate);
    return BASS_OK;
}

Decoder::~Decoder() {
    Shutdown();
    FFmpeg().swr_free(&resampler_);
    FFmpeg().avcodec_free_context(&codec_);
    FFmpeg().avformat_close_input(&format_);
    if (io_) {
        FFmpeg().av_freep(&io_->buffer);
        FFmpeg().avio_context_free(&io_);
    }
    FFmpeg().av_frame_free(&frame_);
    FFmpeg().av_packet_free(&packet_);
}

bool Decoder::IsVorbis() const {
    return format_->streams[streamIndex_]->codecpar->codec_id == AV_CODEC_ID_VORBIS;
}

int64_t Decoder::StartFrame() const {
    const AVStream* stream = format_->streams[streamIndex_];
    if (stream->start_time == AV_NOPTS_VALUE)
        return 0;
    return FFmpeg().av_rescale_q(stream->start_time, stream->time_base,
                                 AVRational{1, static_cast<int>(info_.freq)});
}

int Decoder::ReadNet(void* opaque, uint8_t* buffer, int size) {
    auto* self = static_cast<Decoder*>(opaque);
    std::optional<NetSource::TimePoint> deadline;
    if (self->opening_)
        deadline = self->openDeadline_;
    const int count = self->net_->Read(self->netPosition_, buffer, size, deadline);
    if (count > 0) {
        self->netPosition_ += static_cast<uint64_t>(count);
        self->decodePosition_ = self->netPosition_;
        return count;
    }
    if (count == 0)
        return AVERROR_EOF;
    return count == NetSource::kTimedOut ? AVERROR(ETIMEDOUT) : AVERROR_EXIT;
}

int64_t Decoder::SeekNet(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<Decoder*>(opaque);
    const int64_t size = self->net_->Size();
    if (whence & AVSEEK_SIZE)
        return size >= 0 ? size : AVERROR(ENOSYS);
    int64_t base = 0;
    switch (whence & 3) {
    case SEEK_CUR:
        base = static_cast<int64_t>(self->netPosition_);
        break;
    case SEEK_END:
        if (size < 0)
            return AVERROR(ENOSYS);
        base = size;
        break;
    default:
        break;
    }
    if (base + offset < 0 || (size >= 0 && base + offset > size))
        return AVERROR(EINVAL);
    self->netPosition_ = static_cast<uint64_t>(base + offset);
    return base + offset;
}

int Decoder::Interrupted(void* opaque) {
    auto* self = static_cast<Decoder*>(opaque);
    if (self->quit_)
        return 1;
    if (!self->opening_)
        return 0;
    return (self->cancelled_ && self->cancelled_()) ||
           std::chrono::steady_clock::now() >= self->openDeadline_;
}

void Decoder::Start(Channel& channel) {
    channel_ = &channel;
    thread_ = std::thread([this] { Run(); });
}

void Decoder::Shutdown() {
    {
        std::lock_guard lock(commandMutex_);
        quit_ = true;
    }
    seekHandled_.notify_all();
    if (net_)
        net_->Abort();
    if (channel_)
        channel_->Wake();
    if (thread_.joinable())
        thread_.join();
}

int Decoder::Seek(uint64_t frame) {
    // The channel's length, which a finished download may have corrected since the open.
    const int64_t length = channel_->lengthFrames.load();
    if (length >= 0 && frame > static_cast<uint64_t>(length))
        return BASS_ERROR_POSITION;
    if (net_ && !net_->Complete())
        return BASS_ERROR_NOTAVAIL;
    std::unique_lock lock(commandMutex_);
    seekTarget_ = frame;
    seekRequested_ = true;
    const uint64_t serial = ++seekSerial_;
    channel_->Wake();
    if (!seekHandled_.wait_for(lock, kSeekWait, [&] { return seekDoneSerial_ >= serial || quit_; }))
        return BASS_ERROR_TIMEOUT;
    return quit_ ? BASS_ERROR_HANDLE : seekResult_;
}

DWORD Decoder::FilePosition(DWORD mode) {
    switch (mode) {
    case BASS_FILEPOS_DECODE:
        return static_cast<DWORD>(decodePosition_.load());
    case BASS_FILEPOS_DOWNLOAD:
        if (net_)
            return static_cast<DWORD>(net_->Downloaded());
        return fileSize_ >= 0 ? static_cast<DWORD>(fileSize_) : 0xFFFFFFFF;
    case BASS_FILEPOS_END: {
        const int64_t size = net_ ? net_->Size() : fileSize_;
        return size >= 0 ? static_cast<DWORD>(size) : 0xFFFFFFFF;
    }
    case BASS_FILEPOS_START:
        return 0;
    default:
        return 0xFFFFFFFF;
    }
}

void Decoder::Run() {
    for (;;) {
        const uint32_t seen = channel_->WakeCount();
        bool seek = false;
        uint64_t target = 0;
        {
            std::lock_guard lock(commandMutex_);
            if (quit_)
                return;
            if (seekRequested_) {
                seek = true;
                target = seekTarget_;
                seekRequested_ = false;
            }
        }
        if (seek) {
            HandleSeek(target);
            continue;
        }
        if (pendingAt_ < pending_.size()) {
            WritePending();
            if (pendingAt_ < pending_.size())
                channel_->WaitForChange(seen);
            continue;
        }
        if (inputEnded_) {
            if (!channel_->producerEnded.exchange(true, std::memory_order_acq_rel))
                channel_->NotifyData();
            channel_->WaitForChange(seen);
            continue;
        }
        DecodeNext();
    }
}

void Decoder::HandleSeek(uint64_t frame) {
    AVStream* stream = format_->streams[streamIndex_];
    if (net_ && net_->Complete())
        io_->seekable = AVIO_SEEKABLE_NORMAL;
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t timestamp =
        start + FFmpeg().av_rescale_q(static_cast<int64_t>(frame),
                                      AVRational{1, static_cast<int>(info_.freq)},
                                      stream->time_base);
    int result = BASS_OK;
    if (FFmpeg().av_seek_frame(format_, streamIndex_, timestamp, AVSEEK_FLAG_BACKWARD) < 0 &&
        FFmpeg().avformat_seek_file(format_, streamIndex_, INT64_MIN, timestamp, timestamp, 0) < 0)
        result = BASS_ERROR_POSITION;
    if (result == BASS_OK) {
        FFmpeg().avcodec_flush_buffers(codec_);
        pending_.clear();
        pendingAt_ = 0;
        inputEnded_ = false;
        trimUntil_ = static_cast<int64_t>(frame);
        std::lock_guard mix(*channel_->mixerLock);
        channel_->RestartAt(frame);
    }
    {
        std::lock_guard lock(commandMutex_);
        seekResult_ = result;
        seekDoneSerial_ = seekSerial_;
    }
    seekHandled_.notify_all();
}

void Decoder::DecodeNext() {
    const int read = FFmpeg().av_read_frame(format_, packet_);
    if (!net_ && format_->pb)
        decodePosition_ = static_cast<uint64_t>(
            std::max<int64_t>(0, FFmpeg().avio_seek(format_->pb, 0, SEEK_CUR)));
    if (read < 0) {
        if (quit_)
            return;
        FFmpeg().avcodec_send_packet(codec_, nullptr); // drain what the decoder holds
    } else if (packet_->stream_index != streamIndex_) {
        FFmpeg().av_packet_unref(packet_);
        return;
    } else {
        const int sent = FFmpeg().avcodec_send_packet(codec_, packet_);
        FFmpeg().av_packet_unref(packet_);
        if (sent < 0 && sent != AVERROR(EAGAIN))
            return; // a damaged packet is skipped
    }
    for (;;) {
        const int received = FFmpeg().avcodec_receive_frame(codec_, frame_);
        if (received < 0) {
            if (received == AVERROR_EOF || read < 0)
                inputEnded_ = true;
            break;
        }
        Convert(frame_);
        FFmpeg().av_frame_unref(frame_);
    }
}

void Decoder::Convert(AVFrame* frame) {
    if (frame->sample_rate != static_cast<int>(info_.freq) ||
        frame->ch_layout.nb_channels != static_cast<int>(info_.chans))
        return; // a mid-stream format change cannot be played in this channel's format
    int64_t skip = 0;
    if (trimUntil_ >= 0) {
        const AVStream* stream = format_->streams[streamIndex_];
        const int64_t pts = frame->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE) {
            const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
            const int64_t first = FFmpeg().av_rescale_q(
                pts - start, stream->time_base, AVRational{1, static_cast<int>(info_.freq)});
            skip = std::clamp<int64_t>(trimUntil_ - first, 0, frame->nb_samples);
            if (skip == frame->nb_samples)
                return;
        }
        trimUntil_ = -1;
    }
    if (!resampler_) {
        if (FFmpeg().swr_alloc_set_opts2(&resampler_, &frame->ch_layout, AV_SAMPLE_FMT_S16,
                                         frame->sample_rate, &frame->ch_layout,
                                         static_cast<AVSampleFormat>(frame->format),
                                         frame->sample_rate, 0, nullptr) < 0 ||
            FFmpeg().swr_init(resampler_) < 0) {
            FFmpeg().swr_free(&resampler_);
            return;
        }
    }
    const size_t frameBytes = 2 * info_.chans;
    pending_.resize(static_cast<size_t>(frame->nb_samples) * frameBytes);
    uint8_t* out = pending_.data();
    const int converted =
        FFmpeg().swr_convert(resampler_, &out, frame->nb_samples,
                             const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted <= skip) {
        pending_.clear();
        pendingAt_ = 0;
        return;
    }
    pending_.resize(static_cast<size_t>(converted) * frameBytes);
    pendingAt_ = static_cast<size_t>(skip) * frameBytes;
}

void Decoder::WritePending() {
    pendingAt_ += channel_->ring.Write(pending_.data() + pendingAt_, pending_.size() - pendingAt_);
    channel_->NotifyData();
    if (pendingAt_ == pending_.size()) {
        pending_.clear();
        pendingAt_ = 0;
    }
}

int64_t Decoder::LengthOfImage(const std::vector<uint8_t>& image) {
    if (!LoadFFmpeg())
        return -1;
    Image source{&image};
    auto* buffer = static_cast<uint8_t*>(FFmpeg().av_malloc(kIoBufferSize));
    AVIOContext* io = buffer ? FFmpeg().avio_alloc_context(buffer, kIoBufferSize, 0, &source,
                                                           &Image::Read, nullptr, &Image::Seek)
                             : nullptr;
    AVFormatContext* format = FFmpeg().avformat_alloc_context();
    int64_t frames = -1;
    if (io && format) {
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        if (FFmpeg().avformat_open_input(&format, nullptr, nullptr, nullptr) >= 0) {
            if (FFmpeg().avformat_find_stream_info(format, nullptr) >= 0) {
                const int index =
                    FFmpeg().av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
                if (index >= 0) {
                    const double seconds = StreamSeconds(format, format->streams[index]);
                    if (seconds >= 0)
                        frames =
                            std::llround(seconds * format->streams[index]->codecpar->sample_rate);
                }
            }
            FFmpeg().avformat_close_input(&format);
        }
    }
    FFmpeg().avformat_free_context(format);
    if (io)
        FFmpeg().av_freep(&io->buffer);
    else
        FFmpeg().av_free(buffer);
    FFmpeg().avio_context_free(&io);
    return frames;
}

} // namespace bass
