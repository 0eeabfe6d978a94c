// Watches the bytes of an Ogg stream as they arrive for the next song of a chained stream: a
// logical stream that begins after another has carried data. Its comment header (Vorbis, Opus
// or FLAC) is told as a comment list, the form BASS_TAG_OGG has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bass {

struct OggPage;

class OggChainScanner {
public:
    using CommentSink = std::function<void(std::string list)>;

    // Feeds the stream's next bytes; pages may span calls. A stream that does not begin with an
    // Ogg page is not watched at all.
    void Feed(const uint8_t* bytes, size_t count, const CommentSink& comments);

private:
    void TakePage(const OggPage& page, const CommentSink& comments);

    static constexpr size_t kMaxPacket = 1 << 20; // larger comment headers are not told
    static constexpr int kMaxResyncs = 4096;

    std::vector<uint8_t> pending_; // bytes of a page not complete yet
    bool started_ = false;
    bool ogg_ = true;
    int resyncs_ = 0;
    bool dataSeen_ = false;  // a page that begins no stream has come since the last first pages
    bool gathering_ = false; // collecting the header packets of a new song
    uint32_t serial_ = 0;    // the new song's logical stream
    int packets_ = 0;
    std::string packet_;
};

} // namespace bass
