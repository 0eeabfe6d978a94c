// Opening a net address as a stream: its download and the decoder over it, through a station
// link to the first stream the link names that opens.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "Decoder.h"
#include "NetSource.h"

namespace bass {

struct NetStream {
    std::shared_ptr<NetSource> net;
    std::unique_ptr<Decoder> decoder;
};

// Opens `url` (http, https or ftp) and the codec its content calls for, before `deadline`. An
// answer that is a station link opens the first stream it names that opens, in the link's
// order, each within a fair share of the time left; a link it names is not followed. Nothing,
// with a BASS error code, when none opens (the last one's code).
std::optional<NetStream> OpenNetStream(const std::string& url, const NetSource::Options& options,
                                       std::chrono::steady_clock::time_point deadline, int& error);

} // namespace bass
