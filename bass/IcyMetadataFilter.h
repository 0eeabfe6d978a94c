// Takes Shoutcast metadata out of an interleaved stream: after every `interval` audio bytes
// come one length byte and length x 16 bytes of text, padded with NULs (0 to 4080 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace bass {

class IcyMetadataFilter {
public:
    using AudioSink = std::function<void(const uint8_t* bytes, size_t count)>;
    using MetadataSink = std::function<void(std::string text)>;

    // interval 0: the stream carries no metadata.
    explicit IcyMetadataFilter(size_t interval) : interval_(interval), audioLeft_(interval) {}

    // Passes the audio bytes of `bytes` on to `audio` and each completed block's text (up to its
    // first NUL, empty blocks left out) to `metadata`. Blocks may span calls.
    void Feed(const uint8_t* bytes, size_t count, const AudioSink& audio,
              const MetadataSink& metadata);
    // How many blocks have passed, empty ones too.
    size_t Blocks() const { return blocks_; }

private:
    const size_t interval_;
    size_t audioLeft_;    // audio bytes before the next length byte
    size_t metaLeft_ = 0; // text bytes of the current block still to come
    bool expectLength_ = false;
    size_t blocks_ = 0;
    std::string block_;
};

} // namespace bass
