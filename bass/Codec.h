// One decoder per format behind one interface: each reads its bytes through an InputCursor and
// gives interleaved 16-bit PCM at the stream's own rate and channel count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
