// FLAC, native and in Ogg, through libFLAC's stream decoder. Samples of any depth become 16-bit.
#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Codec.h"
#include "RuntimeLibrary.h"
#include "Tags.h"

namespace bass {

namespace {

#define BASS_FLAC_ENTRY_POINTS(X)                                                                  \
    X(FLAC__stream_decoder_new)                                                                    \
    X(FLAC__stream_decoder_delete)                                                                 \
    X(FLAC__stream_decoder_set_md5_checking)                                                       \
    X(FLAC__stream_decoder_set_metadata_respond)                                                   \
    X(FLAC__stream_decoder_init_stream)                                                            \
    X(FLAC__stream_decoder_init_ogg_stream)                                                        \
    X(FLAC__stream_decoder_process_until_end_of_metadata)                                          \
    X(FLAC__stream_decoder_process_single)                                                         \
    X(FLAC__stream_decoder_seek_absolute)                                                          \
    X(FLAC__stream_decoder_flush)                                                                  \
    X(FLAC__stream_decoder_get_state)

struct FlacLibrary {
    BASS_FLAC_ENTRY_POINTS(BASS_RUNTIME_MEMBER)
};

BASS_DEFINE_RUNTIME_LOADER(FlacLibrary, Flac, BASS_FLAC_ENTRY_POINTS, BASS_FLAC_LIBRARY)

class FlacCodec final : public Codec {
public:
    explicit FlacCodec(ByteInput& input) : Codec(input), api_(*Flac()) {}
    ~FlacCodec() override {
        if (decoder_)
            api_.FLAC__stream_decoder_delete(decoder_);
    }

