#include "readers/VorbisComments.h"

#include <algorithm>

#include "common/Text.h"
#include "common/Unicode.h"
#include "readers/ByteView.h"
#include "readers/TrackNumber.h"

namespace tavuro {

namespace {

constexpr std::size_t kCommentTextSize = 250; // longer comment items are cut

constexpr std::array<std::string_view, csCount> kCommentNames = {
    "",     "TITLE", "ARTIST",  "ALBUM",     "TRACKNUMBER",
    "DATE", "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION"};

void OfferComment(std::string_view item, TCommentSlots& slots) {
    const std::string_view text = TrimControl(item);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        if (slots[csVendor].empty())
            slots[csVendor] = std::string(text);
        return;
    }
    const std::string name = UpperAscii(text.substr(0, equals));
    for (std::size_t slot = csTitle; slot < csCount; ++slot)
        if (name == kCommentNames[slot])
            slots[slot] = DecodeUtf8UpToFault(TrimControl(text.substr(equals + 1)));
}

} // namespace

void ReadVorbisComments(TByteSource& source, std::int64_t position, TCommentSlots& slots,
                        std::int64_t end) {
    std::uint32_t fieldCount = 0;
    for (std::uint64_t item = 0; item == 0 || item <= fieldCount; ++item) {
        if (end >= 0 && position + 4 > end)
            return;
        std::uint8_t length[4];
        if (!source.ReadExactly(position, length, 4))
            return;
        const std::uint32_t itemLength = TByteView(length, 4).U32LE(0);
        std::array<std::uint8_t, kCommentTextSize> text{};
        source.ReadAt(position + 4, text.data(), std::min<std::size_t>(itemLength, text.size()));
        OfferComment(TByteView(text.data(), text.size()).Chars(0, text.size()), slots);
        position += 4 + std::int64_t{itemLength};
        if (item == 0) {
            std::uint8_t count[4];
            if (!source.ReadExactly(position, count, 4))
                return;
            fieldCount = TByteView(count, 4).U32LE(0);
            position += 4;
        }
    }
}

} // namespace tavuro

namespace tavuro {

TCommentTags TCommentTags::From(const TCommentSlots& slots) {
    TCommentTags tags;
    tags.Title = slots[csTitle];
    tags.Artist = slots[csArtist].empty() ? slots[csPerformer] : slots[csArtist];
    tags.Album = slots[csAlbum];
    tags.Date = slots[csDate];
    tags.Genre = slots[csGenre];
    tags.Comment = slots[csComment].empty() ? slots[csDescription] : slots[csComment];
    tags.Track =
        static_cast<std::uint16_t>(std::clamp(TrackNumberOf(slots[csTrackNumber]), 0, 0xFFFF));
    return tags;
}

} // namespace tavuro
