// MPEG-1/2/2.5 Layer I, II and III through libmpg123, gapless: the encoder delay and padding a
// LAME/Xing header names are left out, so lengths and positions count the real samples.
#include <mpg123.h>

#include <cstdio>
#include <vector>

#include "Codec.h"
#include "RuntimeLibrary.h"

namespace bass {

namespace {

#define BASS_MPG123_ENTRY_POINTS(X)                                                                \
    X(mpg123_init)                                                                                 \
    X(mpg123_new)                                                                                  \
    X(mpg123_delete)                                                                               \
    X(mpg123_param)                                                                                \
    X(mpg123_rates)                                                                                \
    X(mpg123_format_none)                                                                          \
    X(mpg123_format)                                                                               \
    X(mpg123_replace_reader_handle)                                                                \
    X(mpg123_open_handle)                                                                          \
    X(mpg123_close)                                                                                \
    X(mpg123_getformat)                                                                            \
    X(mpg123_info)                                                                                 \
    X(mpg123_read)                                                                                 \
    X(mpg123_seek)                                                                                 \
    X(mpg123_length)                                                                               \
    X(mpg123_set_filesize)

struct Mpg123Library {
    BASS_MPG123_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

BASS_DEFINE_RUNTIME_LOADER(Mpg123Library, LoadEntryPoints, BASS_MPG123_ENTRY_POINTS,
                           BASS_MPG123_LIBRARY)

const Mpg123Library* Mpg123() {
    static const Mpg123Library* const library = [] {
        const Mpg123Library* loaded = LoadEntryPoints();
        return loaded && loaded->mpg123_init() == MPG123_OK ? loaded : nullptr;
    }();
    return library;
}

// Live radio may be joined in the middle of a frame, and files may carry junk between frames.
constexpr long kResyncLimit = 65536;

class Mpg123Codec final : public Codec {
public:
    explicit Mpg123Codec(ByteInput& input) : Codec(input), api_(*Mpg123()) {}
    ~Mpg123Codec() override {
        if (handle_) {
            api_.mpg123_close(handle_);
            api_.mpg123_delete(handle_);
        }
    }

    bool Open() {
        handle_ = api_.mpg123_new(nullptr, nullptr);
        if (!handle_)
            return false;
        api_.mpg123_param(handle_, MPG123_ADD_FLAGS,
                          MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
        api_.mpg123_param(handle_, MPG123_RESYNC_LIMIT, kResyncLimit, 0);
        // Each stream is decoded at its own rate and channel count, to 16-bit samples.
        const long* rates = nullptr;
        size_t count = 0;
        api_.mpg123_rates(&rates, &count);
        api_.mpg123_format_none(handle_);
        for (size_t i = 0; i < count; ++i)
            api_.mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO,
                               MPG123_ENC_SIGNED_16);
        if (api_.mpg123_replace_reader_handle(handle_, &ReadInput, &SeekInput, nullptr) !=
                MPG123_OK ||
            api_.mpg123_open_handle(handle_, this) != MPG123_OK)
            return false;
        // A download in progress cannot be measured by seeking: its announced size stands in.
        if (const int64_t size = cursor_.Input().Size(); size > 0 && !cursor_.Input().Seekable())
            api_.mpg123_set_filesize(handle_, static_cast<off_t>(size));
        long rate = 0;
        int channels = 0, encoding = 0;
        if (api_.mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
            channels <= 0)
            return false;
        mpg123_frameinfo frame{};
        api_.mpg123_info(handle_, &frame);
        format_.rate = static_cast<int>(rate);
        format_.channels = channels;
        format_.ctype = frame.layer == 1   ? BASS_CTYPE_STREAM_MP1
                        : frame.layer == 2 ? BASS_CTYPE_STREAM_MP2
                                           : BASS_CTYPE_STREAM_MP3;
        const off_t length = api_.mpg123_length(handle_);
        format_.lengthFrames = length > 0 ? static_cast<int64_t>(length) : -1;
        return true;
    }

    size_t Read(int16_t* out, size_t frames) override {
        const size_t frameBytes = 2 * static_cast<size_t>(format_.channels);
        for (;;) {
            size_t done = 0;
            const int result = api_.mpg123_read(handle_, reinterpret_cast<unsigned char*>(out),
                                                frames * frameBytes, &done);
            if (result == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0, encoding = 0;
                api_.mpg123_getformat(handle_, &rate, &channels, &encoding);
                dropping_ = rate != format_.rate || channels != format_.channels;
            }
            if (done > 0 && !dropping_) {
                errors_ = 0;
                return done / frameBytes;
            }
            if (result == MPG123_DONE || (result == MPG123_ERR && cursor_.AtEnd()))
                return 0;
            if (done == 0 && result != MPG123_NEW_FORMAT && ++errors_ > kMaxErrors)
                return 0; // the reader failed, or nothing decodable is left
        }
    }

    bool Seek(uint64_t frame) override {
        if (!cursor_.Input().Seekable())
            return false;
        dropping_ = false;
        return api_.mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET) >= 0;
    }

    uint64_t InputPosition() const override { return readAhead_.Position(); }

private:
    static constexpr int kMaxErrors = 64;

    static ssize_t ReadInput(void* self, void* buffer, size_t size) {
        return static_cast<ssize_t>(static_cast<Mpg123Codec*>(self)->readAhead_.Read(buffer, size));
    }
    static off_t SeekInput(void* self, off_t offset, int whence) {
        ReadAhead& input = static_cast<Mpg123Codec*>(self)->readAhead_;
        if (!input.Seek(offset, whence))
            return -1;
        return static_cast<off_t>(input.Position());
    }

    const Mpg123Library& api_;
    ReadAhead readAhead_{cursor_};
    mpg123_handle* handle_ = nullptr;
    bool dropping_ = false; // the stream changed its format: what follows is not played
    int errors_ = 0;
};

} // namespace

std::unique_ptr<Codec> OpenMpg123(ByteInput& input) {
    return OpenCodecOf<Mpg123Codec>(Mpg123() != nullptr, input);
}

} // namespace bass
