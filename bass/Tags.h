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
// The comments of a Vorbis comment header packet ("\x03vorbis" ...), each "KEY=value"
// NUL-terminated and the list ended by an empty string; empty when the packet is not one.
std::string VorbisCommentList(const uint8_t* packet, size_t size);
// The comments of the first Vorbis stream in the head of an Ogg file (its first pages).
std::string VorbisCommentsFromOgg(const uint8_t* data, size_t size);
// The same for a local file.
std::string FileVorbisComments(const std::string& path);

} // namespace bass
