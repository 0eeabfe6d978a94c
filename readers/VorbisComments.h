#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/ByteSource.h"

namespace tavuro {

// The fields of a Vorbis comment block that the readers keep: the block Ogg Vorbis, Opus and FLAC
// files share (vendor text, field count, "NAME=value" fields).
enum TCommentSlot {
    csVendor,
    csTitle,
    csArtist,
    csAlbum,
    csTrackNumber,
    csDate,
    csGenre,
    csComment,
    csPerformer,
    csDescription,
    csCount
};

using TCommentSlots = std::array<std::string, csCount>;

// Reads the block that starts at `position` straight on, whatever page boundaries lie inside it.
// Names are matched without regard to ASCII case; a value is cut at 250 bytes with its name.
// Each field advances by at least its 4-byte length, so the walk ends at the end of the source
// (or at `end`, when the container tells where the block ends) whatever the counts say.
void ReadVorbisComments(TByteSource& source, std::int64_t position, TCommentSlots& slots,
                        std::int64_t end = -1);

} // namespace tavuro

namespace tavuro {

// The tag texts a Vorbis comment block gives the engine. ARTIST falls back to PERFORMER and
// COMMENT to DESCRIPTION, as in Ogg Vorbis files.
struct TCommentTags {
    std::string Title, Artist, Album, Date, Genre, Comment;
    std::uint16_t Track = 0;

    static TCommentTags From(const TCommentSlots& slots);
};

} // namespace tavuro
