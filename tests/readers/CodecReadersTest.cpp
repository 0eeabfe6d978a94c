// The FLAC, Opus and MP4 readers on byte-built files: the walks skip what they need not read,
// and sizes that run past the file end the read instead of reaching beyond it.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "readers/FLACfile.h"
#include "readers/MP4file.h"
#include "readers/OpusFile.h"

namespace tavuro {
namespace {

using namespace fixtures;

Bytes CommentBody(std::initializer_list<std::string_view> fields) {
    Bytes body;
    AppendLE32(body, 6);
    Append(body, "vendor");
    AppendLE32(body, static_cast<std::uint32_t>(fields.size()));
    for (std::string_view field : fields) {
        AppendLE32(body, static_cast<std::uint32_t>(field.size()));
        Append(body, field);
    }
    return body;
}

Bytes FlacBlock(std::uint8_t type, bool last, const Bytes& body) {
    Bytes block{static_cast<std::uint8_t>(type | (last ? 0x80 : 0))};
    AppendBE24(block, static_cast<std::uint32_t>(body.size()));
    Append(block, body);
    return block;
}

// 44100 Hz, 2 channels, 24 bits, `samples` samples.
Bytes StreamInfo(std::uint64_t samples) {
    Bytes info = Zeros(10);
    const std::uint64_t packed =
        std::uint64_t{44100} << 44 | std::uint64_t{1} << 41 | std::uint64_t{23} << 36 | samples;
    for (int shift = 56; shift >= 0; shift -= 8)
        info.push_back(static_cast<std::uint8_t>(packed >> shift));
    Append(info, Zeros(16)); // MD5
    return info;
}

TFLACfile ReadFlac(const Bytes& bytes, bool& read) {
    TMemorySource source(bytes.data(), bytes.size());
    TFLACfile flac;
    read = flac.ReadFromSource(source);
    return flac;
}

TEST(FLACfile, ReadsStreamInfoAndCommentsPastAPicture) {
    Bytes file = Text("fLaC");
    Append(file, FlacBlock(0, false, StreamInfo(441000)));
    Append(file, FlacBlock(6, false, Zeros(100000))); // a picture: passed over unread
    Append(file,
           FlacBlock(4, true, CommentBody({"title=Song", "PERFORMER=Band", "TRACKNUMBER=3/7"})));
    Append(file, Zeros(20000)); // frames
    bool read = false;
    const TFLACfile flac = ReadFlac(file, read);
    ASSERT_TRUE(read);
    EXPECT_TRUE(flac.Valid());
    EXPECT_EQ(flac.SampleRate(), 44100);
    EXPECT_EQ(flac.Channels(), 2);
    EXPECT_EQ(flac.BitsPerSample(), 24);
    EXPECT_DOUBLE_EQ(flac.Duration(), 10.0);
    EXPECT_EQ(flac.AudioOffset(), static_cast<std::int64_t>(file.size()) - 20000);
    EXPECT_EQ(flac.BitRate(), 16); // 20000 bytes in 10 s
    EXPECT_EQ(flac.Tags().Title, "Song");
    EXPECT_EQ(flac.Tags().Artist, "Band");
    EXPECT_EQ(flac.Tags().Track, 3);
}

TEST(FLACfile, RefusesWhatIsNoWholeFlacHeader) {
    const struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"no marker",
         [] {
             Bytes b = Text("fLaX");
             Append(b, FlacBlock(0, true, StreamInfo(1)));
             return b;
         }()},
        {"no stream information",
         [] {
             Bytes b = Text("fLaC");
             Append(b, FlacBlock(4, true, CommentBody({})));
             return b;
         }()},
        {"a block past the end",
         [] {
             Bytes b = Text("fLaC");
             Append(b, FlacBlock(0, false, StreamInfo(1)));
             Append(b, Bytes{1, 0xFF, 0xFF, 0xFF});
             return b;
         }()},
        {"stream information cut",
         [] {
             Bytes b = Text("fLaC");
             Append(b, FlacBlock(0, true, StreamInfo(1)));
             b.resize(20);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        bool read = true;
        const TFLACfile flac = ReadFlac(c.bytes, read);
        EXPECT_FALSE(read) << c.name;
        EXPECT_FALSE(flac.Valid()) << c.name;
    }
}

Bytes OggPage(std::uint32_t serial, std::uint64_t granule, const Bytes& packet) {
    Bytes page = Text("OggS");
    page.push_back(0);
    page.push_back(0);
    AppendLE64(page, granule);
    AppendLE32(page, serial);
    AppendLE32(page, 0); // sequence
    AppendLE32(page, 0); // CRC: the reader does not check it
    std::size_t left = packet.size();
    Bytes lacing;
    do {
        lacing.push_back(static_cast<std::uint8_t>(std::min<std::size_t>(left, 255)));
        left -= std::min<std::size_t>(left, 255);
    } while (lacing.back() == 255);
    page.push_back(static_cast<std::uint8_t>(lacing.size()));
    Append(page, lacing);
    Append(page, packet);
    return page;
}

Bytes OpusFileWith(std::uint64_t lastGranule) {
    Bytes head = Text("OpusHead");
    head.push_back(1);       // version
    head.push_back(2);       // channels
    AppendLE16(head, 312);   // pre-skip
    AppendLE32(head, 44100); // input rate
    AppendLE16(head, 0);     // gain
    head.push_back(0);       // mapping family
    Bytes tags = Text("OpusTags");
    Append(tags, CommentBody({"TITLE=Opus Song", "ARTIST=Singer"}));
    Bytes file = OggPage(7, 0, head);
    Append(file, OggPage(7, 0, tags));
    Append(file, OggPage(7, 1000, Zeros(300)));
    Append(file, OggPage(9, 999999, Zeros(50))); // another stream's page is not taken
    Append(file, OggPage(7, lastGranule, Zeros(300)));
    return file;
}

TEST(OpusFile, LengthIsTheLastGranuleLessThePreSkip) {
    const Bytes file = OpusFileWith(48000 * 2 + 312);
    TMemorySource source(file.data(), file.size());
    TOpusFile opus;
    ASSERT_TRUE(opus.ReadFromSource(source));
    EXPECT_TRUE(opus.Valid());
    EXPECT_EQ(opus.Channels(), 2);
    EXPECT_EQ(opus.PreSkip(), 312);
    EXPECT_EQ(opus.InputSampleRate(), 44100u);
    EXPECT_EQ(opus.Samples(), 96000);
    EXPECT_DOUBLE_EQ(opus.Duration(), 2.0);
    EXPECT_EQ(opus.Tags().Title, "Opus Song");
    EXPECT_EQ(opus.Tags().Artist, "Singer");
}

TEST(OpusFile, AGranuleWithinThePreSkipIsNoLength) {
    const Bytes file = OpusFileWith(200);
    TMemorySource source(file.data(), file.size());
    TOpusFile opus;
    ASSERT_TRUE(opus.ReadFromSource(source));
    EXPECT_EQ(opus.Samples(), 0);
    EXPECT_FALSE(opus.Valid());
}

Bytes Box(std::string_view type, const Bytes& body) {
    Bytes box;
    AppendBE32(box, static_cast<std::uint32_t>(8 + body.size()));
    Append(box, type);
    Append(box, body);
    return box;
}

Bytes Boxes(std::initializer_list<Bytes> boxes) {
    Bytes all;
    for (const Bytes& box : boxes)
        Append(all, box);
    return all;
}

// A full box header (version, flags), then `body`.
Bytes Full(std::uint8_t version, const Bytes& body) {
    Bytes full{version, 0, 0, 0};
    Append(full, body);
    return full;
}

Bytes MediaHeaderV1(std::uint32_t timescale, std::uint64_t duration) {
    Bytes body = Zeros(16); // creation and modification times
    AppendBE32(body, timescale);
    AppendBE32(body, static_cast<std::uint32_t>(duration >> 32));
    AppendBE32(body, static_cast<std::uint32_t>(duration));
    Append(body, Zeros(4));
    return Full(1, body);
}

Bytes SoundTrack(std::string_view handler) {
    Bytes hdlr = Zeros(4);
    Append(hdlr, handler);
    Append(hdlr, Zeros(13));
    Bytes entry = Zeros(16);
    Append(entry, Bytes{0, 2, 0, 16, 0, 0, 0, 0}); // 2 channels, 16 bits
    AppendBE32(entry, 44100u << 16);
    Bytes stsd;
    AppendBE32(stsd, 1); // one sample entry
    Append(stsd, Box("mp4a", entry));
    return Box("trak", Box("mdia", Boxes({Box("mdhd", MediaHeaderV1(44100, 44100 * 5)),
                                          Box("hdlr", Full(0, hdlr)),
                                          Box("minf", Box("stbl", Box("stsd", Full(0, stsd))))})));
}

Bytes TextItem(std::string_view type, std::string_view text) {
    Bytes data = Bytes{0, 0, 0, 1, 0, 0, 0, 0};
    Append(data, text);
    return Box(type, Box("data", data));
}

TEST(MP4file, DurationFromTheSoundTrackAndTagsFromItsItemList) {
    Bytes mvhd = Zeros(8);
    AppendBE32(mvhd, 1000);
    AppendBE32(mvhd, 9000); // the movie says 9 s; the sound track's own 5 s stand
    Bytes trkn = Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 0, 12};
    const Bytes items = Boxes({TextItem("\xA9nam", "Mp4 Song"),
                               TextItem("\xA9"
                                        "ART",
                                        "Singer"),
                               Box("trkn", Box("data", trkn))});
    const Bytes file = Boxes(
        {Box("ftyp", Text("M4A \0\0\0\0")), Box("mdat", Zeros(40000)),
         Box("moov", Boxes({Box("mvhd", Full(0, mvhd)), SoundTrack("vide"), SoundTrack("soun"),
                            Box("udta", Box("meta", Full(0, Box("ilst", items))))}))});
    TMemorySource source(file.data(), file.size());
    TMP4file mp4;
    ASSERT_TRUE(mp4.ReadFromSource(source));
    EXPECT_TRUE(mp4.Valid());
    EXPECT_DOUBLE_EQ(mp4.Duration(), 5.0);
    EXPECT_EQ(mp4.SampleRate(), 44100);
    EXPECT_EQ(mp4.Channels(), 2);
    EXPECT_EQ(mp4.Codec(), "mp4a");
    EXPECT_EQ(mp4.Title(), "Mp4 Song");
    EXPECT_EQ(mp4.Artist(), "Singer");
    EXPECT_EQ(mp4.Track(), 6);
}

TEST(MP4file, RefusesFilesWithoutTypeOrSoundAndStopsAtABoxPastTheEnd) {
    const Bytes noType = Box("moov", SoundTrack("soun"));
    const Bytes videoOnly = Boxes({Box("ftyp", Zeros(8)), Box("moov", SoundTrack("vide"))});
    Bytes pastTheEnd = Boxes({Box("ftyp", Zeros(8)), Box("moov", SoundTrack("soun"))});
    Append(pastTheEnd, Bytes{0x7F, 0xFF, 0xFF, 0xFF});
    Append(pastTheEnd, Text("free"));
    for (const Bytes* file : {&noType, &videoOnly}) {
        TMemorySource source(file->data(), file->size());
        TMP4file mp4;
        EXPECT_FALSE(mp4.ReadFromSource(source));
        EXPECT_FALSE(mp4.Valid());
    }
    TMemorySource source(pastTheEnd.data(), pastTheEnd.size());
    TMP4file mp4;
    EXPECT_TRUE(mp4.ReadFromSource(source)) << "what came before the broken box stands";
    EXPECT_DOUBLE_EQ(mp4.Duration(), 5.0);
}

} // namespace
} // namespace tavuro
