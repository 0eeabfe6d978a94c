#pragma once

#include <cstdint>
#include <string>

namespace tavuro {

// The tag texts that the ID3v1 and ID3v2 buffer decoders hand to the engine.
struct TMP3TagInfo {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::int32_t Track = 0;
    std::string Genre;
};

} // namespace tavuro
