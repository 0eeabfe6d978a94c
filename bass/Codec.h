// One decoder per format behind one interface: each reads its bytes through an InputCursor and
// gives interleaved 16-bit PCM at the stream's own rate and channel count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ByteInput.h"
#include "bass.h"

namespace bass {

struct StreamFormat {
    int rate = 0;
    int channels = 0;
    DWORD ctype = BASS_CTYPE_STREAM;
    int64_t lengthFrames = -1; // -1 while not known
};

class Codec {
public:
    explicit Codec(ByteInput& input) : cursor_(input) {}
    virtual ~Codec() = default;
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    const StreamFormat& Format() const { return format_; }
    // Decodes up to `frames` frames into `out` (room for frames x channels samples): the count,
    // 0 at the end. Damaged data are skipped; audio in another rate or channel count than the
    // stream's (a chained song) is dropped, as the channel cannot play it.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // Makes `frame` the next frame Read gives, sample-exact; false when the input cannot seek.
    virtual bool Seek(uint64_t frame) = 0;
    // The stream's comments as BASS_TAG_OGG has them ("KEY=value" NUL-terminated, ended by an
    // empty string); empty when the format has none.
    virtual std::string Comments() { return {}; }
    // How far into its input the codec has read.
    virtual uint64_t InputPosition() const { return cursor_.Position(); }
    // Makes a read blocked in the codec's own network protocol give up (the input's own reads
    // are ended by their source).
    virtual void Interrupt() {}

protected:
    InputCursor cursor_;
    StreamFormat format_;
};

// Samples a library decoded in larger pieces than the reader takes: filled at the back, read
// from the front.
class PendingSamples {
public:
    bool Empty() const { return at_ == samples_.size(); }
    void Clear() {
        samples_.clear();
        at_ = 0;
    }
    // Room for `count` more samples at the back, to be filled at once.
    int16_t* Extend(size_t count) {
        samples_.resize(samples_.size() + count);
        return samples_.data() + samples_.size() - count;
    }
    // Drops the last `count` samples of what Extend gave.
    void Shrink(size_t count) { samples_.resize(samples_.size() - count); }
    // Passes over the next `count` samples unread.
    void Skip(size_t count) { at_ += std::min(count, samples_.size() - at_); }
    // Moves up to `frames` whole frames to `out`; the count of frames.
    size_t TakeInto(int16_t* out, size_t frames, int channels) {
        const auto width = static_cast<size_t>(channels);
        const size_t count = std::min(frames, (samples_.size() - at_) / width);
        std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(at_), count * width, out);
        at_ += count * width;
        return count;
    }

private:
    std::vector<int16_t> samples_;
    size_t at_ = 0;
};

// Opens a codec of type T over `input` when its library `loaded`: null when the library is
// missing or T::Open(arguments...) refuses the bytes.
template <typename T, typename... Arguments>
std::unique_ptr<Codec> OpenCodecOf(bool loaded, ByteInput& input, Arguments... arguments) {
    if (!loaded)
        return nullptr;
    auto codec = std::make_unique<T>(input);
    if (!codec->Open(arguments...))
        return nullptr;
    return codec;
}

// What the first bytes of a stream hold.
enum class Content { Mpeg, Vorbis, Opus, Flac, OggFlac, Wav, Other };
// `head`: the first bytes of the stream (a few KB, fewer for a short stream), after the ID3v2
// tag that may stand before MPEG audio and FLAC.
Content Sniff(const uint8_t* head, size_t size);
// The length of the ID3v2 tag that starts `head`, 0 when there is none.
size_t LeadingTagLength(const uint8_t* head, size_t size);

// Each opener answers null when the bytes are not its format (or are damaged beyond use).
std::unique_ptr<Codec> OpenMpg123(ByteInput& input);
std::unique_ptr<Codec> OpenVorbis(ByteInput& input);
std::unique_ptr<Codec> OpenOpus(ByteInput& input);
std::unique_ptr<Codec> OpenFlac(ByteInput& input, bool ogg);
// Integer PCM of 8 to 32 bits and float PCM, plain or WAVE_FORMAT_EXTENSIBLE; null for
// other WAV codecs.
std::unique_ptr<Codec> OpenWav(ByteInput& input);

} // namespace bass
