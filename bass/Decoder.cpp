#include "Decoder.h"

#include <algorithm>
#include <cstring>

#include "NetSource.h"

namespace bass {

namespace {

constexpr auto kSeekWait = std::chrono::seconds(5);
constexpr size_t kHeadBytes = 4096; // enough to tell every format by its first bytes
constexpr size_t kChunkFrames = 4096;

std::string ExtensionOf(const std::string& path) {
    const auto dot = path.find_last_of("./");
    return dot == std::string::npos || path[dot] == '/' ? "" : path.substr(dot + 1);
}

// The first bytes of the stream, after an ID3v2 tag that may stand before them.
Content SniffInput(ByteInput& input) {
    uint8_t head[kHeadBytes];
    InputCursor cursor(input);
    size_t size = cursor.ReadFully(head, sizeof head);
    if (const size_t tag = LeadingTagLength(head, size); tag > 0) {
        InputCursor after(input);
        // A download in progress is read straight on: its bytes are still there to be read.
        if (!after.Seek(static_cast<int64_t>(tag), SEEK_SET)) {
            std::vector<uint8_t> skipped(std::min<size_t>(tag, 1 << 20));
            for (uint64_t left = tag; left > 0;) {
                const size_t step = static_cast<size_t>(std::min<uint64_t>(left, skipped.size()));
                if (after.ReadFully(skipped.data(), step) != step)
                    return Content::Other;
                left -= step;
            }
        }
        size = after.ReadFully(head, sizeof head);
    }
    return Sniff(head, size);
}

// The codec for the input's content; for a stream, chosen by the first bytes, whatever the name.
std::unique_ptr<Codec> OpenCodec(ByteInput& input, const FFmpegOptions& options, int& error) {
    error = BASS_ERROR_FILEFORM;
    if (options.kind != SourceKind::Stream || !options.url.empty())
        return OpenFFmpeg(input, options, error);
    std::unique_ptr<Codec> codec;
    switch (SniffInput(input)) {
    case Content::Mpeg:
        codec = OpenMpg123(input);
        break;
    case Content::Vorbis:
        codec = OpenVorbis(input);
        break;
    case Content::Opus:
        codec = OpenOpus(input);
        break;
    case Content::Flac:
        codec = OpenFlac(input, false);
        break;
    case Content::OggFlac:
        codec = OpenFlac(input, true);
        break;
    case Content::Wav:
        // Other WAV codecs (ADPCM, a-law, MP3 in WAV...) are FFmpeg's.
        codec = OpenWav(input);
        if (!codec)
            return OpenFFmpeg(input, options, error);
        break;
    case Content::Other:
        // AAC (ADTS or MP4), ALAC, and MPEG audio whose first frames lie past junk.
        return OpenFFmpeg(input, options, error);
    }
    if (codec)
        error = BASS_OK;
    return codec;
}

} // namespace

std::unique_ptr<Decoder> Decoder::Open(const std::string& path, std::shared_ptr<NetSource> net,
                                       const DecoderOptions& options, int& error) {
    std::unique_ptr<Decoder> decoder(new Decoder);
    decoder->net_ = std::move(net);
    FFmpegOptions& ffmpeg = decoder->ffmpegOptions_;
    ffmpeg.kind = options.kind;
    ffmpeg.musicRate = options.musicRate;
    ffmpeg.extension = ExtensionOf(path);
    ffmpeg.deadline = options.deadline;
    ffmpeg.cancelled = options.cancelled;
    if (options.network) {
        ffmpeg.url = path;
        decoder->input_ = NoInput();
    } else if (decoder->net_) {
        auto input = std::make_unique<NetInput>(decoder->net_);
        input->SetDeadline(options.deadline); // the open gives up at the deadline
        decoder->netInput_ = input.get();
        decoder->input_ = std::move(input);
    } else {
        decoder->input_ = OpenFileInput(path);
        if (!decoder->input_) {
            error = BASS_ERROR_FILEOPEN;
            return nullptr;
        }
    }
    decoder->codec_ = OpenCodec(*decoder->input_, ffmpeg, error);
    if (decoder->netInput_)
        decoder->netInput_->SetDeadline(std::nullopt);
    if (!decoder->codec_) {
        if (options.cancelled && options.cancelled())
            error = BASS_ERROR_INIT;
        else if ((decoder->net_ || options.network) &&
                 std::chrono::steady_clock::now() >= options.deadline)
            error = BASS_ERROR_TIMEOUT;
        return nullptr;
    }
    const StreamFormat& format = decoder->codec_->Format();
    decoder->info_.freq = static_cast<DWORD>(format.rate);
    decoder->info_.chans = static_cast<DWORD>(format.channels);
    decoder->info_.flags = 0; // every source is converted to 16-bit samples, 8-bit PCM too
    decoder->info_.ctype = format.ctype;
    decoder->lengthFrames_ = format.lengthFrames;
    decoder->comments_ = decoder->codec_->Comments();
    decoder->decodePosition_ = decoder->codec_->InputPosition();
    error = BASS_OK;
    return decoder;
}

Decoder::~Decoder() {
    Shutdown();
}

void Decoder::Start(Channel& channel) {
    channel_ = &channel;
    chunk_.resize(kChunkFrames * info_.chans);
    if (!channel.decodeOnly)
        thread_ = std::thread([this] { Run(); });
}

void Decoder::Shutdown() {
    {
        std::lock_guard lock(commandMutex_);
        quit_ = true;
    }
    seekHandled_.notify_all();
    {
        std::lock_guard lock(codecMutex_);
        if (codec_)
            codec_->Interrupt();
    }
    if (net_)
        net_->Abort();
    if (channel_)
        channel_->Wake();
    if (thread_.joinable())
        thread_.join();
    // A pull in progress finishes before the decoder may go.
    std::lock_guard pull(pullMutex_);
}

int Decoder::Seek(uint64_t frame) {
    // The channel's length, which a finished download may have corrected since the open.
    const int64_t length = channel_->lengthFrames.load();
    if (length >= 0 && frame > static_cast<uint64_t>(length))
        return BASS_ERROR_POSITION;
    if (net_ && !net_->Complete())
        return BASS_ERROR_NOTAVAIL;
    if (channel_->decodeOnly) {
        std::lock_guard pull(pullMutex_);
        if (quit_)
            return BASS_ERROR_HANDLE;
        return MoveTo(frame) ? BASS_OK : BASS_ERROR_POSITION;
    }
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
        return input_->Size() >= 0 ? static_cast<DWORD>(input_->Size()) : 0xFFFFFFFF;
    case BASS_FILEPOS_END: {
        const int64_t size = net_ ? net_->Size() : input_->Size();
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
        if (chunkAt_ < chunkBytes_) {
            WriteChunk();
            if (chunkAt_ < chunkBytes_)
                channel_->WaitForChange(seen);
            continue;
        }
        if (inputEnded_) {
            channel_->producerEnded.store(true, std::memory_order_release);
            channel_->WaitForChange(seen);
            continue;
        }
        DecodeChunk();
    }
}

// A codec that read a download straight on cannot seek; once the download is whole it is opened
// again over the whole file, which it can.
bool Decoder::SeekCodec(uint64_t frame) {
    if (codec_->Seek(frame))
        return true;
    if (!netInput_ || !netInput_->Seekable())
        return false;
    int error = BASS_OK;
    auto reopened = OpenCodec(*input_, ffmpegOptions_, error);
    if (!reopened || reopened->Format().rate != codec_->Format().rate ||
        reopened->Format().channels != codec_->Format().channels || !reopened->Seek(frame))
        return false;
    std::lock_guard lock(codecMutex_);
    codec_ = std::move(reopened);
    return true;
}

void Decoder::HandleSeek(uint64_t frame) {
    const bool moved = MoveTo(frame);
    {
        std::lock_guard lock(commandMutex_);
        seekResult_ = moved ? BASS_OK : BASS_ERROR_POSITION;
        seekDoneSerial_ = seekSerial_;
    }
    seekHandled_.notify_all();
}

bool Decoder::MoveTo(uint64_t frame) {
    const int64_t length = channel_->lengthFrames.load();
    // The very end: nothing is left to decode.
    const bool atEnd = length >= 0 && frame >= static_cast<uint64_t>(length);
    if (!atEnd && !SeekCodec(frame))
        return false;
    chunkBytes_ = chunkAt_ = 0;
    pulledPartBytes_ = 0;
    inputEnded_ = atEnd;
    decodePosition_ = codec_->InputPosition();
    std::lock_guard mix(*channel_->mixerLock);
    channel_->RestartAt(frame);
    return true;
}

void Decoder::DecodeChunk() {
    const size_t frames = codec_->Read(chunk_.data(), kChunkFrames);
    decodePosition_ = codec_->InputPosition();
    chunkBytes_ = frames * channel_->FrameBytes();
    chunkAt_ = 0;
    if (frames == 0)
        inputEnded_ = true;
}

void Decoder::WriteChunk() {
    const auto* bytes = reinterpret_cast<const uint8_t*>(chunk_.data());
    chunkAt_ += channel_->Fill(bytes + chunkAt_, chunkBytes_ - chunkAt_);
}

size_t Decoder::TakeChunk(uint8_t* out, size_t size) {
    const size_t count = std::min(size, chunkBytes_ - chunkAt_);
    std::memcpy(out, reinterpret_cast<const uint8_t*>(chunk_.data()) + chunkAt_, count);
    chunkAt_ += count;
    return count;
}

size_t Decoder::Pull(uint8_t* out, size_t size) {
    std::lock_guard lock(pullMutex_);
    const size_t frameBytes = channel_->FrameBytes();
    size_t done = 0;
    while (done < size && !quit_) {
        if (chunkAt_ < chunkBytes_) {
            done += TakeChunk(out + done, size - done);
            continue;
        }
        if (inputEnded_)
            break;
        // Whole frames go straight into the caller's buffer; a piece of a frame, or a buffer not
        // aligned for samples, goes through the chunk.
        uint8_t* at = out + done;
        const size_t frames = (size - done) / frameBytes;
        if (frames > 0 && reinterpret_cast<uintptr_t>(at) % alignof(int16_t) == 0) {
            const size_t got = codec_->Read(reinterpret_cast<int16_t*>(at), frames);
            done += got * frameBytes;
            inputEnded_ = got == 0;
        } else {
            DecodeChunk();
        }
    }
    decodePosition_ = codec_->InputPosition();
    pulledPartBytes_ += done;
    channel_->heardFrames.fetch_add(pulledPartBytes_ / frameBytes);
    pulledPartBytes_ %= frameBytes;
    return done;
}

int64_t Decoder::LengthOfImage(const std::vector<uint8_t>& image) {
    const std::unique_ptr<ByteInput> input = MemoryInput(image);
    int error = BASS_OK;
    const std::unique_ptr<Codec> codec = OpenCodec(*input, FFmpegOptions{}, error);
    return codec ? codec->Format().lengthFrames : -1;
}

} // namespace bass
