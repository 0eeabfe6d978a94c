#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/ByteSource.h"
#include "readers/ID3v1.h"
#include "readers/ID3v2.h"
#include "readers/MP3TagInfo.h"

namespace tavuro {

// One decoded MPEG audio frame header, and the result of the frame search.
struct TFrameData {
    bool Found = false;
    std::int32_t Position = 0; // offset inside the block that was searched, not inside the file
    std::uint16_t Size = 0;    // frame length in bytes
    bool ZeroAfterHeader = false;
    std::uint8_t Data[4] = {};
    std::uint8_t VersionID = 1; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    std::uint8_t LayerID = 0;   // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    bool ProtectionBit = false;
    std::uint16_t BitRateID = 0;
    std::uint16_t SampleRateID = 3;
    bool PaddingBit = false;
    bool PrivateBit = false;
    std::uint8_t ModeID = 4; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 not known
    std::uint8_t ModeExtensionID = 4;
    bool CopyrightBit = false;
    bool OriginalBit = false;
    std::uint8_t EmphasisID = 2;
};

// A Xing or VBRI variable-bit-rate header.
struct TVBRData {
    bool Found = false;
    std::string ID;
    std::int32_t Frames = 0;
    std::int32_t Bytes = 0;
    std::uint8_t Scale = 0;
    std::string VendorID;
};

// Technical facts of an MPEG-1, 2 or 2.5 audio file (Layers I to III) and its ID3 tags, read
// without decoding: the first confirmed frame header and an optional Xing or VBRI header.
class TMPEGaudio {
public:
    TMPEGaudio() { ResetData(); }

    // Reads tags and stream facts. True when the file could be opened and read, MPEG audio or not
    // (Valid tells). When no frame is found everything, the tags too, is reset.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    // Hands a tag held in memory to the ID3v1 (`kind` 1) or ID3v2 (`kind` 2) decoder and returns
    // its result; false for any other kind.
    bool ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, int kind,
                           TMP3TagInfo& tagInfo);

    void ResetData();

    std::int64_t FileLength() const { return fileLength_; }
    std::uint16_t SampleRate() const;
    // kbit/s: from the VBR header when it counts frames, else the frame header's rate.
    std::uint16_t BitRate() const;
    std::string_view ChannelMode() const;
    // Seconds.
    double Duration() const;
    bool Valid() const;

    const TID3v1& ID3v1() const { return id3v1_; }
    const TID3v2& ID3v2() const { return id3v2_; }
    const TVBRData& VBR() const { return vbr_; }
    const TFrameData& Frame() const { return frame_; }

private:
    bool ReadTagsAndFrame(TByteSource& source);
    bool HasVBRFrameCount() const { return vbr_.Found && vbr_.Frames > 0; }

    std::int64_t fileLength_ = 0;
    TVBRData vbr_;
    TFrameData frame_;
    TID3v1 id3v1_;
    TID3v2 id3v2_;
};

} // namespace tavuro
