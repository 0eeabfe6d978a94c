// Ogg Opus through libopusfile: always 48 kHz, the pre-skip left out, so lengths and positions
// count the real samples.
#include <opus/opusfile.h>

#include "Codec.h"
#include "RuntimeLibrary.h"
#include "Tags.h"

namespace bass {

namespace {

#define BASS_OPUSFILE_ENTRY_POINTS(X)                                                              \
    X(op_open_callbacks)                                                                           \
    X(op_free)                                                                                     \
    X(op_channel_count)                                                                            \
    X(op_pcm_total)                                                                                \
    X(op_pcm_seek)                                                                                 \
    X(op_read)                                                                                     \
    X(op_tags)

struct OpusFileLibrary {
    BASS_OPUSFILE_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

BASS_DEFINE_RUNTIME_LOADER(OpusFileLibrary, OpusFile, BASS_OPUSFILE_ENTRY_POINTS,
                           BASS_OPUSFILE_LIBRARY)

constexpr int kOpusRate = 48000;

class OpusCodec final : public Codec {
public:
    explicit OpusCodec(ByteInput& input) : Codec(input), api_(*OpusFile()) {}
    ~OpusCodec() override {
        if (file_)
            api_.op_free(file_);
    }

    bool Open() {
        // Without a seek function the library reads a stream straight on (a download in
        // progress); it then tells no length and cannot seek.
        const OpusFileCallbacks callbacks{
            &ReadInput, cursor_.Input().Seekable() ? &SeekInput : nullptr, &TellInput, nullptr};
        int error = 0;
        file_ = api_.op_open_callbacks(this, &callbacks, nullptr, 0, &error);
        if (!file_)
            return false;
        format_.rate = kOpusRate;
        format_.channels = api_.op_channel_count(file_, -1);
        format_.ctype = BASS_CTYPE_STREAM_OPUS;
        const ogg_int64_t total = api_.op_pcm_total(file_, -1);
        format_.lengthFrames = total >= 0 ? static_cast<int64_t>(total) : -1;
        return format_.channels > 0;
    }

    size_t Read(int16_t* out, size_t frames) override {
        const int room = static_cast<int>(frames) * format_.channels;
        for (int holes = 0; holes < kMaxHoles;) {
            int link = 0;
            const int got = api_.op_read(file_, out, room, &link);
            if (got == 0)
                return 0;
            if (got < 0) { // a hole or a damaged packet: the library goes on after it
                ++holes;
                continue;
            }
            if (api_.op_channel_count(file_, link) == format_.channels)
                return static_cast<size_t>(got);
        }
        return 0;
    }

    bool Seek(uint64_t frame) override {
        return cursor_.Input().Seekable() &&
               api_.op_pcm_seek(file_, static_cast<ogg_int64_t>(frame)) == 0;
    }

    std::string Comments() override {
        const OpusTags* tags = api_.op_tags(file_, -1);
        return tags ? CommentListOf(tags->user_comments, tags->comments) : std::string();
    }

private:
    static constexpr int kMaxHoles = 1000;

    static int ReadInput(void* self, unsigned char* buffer, int size) {
        const size_t got =
            static_cast<OpusCodec*>(self)->cursor_.Read(buffer, static_cast<size_t>(size));
        return static_cast<int>(got);
    }
    static int SeekInput(void* self, opus_int64 offset, int whence) {
        return static_cast<OpusCodec*>(self)->cursor_.Seek(offset, whence) ? 0 : -1;
    }
    static opus_int64 TellInput(void* self) {
        return static_cast<opus_int64>(static_cast<OpusCodec*>(self)->cursor_.Position());
    }

    const OpusFileLibrary& api_;
    OggOpusFile* file_ = nullptr;
};

} // namespace

std::unique_ptr<Codec> OpenOpus(ByteInput& input) {
    return OpenCodecOf<OpusCodec>(OpusFile() != nullptr, input);
}

} // namespace bass
