// RIFF WAVE files of integer PCM (8 to 32 bits) and float PCM, plain or WAVE_FORMAT_EXTENSIBLE,
// read by ourselves: the chunks are walked to "fmt " and "data", the samples become 16-bit.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Codec.h"

namespace bass {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 8;
constexpr int kMaxChunks = 64; // a file with more chunks before its samples is not taken

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

enum class SampleKind { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

int16_t FromFloat(double value) {
    if (!std::isfinite(value))
        return 0;
    return static_cast<int16_t>(std::lround(std::clamp(value, -1.0, 32767.0 / 32768.0) * 32768.0));
}

class WavCodec final : public Codec {
public:
    explicit WavCodec(ByteInput& input) : Codec(input) {}

    bool Open() {
        uint8_t riff[12];
        if (cursor_.ReadFully(riff, sizeof riff) != sizeof riff ||
            std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
            return false;
        bool haveFormat = false;
        for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
            uint8_t header[8];
            if (cursor_.ReadFully(header, sizeof header) != sizeof header)
                return false;
            const uint32_t size = Le32(header + 4);
            if (std::memcmp(header, "fmt ", 4) == 0) {
                if (!ReadFormat(size))
                    return false;
                haveFormat = true;
            } else if (std::memcmp(header, "data", 4) == 0) {
                return haveFormat && StartData(size);
            } else if (!Skip(size)) {
                return false;
            }
        }
        return false;
    }

    size_t Read(int16_t* out, size_t frames) override {
        const uint64_t left = dataEnd_ > position_ ? (dataEnd_ - position_) / frameBytes_ : 0;
        frames = static_cast<size_t>(std::min<uint64_t>(frames, left));
        raw_.resize(frames * frameBytes_);
        const size_t got = cursor_.ReadFully(raw_.data(), raw_.size());
        position_ += got;
        const size_t whole = got / frameBytes_;
        const uint8_t* in = raw_.data();
        for (size_t i = 0; i < whole * static_cast<size_t>(format_.channels); ++i)
            out[i] = Convert(in + i * sampleBytes_);
        if (got % frameBytes_ != 0) // a cut frame at the end: the file is truncated
            dataEnd_ = position_;
        return whole;
    }

    bool Seek(uint64_t frame) override {
        const uint64_t target = dataStart_ + frame * frameBytes_;
        if (!cursor_.Seek(static_cast<int64_t>(std::min(target, dataEnd_)), SEEK_SET))
            return false;
        position_ = std::min(target, dataEnd_);
        return true;
    }

private:
    bool ReadFormat(uint32_t size) {
        uint8_t format[40] = {};
        const size_t wanted = std::min<size_t>(size, sizeof format);
        if (size < 16 || cursor_.ReadFully(format, wanted) != wanted || !Skip(size - wanted))
            return false;
        uint16_t tag = Le16(format);
        const int channels = Le16(format + 2);
        const uint32_t rate = Le32(format + 4);
        const uint16_t blockAlign = Le16(format + 12);
        const int bits = Le16(format + 14);
        if (tag == kFormatExtensible) {
            // The sub-format GUID begins with the plain format tag.
            if (size < 40)
                return false;
            tag = Le16(format + 24);
        }
        sampleBytes_ = static_cast<size_t>((bits + 7) / 8);
        if (tag == kFormatPcm && bits >= 1 && bits <= 32)
            kind_ = sampleBytes_ == 1   ? SampleKind::Unsigned8
                    : sampleBytes_ == 2 ? SampleKind::Signed16
                    : sampleBytes_ == 3 ? SampleKind::Signed24
                                        : SampleKind::Signed32;
        else if (tag == kFormatFloat && (bits == 32 || bits == 64))
            kind_ = bits == 32 ? SampleKind::Float32 : SampleKind::Float64;
        else
            return false; // another codec: not ours
        if (channels < 1 || channels > kMaxChannels || rate == 0 || rate > 1000000 ||
            blockAlign != sampleBytes_ * static_cast<size_t>(channels))
            return false;
        frameBytes_ = blockAlign;
        format_.rate = static_cast<int>(rate);
        format_.channels = channels;
        format_.ctype = BASS_CTYPE_STREAM_WAV;
        return true;
    }

    bool StartData(uint32_t size) {
        dataStart_ = cursor_.Position();
        dataEnd_ = dataStart_ + size;
        // A size the writer never filled in, or one past the end of a truncated file: the
        // samples run to the end of the file.
        const int64_t fileSize = cursor_.Input().Size();
        if (size == 0 || size == 0xFFFFFFFF)
            dataEnd_ = fileSize >= 0 ? static_cast<uint64_t>(fileSize) : UINT64_MAX;
        else if (fileSize >= 0 && dataEnd_ > static_cast<uint64_t>(fileSize))
            dataEnd_ = static_cast<uint64_t>(fileSize);
        position_ = dataStart_;
        if (dataEnd_ != UINT64_MAX)
            format_.lengthFrames = static_cast<int64_t>((dataEnd_ - dataStart_) / frameBytes_);
        return true;
    }

    // Passes over a chunk's body and its pad byte.
    bool Skip(uint32_t size) {
        const uint64_t next = cursor_.Position() + size + (size & 1);
        if (cursor_.Seek(static_cast<int64_t>(next), SEEK_SET))
            return true;
        // A download in progress cannot seek: read over the bytes instead.
        uint8_t buffer[4096];
        while (cursor_.Position() < next) {
            const auto step =
                static_cast<size_t>(std::min<uint64_t>(sizeof buffer, next - cursor_.Position()));
            if (cursor_.ReadFully(buffer, step) != step)
                return false;
        }
        return true;
    }

    int16_t Convert(const uint8_t* p) const {
        switch (kind_) {
        case SampleKind::Unsigned8:
            return static_cast<int16_t>((p[0] - 128) * 256);
        case SampleKind::Signed16:
            return static_cast<int16_t>(Le16(p));
        case SampleKind::Signed24:
            return static_cast<int16_t>(Le16(p + 1));
        case SampleKind::Signed32:
            return static_cast<int16_t>(Le16(p + 2));
        case SampleKind::Float32: {
            float value;
            std::memcpy(&value, p, 4);
            return FromFloat(value);
        }
        case SampleKind::Float64: {
            double value;
            std::memcpy(&value, p, 8);
            return FromFloat(value);
        }
        }
        return 0;
    }

    SampleKind kind_ = SampleKind::Signed16;
    size_t sampleBytes_ = 2;
    size_t frameBytes_ = 4;
    uint64_t dataStart_ = 0, dataEnd_ = 0;
    uint64_t position_ = 0;
    std::vector<uint8_t> raw_;
};

} // namespace

std::unique_ptr<Codec> OpenWav(ByteInput& input) {
    return OpenCodecOf<WavCodec>(true, input);
}

} // namespace bass
