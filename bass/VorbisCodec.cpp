// Ogg Vorbis through libvorbisfile; a chained stream plays on song after song.
#include <vorbis/vorbisfile.h>

#include <cstdio>

#include "Codec.h"
#include "RuntimeLibrary.h"
#include "Tags.h"

namespace bass {

namespace {

#define BASS_VORBISFILE_ENTRY_POINTS(X)                                                            \
    X(ov_open_callbacks)                                                                           \
    X(ov_clear)                                                                                    \
    X(ov_info)                                                                                     \
    X(ov_comment)                                                                                  \
    X(ov_pcm_total)                                                                                \
    X(ov_pcm_seek)                                                                                 \
    X(ov_read)

struct VorbisFileLibrary {
    BASS_VORBISFILE_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

BASS_DEFINE_RUNTIME_LOADER(VorbisFileLibrary, VorbisFile, BASS_VORBISFILE_ENTRY_POINTS,
                           BASS_VORBISFILE_LIBRARY)

class VorbisCodec final : public Codec {
public:
    explicit VorbisCodec(ByteInput& input) : Codec(input), api_(*VorbisFile()) {}
    ~VorbisCodec() override {
        if (opened_)
            api_.ov_clear(&file_);
    }

    bool Open() {
        // Without a seek function the library reads a stream straight on (a download in
        // progress); it then tells no length and cannot seek.
        const ov_callbacks callbacks{&ReadInput, cursor_.Input().Seekable() ? &SeekInput : nullptr,
                                     nullptr, &TellInput};
        if (api_.ov_open_callbacks(this, &file_, nullptr, 0, callbacks) != 0)
            return false;
        opened_ = true;
        const vorbis_info* info = api_.ov_info(&file_, -1);
        if (!info || info->rate <= 0 || info->channels <= 0)
            return false;
        format_.rate = static_cast<int>(info->rate);
        format_.channels = info->channels;
        format_.ctype = BASS_CTYPE_STREAM_OGG;
        const ogg_int64_t total = api_.ov_pcm_total(&file_, -1);
        format_.lengthFrames = total >= 0 ? static_cast<int64_t>(total) : -1;
        return true;
    }

    size_t Read(int16_t* out, size_t frames) override {
        const size_t frameBytes = 2 * static_cast<size_t>(format_.channels);
        for (int holes = 0; holes < kMaxHoles;) {
            int link = 0;
            const long got = api_.ov_read(&file_, reinterpret_cast<char*>(out),
                                          static_cast<int>(frames * frameBytes), 0, 2, 1, &link);
            if (got == 0)
                return 0;
            if (got < 0) { // a hole or a damaged packet: the library goes on after it
                ++holes;
                continue;
            }
            const vorbis_info* info = api_.ov_info(&file_, link);
            if (info && info->rate == format_.rate && info->channels == format_.channels)
                return static_cast<size_t>(got) / frameBytes;
        }
        return 0;
    }

    bool Seek(uint64_t frame) override {
        return cursor_.Input().Seekable() &&
               api_.ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) == 0;
    }

    std::string Comments() override {
        const vorbis_comment* comment = api_.ov_comment(&file_, -1);
        return comment ? CommentListOf(comment->user_comments, comment->comments) : std::string();
    }

private:
    static constexpr int kMaxHoles = 1000;

    static size_t ReadInput(void* buffer, size_t size, size_t count, void* self) {
        return static_cast<VorbisCodec*>(self)->cursor_.Read(buffer, size * count) / size;
    }
    static int SeekInput(void* self, ogg_int64_t offset, int whence) {
        return static_cast<VorbisCodec*>(self)->cursor_.Seek(offset, whence) ? 0 : -1;
    }
    static long TellInput(void* self) {
        return static_cast<long>(static_cast<VorbisCodec*>(self)->cursor_.Position());
    }

    const VorbisFileLibrary& api_;
    OggVorbis_File file_{};
    bool opened_ = false;
};

} // namespace

std::unique_ptr<Codec> OpenVorbis(ByteInput& input) {
    return OpenCodecOf<VorbisCodec>(VorbisFile() != nullptr, input);
}

} // namespace bass
