// Files made by real encoders (sox, lame, oggenc, ffmpeg) read by the readers and compared with
// what ffprobe says and what the encoders were told to write.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "readers/MPEGaudio.h"
#include "readers/OggVorbis.h"
#include "readers/StreamFacts.h"
#include "readers/WMAfile.h"

namespace tavuro {
namespace {

namespace fs = std::filesystem;

struct TCommandResult {
    int status = -1;
    std::string output;
};

TCommandResult RunCommand(const std::string& command) {
    TCommandResult result;
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool HasTool(const char* tool) {
    return RunCommand(std::string("command -v ") + tool).status == 0;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// What ffprobe reports of a file's first audio stream.
struct TProbe {
    int sampleRate = 0;
    int channels = 0;
    double duration = 0;
};

TProbe FFprobe(const fs::path& file) {
    const TCommandResult result =
        RunCommand("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels"
                   ":format=duration -of default=noprint_wrappers=1 " +
                   Quoted(file));
    TProbe probe;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "sample_rate")
            probe.sampleRate = std::atoi(value.c_str());
        else if (key == "channels")
            probe.channels = std::atoi(value.c_str());
        else if (key == "duration")
            probe.duration = std::atof(value.c_str());
    }
    return probe;
}

class Conformance : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* tool :
             {"sox", "lame", "oggenc", "ffmpeg", "ffprobe", "flac", "metaflac", "opusenc"})
            if (!HasTool(tool))
                missingTool_ = tool;
        if (!missingTool_.empty())
            return;
        dir_ = fs::temp_directory_path() / ("tavuro-conformance-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        const std::string d = Quoted(dir_) + "/";
        const std::string tags =
            "--tt 'Sine Title' --ta 'Test Artist' --tl 'Test Album' --ty 2004 --tn 5 --tg Jazz "
            "--tc 'made by lame'";
        const std::vector<std::string> commands = {
            "sox -n -r 44100 -c 2 -b 16 " + d + "tone.wav synth 5 sine 440",
            "sox -n -r 22050 -c 1 -b 16 " + d + "mono22.wav synth 4 sine 300",
            "lame --quiet -b 128 " + tags + " --id3v1-only " + d + "tone.wav " + d + "cbr_v1.mp3",
            "lame --quiet -b 128 " + tags + " --add-id3v2 " + d + "tone.wav " + d + "cbr_both.mp3",
            "lame --quiet -V 4 " + tags + " --id3v2-only " + d + "tone.wav " + d + "vbr_v23.mp3",
            "lame --quiet -V 4 " + d + "tone.wav " + d + "vbr_plain.mp3",
            "ffmpeg -v error -y -i " + d +
                "vbr_plain.mp3 -c copy -id3v2_version 4 -metadata "
                "title='Four Title' -metadata artist='Four Artist' -metadata album='Four Album' "
                "-metadata track=9 -metadata date=2011 " +
                d + "v24.mp3",
            "lame --quiet -b 64 -m m " + d + "mono22.wav " + d + "mpeg2_mono.mp3",
            "oggenc -Q -q 3 -t 'Ogg Title' -a 'Ogg Artist' -l 'Ogg Album' -d 2007 -N 3 -G Rock "
            "-c 'COMMENT=made by oggenc' " +
                d + "tone.wav -o " + d + "tone.ogg",
            "sox -n -r 44100 -c 2 -b 16 " + d + "long.wav synth 20 sine 440",
            "ffmpeg -v error -y -i " + d +
                "long.wav -c:a wmav2 -b:a 128k -metadata title='Wma "
                "Title' -metadata artist='Wma Artist' -metadata album='Wma Album' -metadata "
                "WM/Year=2012 -metadata WM/Genre=Pop -metadata WM/Track=6 -metadata "
                "WM/Description='made by ffmpeg' " +
                d + "long.wma",
            "sox -n -r 96000 -c 2 -b 24 " + d + "hires.wav synth 3 sine 440",
            "convert -size 64x64 xc:red " + d + "cover.png",
            "flac -s -f -T 'TITLE=Flac Title' -T 'ARTIST=Flac Artist' -T ALBUM='Flac Album' "
            "-T DATE=2019 -T GENRE=Ambient -T TRACKNUMBER=7/9 -T 'DESCRIPTION=made by flac' "
            "--picture=" +
                d + "cover.png -o " + d + "hires.flac " + d + "hires.wav",
            "opusenc --quiet --title 'Opus Title' --artist 'Opus Artist' --album 'Opus Album' "
            "--date 2021 --genre Jazz --comment TRACKNUMBER=2 " +
                d + "tone.wav " + d + "tone.opus",
            "ffmpeg -v error -y -i " + d +
                "tone.wav -c:a aac -b:a 128k -metadata title='M4a "
                "Title' -metadata artist='M4a Artist' -metadata album='M4a Album' -metadata "
                "date=2015 "
                "-metadata genre=Blues -metadata track=4/10 -metadata comment='made by ffmpeg' " +
                d + "tone.m4a",
            "ffmpeg -v error -y -i " + d + "tone.m4a -c copy -movflags +faststart " + d +
                "faststart.m4a",
            "ffmpeg -v error -y -i " + d + "hires.wav -c:a alac " + d + "hires.m4a",
            "ffmpeg -v error -y -i " + d + "mono22.wav -c:a aac -b:a 64k " + d + "mono22.aac",
            "cp " + d + "tone.ogg " + d + "vorbis.oga",
            "cp " + d + "tone.opus " + d + "opus.oga",
            "flac -s -f --ogg -T 'TITLE=Ogg Flac Title' -o " + d + "flac.oga " + d + "tone.wav",
        };
        for (const std::string& command : commands)
            if (RunCommand(command).status != 0)
                failedCommand_ = command;
    }

