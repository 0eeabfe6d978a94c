#include "NetStream.h"

#include <algorithm>

#include "bass.h"

namespace bass {

namespace {

using Clock = std::chrono::steady_clock;

// The least time a link's entry gets while time is left: enough to connect across the world.
constexpr auto kLeastShare = std::chrono::milliseconds(1500);

std::optional<NetStream> OpenDecoder(const std::string& url, std::shared_ptr<NetSource> net,
                                     const NetSource::Options& options, Clock::time_point deadline,
                                     int& error) {
    DecoderOptions decoding;
    decoding.deadline = deadline;
    decoding.cancelled = options.cancelled;
    auto decoder = Decoder::Open(url, net, decoding, error);
    if (!decoder) {
        net->Abort();
        return std::nullopt;
    }
    return NetStream{std::move(net), std::move(decoder)};
}

} // namespace

std::optional<NetStream> OpenNetStream(const std::string& url, const NetSource::Options& options,
                                       Clock::time_point deadline, int& error) {
    auto net = NetSource::Open(url, options, deadline, error);
    if (!net)
        return std::nullopt;
    if (!net->IsStationLink())
        return OpenDecoder(url, std::move(net), options, deadline, error);
    const std::vector<std::string> entries = net->StationLinkAddresses();
    net.reset();
    error = BASS_ERROR_FILEFORM; // a link that names no stream
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto now = Clock::now();
        if (options.cancelled && options.cancelled())
            return error = BASS_ERROR_INIT, std::nullopt;
        if (now >= deadline)
            return error = BASS_ERROR_TIMEOUT, std::nullopt;
        const auto share = std::max<Clock::duration>((deadline - now) / (entries.size() - i),
                                                     kLeastShare);
        const auto until = std::min(deadline, now + share);
        auto entry = NetSource::Open(entries[i], options, until, error);
        if (!entry)
            continue;
        if (entry->IsStationLink()) {
            error = BASS_ERROR_FILEFORM;
            continue;
        }
        if (auto stream = OpenDecoder(entries[i], std::move(entry), options, until, error))
            return stream;
    }
    return std::nullopt;
}

} // namespace bass
