#include "readers/MP4file.h"

#include <algorithm>
#include <array>

#include "common/Rounding.h"
#include "common/Text.h"
#include "common/Unicode.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

namespace {

constexpr int kMaxBoxes = 4096;        // boxes looked at in one container
constexpr std::size_t kTextSize = 250; // longer tag texts are cut
constexpr std::size_t kSampleEntrySize = 28;

} // namespace

struct TMP4file::TBox {
    std::string type;
    std::int64_t body = 0; // after the header
    std::int64_t end = 0;
};

namespace {

// Reads the header of the box at `at`, which must end by `limit`; false when none fits there.
template <typename Box>
bool ReadBox(TByteSource& source, std::int64_t at, std::int64_t limit, Box& box) {
    std::uint8_t header[16];
    if (at < 0 || limit - at < 8 || !source.ReadExactly(at, header, 8))
        return false;
    const TByteView view(header, sizeof header);
    std::uint64_t size = view.U32BE(0);
    box.type = std::string(view.Chars(4, 4));
    box.body = at + 8;
    if (size == 1) { // a 64-bit size follows the type
        if (limit - at < 16 || !source.ReadExactly(at + 8, header + 8, 8))
            return false;
        size = std::uint64_t{view.U32BE(8)} << 32 | view.U32BE(12);
        box.body = at + 16;
    } else if (size == 0) { // the box runs to the end of its container
        size = static_cast<std::uint64_t>(limit - at);
    }
    if (size < static_cast<std::uint64_t>(box.body - at) ||
        size > static_cast<std::uint64_t>(limit - at))
        return false;
    box.end = at + static_cast<std::int64_t>(size);
    return true;
}

// Calls `visit(box)` for each box in [from, to) in order, until one does not fit.
template <typename Box, typename Visit>
void ForEachBox(TByteSource& source, std::int64_t from, std::int64_t to, Visit visit) {
    Box box;
    for (int count = 0; count < kMaxBoxes && ReadBox(source, from, to, box); ++count) {
        visit(box);
        from = box.end;
    }
}

// Seconds of an mvhd or mdhd box (versions 0 and 1); `timescale` is set too.
double HeaderSeconds(TByteSource& source, std::int64_t body, std::uint32_t& timescale) {
    std::uint8_t bytes[32] = {};
    source.ReadZeroFilled(body, bytes, sizeof bytes);
    const TByteView view(bytes, sizeof bytes);
    std::uint64_t duration = 0;
    if (view.U8(0) == 1) {
        timescale = view.U32BE(20);
        duration = std::uint64_t{view.U32BE(24)} << 32 | view.U32BE(28);
    } else {
        timescale = view.U32BE(12);
        duration = view.U32BE(16);
    }
    if (timescale == 0 || duration == ~std::uint64_t{0} || duration == 0xFFFFFFFF)
        return 0;
    return static_cast<double>(duration) / timescale;
}

// The text of an ilst item's "data" box.
template <typename Box> std::string ItemText(TByteSource& source, const Box& item) {
    std::string text;
    ForEachBox<Box>(source, item.body, item.end, [&](const Box& data) {
        if (data.type != "data" || !text.empty() || data.end - data.body <= 8)
            return;
        std::array<std::uint8_t, kTextSize> bytes{};
        const auto size =
            static_cast<std::size_t>(std::min<std::int64_t>(data.end - data.body - 8, kTextSize));
        source.ReadAt(data.body + 8, bytes.data(), size);
        text = DecodeUtf8UpToFault(TrimControl(TByteView(bytes.data(), size).Chars(0, size)));
    });
    return text;
}

} // namespace

void TMP4file::ResetData() {
    fileSize_ = 0;
    sampleRate_ = 0;
    channels_ = 0;
    bitsPerSample_ = 0;
    codec_.clear();
    duration_ = movieDuration_ = 0;
    soundTrack_ = false;
    for (std::string* text : {&title_, &artist_, &album_, &year_, &genre_, &comment_})
        text->clear();
    track_ = 0;
}

bool TMP4file::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TMP4file::ReadFromSource(TByteSource& source) {
    ResetData();
    TBox first;
    if (!ReadBox(source, 0, source.Size(), first) || first.type != "ftyp")
        return false;
    ForEachBox<TBox>(source, 0, source.Size(), [&](const TBox& box) {
        if (box.type == "moov")
            WalkMovie(source, box);
    });
    if (!soundTrack_) {
        ResetData();
        return false;
    }
    if (duration_ <= 0)
        duration_ = movieDuration_;
    fileSize_ = source.Size();
    return true;
}