    static void TearDownTestSuite() {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    void SetUp() override {
        if (!missingTool_.empty())
            GTEST_SKIP() << missingTool_ << " is not installed";
        ASSERT_TRUE(failedCommand_.empty()) << failedCommand_;
    }

    static fs::path File(const char* name) { return dir_ / name; }

    // Reads `name` for the engine and checks rate and channels against ffprobe exactly and the
    // duration within `tolerance` seconds.
    static TStreamInfo CheckFacts(const char* name, double tolerance) {
        TStreamInfo info;
        EXPECT_TRUE(ReadStreamFacts(File(name).string(), info)) << name;
        const TProbe probe = FFprobe(File(name));
        EXPECT_GT(probe.sampleRate, 0) << name;
        EXPECT_EQ(info.SampleRate, probe.sampleRate) << name;
        EXPECT_EQ(info.Channels, probe.channels) << name;
        EXPECT_NEAR(info.Duration / 1000.0, probe.duration, tolerance) << name;
        EXPECT_EQ(info.FileSize, static_cast<std::int64_t>(fs::file_size(File(name)))) << name;
        return info;
    }

    static void ExpectLameTags(const TStreamInfo& info) {
        EXPECT_EQ(info.Title, "Sine Title");
        EXPECT_EQ(info.Artist, "Test Artist");
        EXPECT_EQ(info.Album, "Test Album");
        EXPECT_EQ(info.Year, "2004");
        EXPECT_EQ(info.Genre, "Jazz");
        EXPECT_EQ(info.Track, 5);
        EXPECT_EQ(info.Comment, "made by lame");
    }

    static inline std::string missingTool_;
    static inline std::string failedCommand_;
    static inline fs::path dir_;
};

TEST_F(Conformance, WavFromSox) {
    const TStreamInfo stereo = CheckFacts("tone.wav", 0.05);
    EXPECT_EQ(stereo.BitsPerSample, 16);
    EXPECT_EQ(stereo.BitRate, 705);
    CheckFacts("mono22.wav", 0.05);
}

TEST_F(Conformance, ConstantBitRateMp3WithID3v1) {
    const TStreamInfo info = CheckFacts("cbr_v1.mp3", 0.1);
    EXPECT_EQ(info.BitRate, 128);
    EXPECT_EQ(info.GenreID, 8);
    ExpectLameTags(info);
}

TEST_F(Conformance, ConstantBitRateMp3WithBothTags) {
    ExpectLameTags(CheckFacts("cbr_both.mp3", 0.1));
    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(File("cbr_both.mp3").string()));
    EXPECT_TRUE(mpeg.ID3v2().Exists());
    EXPECT_EQ(mpeg.ID3v2().Title(), "Sine Title");
    EXPECT_EQ(mpeg.ID3v2().Comment(), "made by lame");
}

