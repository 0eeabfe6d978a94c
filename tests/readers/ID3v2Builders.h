#pragma once

#include "Fixtures.h"

namespace tavuro::fixtures {

// An ID3v2.3/2.4 frame: 4-character ID, plain big-endian size, two flag bytes.
inline Bytes Frame(std::string_view id, const Bytes& content, std::uint8_t flags2 = 0) {
    Bytes frame = Text(id);
    AppendBE32(frame, static_cast<std::uint32_t>(content.size()));
    frame.push_back(0);
    frame.push_back(flags2);
    Append(frame, content);
    return frame;
}

// An ID3v2.2 frame: 3-character ID and a 3-byte size.
inline Bytes Frame22(std::string_view id, const Bytes& content) {
    Bytes frame = Text(id);
    AppendBE24(frame, static_cast<std::uint32_t>(content.size()));
    Append(frame, content);
    return frame;
}

inline Bytes Latin1(std::string_view text) {
    Bytes content{0};
    Append(content, text);
    return content;
}

inline Bytes Utf16WithBom(std::u16string_view text) {
    Bytes content{1, 0xFF, 0xFE};
    Append(content, Utf16LE(text));
    return content;
}

// A tag header and its frames, followed by `padding` zero bytes. The size is written in 7-bit
// groups, so that it reads the same taken whole or as a synchsafe number.
inline Bytes ID3v2Tag(std::uint8_t version, const std::vector<Bytes>& frames,
                      std::size_t padding = 0, std::uint8_t flags = 0) {
    Bytes body;
    for (const Bytes& frame : frames)
        Append(body, frame);
    body.resize(body.size() + padding, 0);
    const std::uint32_t size = static_cast<std::uint32_t>(body.size());
    Bytes tag = Text("ID3");
    tag.push_back(version);
    tag.push_back(0);
    tag.push_back(flags);
    for (int shift = 21; shift >= 0; shift -= 7)
        tag.push_back((size >> shift) & 0x7F);
    Append(tag, body);
    return tag;
}

} // namespace tavuro::fixtures
