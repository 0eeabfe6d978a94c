#include "OggChain.h"

#include <cstring>

#include "OggPages.h"
#include "Tags.h"

namespace bass {

void OggChainScanner::Feed(const uint8_t* bytes, size_t count, const CommentSink& comments) {
    if (!ogg_ || count == 0)
        return;
    pending_.insert(pending_.end(), bytes, bytes + count);
    if (!started_) {
        if (pending_.size() < 4)
            return;
        started_ = true;
        ogg_ = std::memcmp(pending_.data(), "OggS", 4) == 0;
        if (!ogg_) {
            pending_ = {};
            return;
        }
    }
    size_t at = 0;
    while (at < pending_.size()) {
        OggPage page;
        const OggRead read = ReadOggPage(pending_.data() + at, pending_.size() - at, page);
        if (read == OggRead::Incomplete)
            break;
        if (read == OggRead::Invalid) {
            // A server's Ogg stream never loses sync; bytes that keep failing are not Ogg, and
            // checking them would only burn time.
            if (++resyncs_ > kMaxResyncs) {
                ogg_ = false;
                pending_ = {};
                return;
            }
            ++at;
            continue;
        }
        TakePage(page, comments);
        at += page.size;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
}

void OggChainScanner::TakePage(const OggPage& page, const CommentSink& comments) {
    if (page.flags & OggPage::kFirst) {
        if (dataSeen_) {
            gathering_ = true;
            serial_ = page.serial;
            packets_ = 0;
            packet_.clear();
        }
        dataSeen_ = false;
    } else {
        dataSeen_ = true;
    }
    if (!gathering_ || page.serial != serial_)
        return;
    const uint8_t* segment = page.body;
    for (size_t i = 0; i < page.segments && gathering_; ++i) {
        packet_.append(reinterpret_cast<const char*>(segment), page.lacing[i]);
        segment += page.lacing[i];
        if (packet_.size() > kMaxPacket) {
            gathering_ = false;
        } else if (page.lacing[i] < 255 && ++packets_ == 2) {
            // The second packet of a Vorbis, Opus or Ogg FLAC stream is its comment header.
            gathering_ = false;
            std::string list =
                OggCommentList(reinterpret_cast<const uint8_t*>(packet_.data()), packet_.size());
            if (!list.empty())
                comments(std::move(list));
        } else if (page.lacing[i] < 255) {
            packet_.clear();
        }
    }
    if (!gathering_)
        packet_ = {};
}

} // namespace bass