TEST_F(Conformance, VariableBitRateMp3WithID3v23) {
    const TStreamInfo info = CheckFacts("vbr_v23.mp3", 0.05);
    ExpectLameTags(info);
    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(File("vbr_v23.mp3").string()));
    EXPECT_EQ(mpeg.VBR().ID, "Xing");
    EXPECT_EQ(mpeg.ID3v2().VersionID(), 3);
    EXPECT_FALSE(mpeg.ID3v1().Exists());
}

TEST_F(Conformance, Mp3WithID3v24FromFFmpegIgnoresItsUtf8Frames) {
    // FFmpeg writes ID3v2.4 texts as UTF-8 (encoding 3), which the tag reader passes over.
    const TStreamInfo info = CheckFacts("v24.mp3", 0.05);
    EXPECT_EQ(info.Title, "");
    EXPECT_EQ(info.Track, 0);
    TMPEGaudio mpeg;
    ASSERT_TRUE(mpeg.ReadFromFile(File("v24.mp3").string()));
    EXPECT_TRUE(mpeg.ID3v2().Exists());
    EXPECT_EQ(mpeg.ID3v2().VersionID(), 4);
    EXPECT_GT(mpeg.ID3v2().Size(), 10);
}

TEST_F(Conformance, Mpeg2MonoMp3) {
    const TStreamInfo info = CheckFacts("mpeg2_mono.mp3", 0.1);
    EXPECT_EQ(info.BitRate, 64);
    EXPECT_EQ(info.Channels, 1);
}

TEST_F(Conformance, OggVorbisWithComments) {
    const TStreamInfo info = CheckFacts("tone.ogg", 0.05);
    EXPECT_EQ(info.Title, "Ogg Title");
    EXPECT_EQ(info.Artist, "Ogg Artist");
    EXPECT_EQ(info.Album, "Ogg Album");
    EXPECT_EQ(info.Year, "2007");
    EXPECT_EQ(info.Genre, "Rock");
    EXPECT_EQ(info.Track, 3);
    EXPECT_EQ(info.Comment, "made by oggenc");
    EXPECT_GT(info.BitRate, 0);
}

TEST_F(Conformance, FlacWithCommentsAndAPicture) {
    const TStreamInfo info = CheckFacts("hires.flac", 0.001);
    EXPECT_EQ(info.BitsPerSample, 24);
    EXPECT_EQ(info.Title, "Flac Title");
    EXPECT_EQ(info.Artist, "Flac Artist");
    EXPECT_EQ(info.Album, "Flac Album");
    EXPECT_EQ(info.Year, "2019");
    EXPECT_EQ(info.Genre, "Ambient");
    EXPECT_EQ(info.Track, 7);
    EXPECT_EQ(info.Comment, "made by flac");
    EXPECT_GT(info.BitRate, 0);
}

TEST_F(Conformance, OpusLengthIsTheLastGranuleLessThePreSkip) {
    // ffprobe counts the pre-skip too (312 samples, 6.5 ms): the 5 s given to the encoder are
    // what plays.
    const TStreamInfo info = CheckFacts("tone.opus", 0.01);
    EXPECT_EQ(info.SampleRate, 48000);
    EXPECT_EQ(info.Duration, 5000);
    EXPECT_EQ(info.Title, "Opus Title");
    EXPECT_EQ(info.Artist, "Opus Artist");
    EXPECT_EQ(info.Album, "Opus Album");
    EXPECT_EQ(info.Year, "2021");
    EXPECT_EQ(info.Genre, "Jazz");
    EXPECT_EQ(info.Track, 2);
}

TEST_F(Conformance, M4aWithItsIndexAtEitherEnd) {
    for (const char* name : {"tone.m4a", "faststart.m4a"}) {
        const TStreamInfo info = CheckFacts(name, 0.05);
        EXPECT_EQ(info.Title, "M4a Title") << name;
        EXPECT_EQ(info.Artist, "M4a Artist") << name;
        EXPECT_EQ(info.Album, "M4a Album") << name;
        EXPECT_EQ(info.Year, "2015") << name;
        EXPECT_EQ(info.Genre, "Blues") << name;
        EXPECT_EQ(info.Track, 4) << name;
        EXPECT_EQ(info.Comment, "made by ffmpeg") << name;
        EXPECT_NEAR(info.BitRate, 128, 16) << name;
    }
}

