#include "Tags.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "Channel.h"

namespace bass {

namespace {

constexpr size_t kId3v1Size = 128;
constexpr size_t kId3v2HeaderSize = 10;
constexpr uint8_t kFlacCommentBlock = 4; // the metadata block type of a FLAC comment block

uint32_t LittleEndian32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Size of the whole ID3v2 block that starts `head`, 0 when there is none.
size_t Id3v2Size(const uint8_t* head, size_t available) {
    if (available < kId3v2HeaderSize || std::memcmp(head, "ID3", 3) != 0)
        return 0;
    size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80)
            return 0;
        size = size << 7 | head[i];
    }
    const bool footer = head[5] & 0x10;
    return kId3v2HeaderSize + size + (footer ? kId3v2HeaderSize : 0);
}

} // namespace

void StoreId3Tags(const uint8_t* data, size_t size, TagStore& tags) {
    if (size >= kId3v1Size && std::memcmp(data + size - kId3v1Size, "TAG", 3) == 0)
        tags.Set(0,
                 std::string(reinterpret_cast<const char*>(data + size - kId3v1Size), kId3v1Size));
    const size_t id3v2 = Id3v2Size(data, size);
    if (id3v2 != 0 && id3v2 <= size)
        tags.Set(1, std::string(reinterpret_cast<const char*>(data), id3v2));
}

void StoreFileId3Tags(const std::string& path, TagStore& tags) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return;
    file.seekg(0, std::ios::end);
    const auto fileSize = static_cast<size_t>(file.tellg());
    uint8_t header[kId3v2HeaderSize];
    file.seekg(0);
    if (fileSize >= kId3v2HeaderSize && file.read(reinterpret_cast<char*>(header), sizeof header)) {
        const size_t id3v2 = Id3v2Size(header, sizeof header);
        if (id3v2 != 0 && id3v2 <= fileSize) {
            std::string block(id3v2, '\0');
            file.seekg(0);
            if (file.read(block.data(), static_cast<std::streamsize>(id3v2)))
                tags.Set(1, std::move(block));
        }
    }
    if (fileSize >= kId3v1Size) {
        std::string tail(kId3v1Size, '\0');
        file.clear();
        file.seekg(static_cast<std::streamoff>(fileSize - kId3v1Size));
        if (file.read(tail.data(), kId3v1Size) && tail.compare(0, 3, "TAG") == 0)
            tags.Set(0, std::move(tail));
    }
}

void AppendComment(std::string& list, const char* text, size_t length) {
    const size_t end = std::find(text, text + length, '\0') - text;
    if (end == 0)
        return;
    list.append(text, end);
    list += '\0';
}

std::string CommentListOf(char* const* comments, int count) {
    std::string list;
    for (int i = 0; i < count; ++i)
        if (comments[i])
            AppendComment(list, comments[i], std::strlen(comments[i]));
    return list + '\0';
}

std::string OggCommentList(const uint8_t* packet, size_t size) {
    // The comment body follows a header that names the codec.
    size_t at = 0;
    if (size >= 7 && std::memcmp(packet, "\x03vorbis", 7) == 0)
        at = 7;
    else if (size >= 8 && std::memcmp(packet, "OpusTags", 8) == 0)
        at = 8;
    else if (size >= 4 && (packet[0] & 0x7F) == kFlacCommentBlock)
        at = 4;
    else
        return {};
    if (size - at < 8)
        return {};
    const uint32_t vendorLength = LittleEndian32(packet + at);
    at += 4;
    if (vendorLength > size - at || size - at - vendorLength < 4)
        return {};
    at += vendorLength;
    const uint32_t count = LittleEndian32(packet + at);
    at += 4;
    std::string list;
    for (uint32_t i = 0; i < count && size - at >= 4; ++i) {
        const uint32_t length = LittleEndian32(packet + at);
        at += 4;
        if (length > size - at)
            break;
        AppendComment(list, reinterpret_cast<const char*>(packet + at), length);
        at += length;
    }
    list += '\0';
    return list;
}

} // namespace bass
