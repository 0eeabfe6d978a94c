// Tag blocks as BASS_StreamGetTags hands them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bass {

class TagStore;

// Stores the ID3v1 (last 128 bytes) and ID3v2 (leading) blocks found in a whole file image.
void StoreId3Tags(const uint8_t* data, size_t size, TagStore& tags);
// Same for a local file, reading only its head and tail.
void StoreFileId3Tags(const std::string& path, TagStore& tags);
// The comments of an Ogg stream's comment header packet (Vorbis "\x03vorbis", Opus "OpusTags"
// or a FLAC VORBIS_COMMENT block), each "KEY=value" NUL-terminated and the list ended by an
// empty string; empty when the packet is none of those.
std::string OggCommentList(const uint8_t* packet, size_t size);
// Such a list of the comments a codec library parsed.
std::string CommentListOf(char* const* comments, int count);
// Adds one comment to such a list (not yet ended); an empty one is left out, and a NUL inside
// would end it anyway.
void AppendComment(std::string& list, const char* text, size_t length);

} // namespace bass