TEST_F(Conformance, AlacInM4aAndRawAac) {
    EXPECT_EQ(CheckFacts("hires.m4a", 0.01).BitsPerSample, 24);
    // Raw AAC tells no length: the reader and ffprobe both estimate it from the frames, ffprobe
    // from fewer of them; the 4 s the encoder was given (and its 1024-sample priming) stand.
    const TStreamInfo aac = CheckFacts("mono22.aac", 0.2);
    EXPECT_NEAR(aac.Duration, 4000, 120);
    EXPECT_EQ(aac.Title, "") << "raw AAC carries no tags";
    EXPECT_NEAR(aac.BitRate, 64, 16);
}

TEST_F(Conformance, OgaHoldsVorbisOpusOrFlac) {
    EXPECT_EQ(CheckFacts("vorbis.oga", 0.05).Title, "Ogg Title");
    EXPECT_EQ(CheckFacts("opus.oga", 0.01).Title, "Opus Title");
    EXPECT_EQ(CheckFacts("flac.oga", 0.001).Title, "Ogg Flac Title");
}

TEST_F(Conformance, WmaDurationComesFromFileSizeAndMaximumBitRate) {
    TStreamInfo info;
    ASSERT_TRUE(ReadStreamFacts(File("long.wma").string(), info));
    const TProbe probe = FFprobe(File("long.wma"));
    EXPECT_EQ(info.SampleRate, probe.sampleRate);
    EXPECT_EQ(info.Channels, probe.channels);
    EXPECT_EQ(info.BitRate, 128);
    const double size = static_cast<double>(fs::file_size(File("long.wma")));
    EXPECT_NEAR(info.Duration, size * 8 / 128000 * 1000, 1);
    EXPECT_GE(info.Duration / 1000.0, probe.duration);
    EXPECT_LE(info.Duration / 1000.0, probe.duration * 1.1);
    EXPECT_EQ(info.Title, "Wma Title");
    EXPECT_EQ(info.Artist, "Wma Artist");
    EXPECT_EQ(info.Album, "Wma Album");
    EXPECT_EQ(info.Year, "2012");
    EXPECT_EQ(info.Genre, "Pop");
    EXPECT_EQ(info.Track, 6);
    EXPECT_EQ(info.Comment, "made by ffmpeg");
}

TEST_F(Conformance, ProbePrintsOneJsonLinePerFileAndFailsOnAnUnreadableOne) {
    const char* names[] = {"tone.wav",   "cbr_v1.mp3", "vbr_v23.mp3", "tone.ogg",  "long.wma",
                           "hires.flac", "tone.opus",  "tone.m4a",    "mono22.aac"};
    std::string command = std::string(TAVURO_PROBE_PATH) + " --json";
    for (const char* name : names)
        command += " " + Quoted(File(name));
    command += " " + Quoted(File("missing.mp3"));
    const TCommandResult result = RunCommand(command);
    EXPECT_EQ(result.status, 1);
    std::istringstream lines(result.output);
    std::vector<std::string> output;
    for (std::string line; std::getline(lines, line);)
        output.push_back(line);
    ASSERT_EQ(output.size(), std::size(names) + 1);
    const std::regex duration("\"durationMs\":([0-9]+)");
    for (std::size_t i = 0; i < std::size(names); ++i) {
        TStreamInfo info;
        ASSERT_TRUE(ReadStreamFacts(File(names[i]).string(), info));
        std::smatch match;
        ASSERT_TRUE(std::regex_search(output[i], match, duration)) << output[i];
        EXPECT_EQ(std::stoi(match[1]), info.Duration) << output[i];
        EXPECT_NE(output[i].find("\"valid\":true"), std::string::npos);
    }
    EXPECT_NE(output.back().find("\"valid\":false"), std::string::npos);
    EXPECT_EQ(RunCommand(std::string(TAVURO_PROBE_PATH) + " " + Quoted(File("tone.ogg"))).status,
              0);
}

} // namespace
} // namespace tavuro