void TMP4file::WalkMovie(TByteSource& source, const TBox& movie) {
    ForEachBox<TBox>(source, movie.body, movie.end, [&](const TBox& box) {
        std::uint32_t timescale = 0;
        if (box.type == "mvhd") {
            movieDuration_ = HeaderSeconds(source, box.body, timescale);
        } else if (box.type == "trak" && !soundTrack_) {
            ReadTrack(source, box);
        } else if (box.type == "udta") {
            ForEachBox<TBox>(source, box.body, box.end, [&](const TBox& meta) {
                if (meta.type != "meta")
                    return;
                // A full box: version and flags come before its children.
                ForEachBox<TBox>(source, meta.body + 4, meta.end, [&](const TBox& list) {
                    if (list.type == "ilst")
                        ReadItems(source, list);
                });
            });
        }
    });
}

void TMP4file::ReadTrack(TByteSource& source, const TBox& track) {
    ForEachBox<TBox>(source, track.body, track.end, [&](const TBox& media) {
        if (media.type != "mdia")
            return;
        double seconds = 0;
        std::uint32_t timescale = 0;
        bool sound = false;
        TBox sampleTable;
        bool haveTable = false;
        ForEachBox<TBox>(source, media.body, media.end, [&](const TBox& box) {
            if (box.type == "mdhd") {
                seconds = HeaderSeconds(source, box.body, timescale);
            } else if (box.type == "hdlr") {
                std::uint8_t handler[12] = {};
                source.ReadZeroFilled(box.body, handler, sizeof handler);
                sound = TByteView(handler, sizeof handler).Matches(8, "soun");
            } else if (box.type == "minf") {
                ForEachBox<TBox>(source, box.body, box.end, [&](const TBox& info) {
                    if (info.type == "stbl") {
                        sampleTable = info;
                        haveTable = true;
                    }
                });
            }
        });
        if (!sound)
            return;
        soundTrack_ = true;
        duration_ = seconds;
        sampleRate_ = static_cast<std::int32_t>(timescale);
        if (!haveTable)
            return;
        ForEachBox<TBox>(source, sampleTable.body, sampleTable.end, [&](const TBox& box) {
            if (box.type != "stsd")
                return;
            // A full box with an entry count, then the sample entries.
            TBox entry;
            if (!ReadBox(source, box.body + 8, box.end, entry))
                return;
            std::uint8_t bytes[kSampleEntrySize] = {};
            source.ReadZeroFilled(entry.body, bytes, sizeof bytes);
            const TByteView view(bytes, sizeof bytes);
            codec_ = entry.type;
            channels_ = view.U16BE(16);
            bitsPerSample_ = view.U16BE(18);
            // 16.16 fixed point; a rate above 65535 leaves it 0 and the timescale stands.
            if (const std::uint32_t rate = view.U32BE(24) >> 16; rate > 0)
                sampleRate_ = static_cast<std::int32_t>(rate);
        });
    });
}

void TMP4file::ReadItems(TByteSource& source, const TBox& items) {
    ForEachBox<TBox>(source, items.body, items.end, [&](const TBox& item) {
        const std::string& type = item.type;
        if (type == "\xA9nam")
            title_ = ItemText(source, item);
        else if (type == "\xA9"
                         "ART")
            artist_ = ItemText(source, item);
        else if (type == "\xA9"
                         "alb")
            album_ = ItemText(source, item);
        else if (type == "\xA9"
                         "day")
            year_ = ItemText(source, item);
        else if (type == "\xA9gen")
            genre_ = ItemText(source, item);
        else if (type == "\xA9"
                         "cmt")
            comment_ = ItemText(source, item);
        else if (type == "trkn")
            ForEachBox<TBox>(source, item.body, item.end, [&](const TBox& data) {
                std::uint8_t bytes[12] = {};
                if (data.type == "data" && data.end - data.body >= 12 &&
                    source.ReadExactly(data.body, bytes, sizeof bytes))
                    track_ = TByteView(bytes, sizeof bytes).U16BE(10);
            });
    });
}

std::int32_t TMP4file::BitRate() const {
    if (!(duration_ > 0))
        return 0;
    return static_cast<std::int32_t>(
        RoundHalfEven(static_cast<double>(fileSize_) / duration_ / 125));
}

bool TMP4file::Valid() const {
    return soundTrack_ && sampleRate_ > 0 && channels_ >= 1 && channels_ <= 8 && duration_ > 0;
}

} // namespace tavuro