    bool Open(bool ogg) {
        decoder_ = api_.FLAC__stream_decoder_new();
        if (!decoder_)
            return false;
        api_.FLAC__stream_decoder_set_md5_checking(decoder_, false);
        api_.FLAC__stream_decoder_set_metadata_respond(decoder_,
                                                       FLAC__METADATA_TYPE_VORBIS_COMMENT);
        const auto init =
            ogg ? api_.FLAC__stream_decoder_init_ogg_stream : api_.FLAC__stream_decoder_init_stream;
        if (init(decoder_, &ReadInput, &SeekInput, &TellInput, &InputLength, &InputEnded,
                 &TakeFrame, &TakeMetadata, &TakeError,
                 this) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
            return false;
        if (!api_.FLAC__stream_decoder_process_until_end_of_metadata(decoder_))
            return false;
        if (format_.rate <= 0 || format_.channels <= 0) {
            // No stream information: the first frame's header tells the format.
            if (!api_.FLAC__stream_decoder_process_single(decoder_) || pending_.Empty())
                return false;
            format_.rate = frameRate_;
            format_.channels = frameChannels_;
        }
        format_.ctype = BASS_CTYPE_STREAM_FLAC;
        return format_.rate > 0 && format_.channels > 0;
    }

    size_t Read(int16_t* out, size_t frames) override {
        while (pending_.Empty()) {
            pending_.Clear();
            if (api_.FLAC__stream_decoder_get_state(decoder_) ==
                    FLAC__STREAM_DECODER_END_OF_STREAM ||
                !api_.FLAC__stream_decoder_process_single(decoder_))
                return 0;
            if (pending_.Empty() && ++emptySteps_ > kMaxEmptySteps)
                return 0; // nothing but damage or metadata is left
        }
        emptySteps_ = 0;
        return pending_.TakeInto(out, frames, format_.channels);
    }

    bool Seek(uint64_t frame) override {
        if (!cursor_.Input().Seekable())
            return false;
        pending_.Clear();
        // The decoder hands over the frame that holds the target from the target sample on.
        if (api_.FLAC__stream_decoder_seek_absolute(decoder_, frame))
            return true;
        if (api_.FLAC__stream_decoder_get_state(decoder_) == FLAC__STREAM_DECODER_SEEK_ERROR)
            api_.FLAC__stream_decoder_flush(decoder_);
        return false;
    }

    std::string Comments() override { return comments_; }

private:
    static constexpr int kMaxEmptySteps = 1000;

    static FLAC__StreamDecoderReadStatus ReadInput(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                   size_t* bytes, void* self) {
        InputCursor& cursor = static_cast<FlacCodec*>(self)->cursor_;
        *bytes = cursor.Read(buffer, *bytes);
        if (*bytes > 0)
            return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
        return cursor.AtEnd() ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM
                              : FLAC__STREAM_DECODER_READ_STATUS_ABORT;
    }
    static FLAC__StreamDecoderSeekStatus SeekInput(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                                   void* self) {
        InputCursor& cursor = static_cast<FlacCodec*>(self)->cursor_;
        if (!cursor.Input().Seekable())
            return FLAC__STREAM_DECODER_SEEK_STATUS_UNSUPPORTED;
        return cursor.Seek(static_cast<int64_t>(offset), SEEK_SET)
                   ? FLAC__STREAM_DECODER_SEEK_STATUS_OK
                   : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR;
    }
    static FLAC__StreamDecoderTellStatus TellInput(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                                   void* self) {
        *offset = static_cast<FlacCodec*>(self)->cursor_.Position();
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    }
    static FLAC__StreamDecoderLengthStatus InputLength(const FLAC__StreamDecoder*,
                                                       FLAC__uint64* length, void* self) {
        const ByteInput& input = static_cast<FlacCodec*>(self)->cursor_.Input();
        if (!input.Seekable() || input.Size() < 0)
            return FLAC__STREAM_DECODER_LENGTH_STATUS_UNSUPPORTED;
        *length = static_cast<FLAC__uint64>(input.Size());
        return FLAC__STREAM_DECODER_LENGTH_STATUS_OK;
    }
    static FLAC__bool InputEnded(const FLAC__StreamDecoder*, void* self) {
        const InputCursor& cursor = static_cast<FlacCodec*>(self)->cursor_;
        const int64_t size = cursor.Input().Size();
        return cursor.AtEnd() || (size >= 0 && cursor.Position() >= static_cast<uint64_t>(size));
    }

    static FLAC__StreamDecoderWriteStatus TakeFrame(const FLAC__StreamDecoder*,
                                                    const FLAC__Frame* frame,
                                                    const FLAC__int32* const channels[],
                                                    void* self) {
        static_cast<FlacCodec*>(self)->Convert(*frame, channels);
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    void Convert(const FLAC__Frame& frame, const FLAC__int32* const channels[]) {
        frameRate_ = static_cast<int>(frame.header.sample_rate);
        frameChannels_ = static_cast<int>(frame.header.channels);
        if (format_.channels > 0 &&
            (frameRate_ != format_.rate || frameChannels_ != format_.channels))
            return;
        const int bits = static_cast<int>(frame.header.bits_per_sample);
        const unsigned count = frame.header.blocksize;
        int16_t* out = pending_.Extend(static_cast<size_t>(count) * frame.header.channels);
        for (unsigned i = 0; i < count; ++i)
            for (unsigned c = 0; c < frame.header.channels; ++c) {
                const FLAC__int32 sample = channels[c][i];
                *out++ = static_cast<int16_t>(bits >= 16 ? sample >> (bits - 16)
                                                         : sample * (1 << (16 - bits)));
            }
    }

    static void TakeMetadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* metadata,
                             void* self) {
        auto* codec = static_cast<FlacCodec*>(self);
        if (metadata->type == FLAC__METADATA_TYPE_STREAMINFO) {
            const auto& info = metadata->data.stream_info;
            codec->format_.rate = static_cast<int>(info.sample_rate);
            codec->format_.channels = static_cast<int>(info.channels);
            codec->format_.lengthFrames =
                info.total_samples > 0 ? static_cast<int64_t>(info.total_samples) : -1;
        } else if (metadata->type == FLAC__METADATA_TYPE_VORBIS_COMMENT) {
            const auto& comment = metadata->data.vorbis_comment;
            codec->comments_.clear();
            for (FLAC__uint32 i = 0; i < comment.num_comments; ++i)
                AppendComment(codec->comments_,
                              reinterpret_cast<const char*>(comment.comments[i].entry),
                              comment.comments[i].length);
            codec->comments_ += '\0';
        }
    }

    static void TakeError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {
        // A damaged frame is skipped; the decoder finds the next one by itself.
    }

    const FlacLibrary& api_;
    FLAC__StreamDecoder* decoder_ = nullptr;
    PendingSamples pending_;                // decoded, not yet read
    int frameRate_ = 0, frameChannels_ = 0; // of the last frame decoded
    int emptySteps_ = 0;
    std::string comments_;
};

} // namespace

std::unique_ptr<Codec> OpenFlac(ByteInput& input, bool ogg) {
    return OpenCodecOf<FlacCodec>(Flac() != nullptr, input, ogg);
}

} // namespace bass
