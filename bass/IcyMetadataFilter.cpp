#include "IcyMetadataFilter.h"

#include <algorithm>

namespace bass {

void IcyMetadataFilter::Feed(const uint8_t* bytes, size_t count, const AudioSink& audio,
                             const MetadataSink& metadata) {
    if (interval_ == 0) {
        if (count)
            audio(bytes, count);
        return;
    }
    while (count > 0) {
        if (metaLeft_ > 0) {
            const size_t take = std::min(count, metaLeft_);
            block_.append(reinterpret_cast<const char*>(bytes), take);
            bytes += take;
            count -= take;
            if ((metaLeft_ -= take) > 0)
                continue;
            ++blocks_;
            std::string text(block_.c_str());
            if (!text.empty())
                metadata(std::move(text));
            audioLeft_ = interval_;
        } else if (expectLength_) {
            metaLeft_ = static_cast<size_t>(*bytes) * 16;
            block_.clear();
            expectLength_ = false;
            ++bytes;
            --count;
            if (metaLeft_ == 0) {
                ++blocks_;
                audioLeft_ = interval_;
            }
        } else {
            const size_t take = std::min(count, audioLeft_);
            audio(bytes, take);
            bytes += take;
            count -= take;
            if ((audioLeft_ -= take) == 0)
                expectLength_ = true;
        }
    }
}

} // namespace bass
