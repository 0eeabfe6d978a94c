// A BASS_STREAM_DECODE stream is read by the application with BASS_ChannelGetData: its bytes,
// however they are asked for, its position, its seeks and its errors; and it decodes in the
// caller's thread, without a thread of its own.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <thread>

#include "BassTestSupport.h"

using namespace basstest;

namespace {

// The threads of this process.
int ThreadCount() {
    DIR* tasks = opendir("/proc/self/task");
    int count = 0;
    while (const dirent* entry = readdir(tasks))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(tasks);
    return count;
}

// Everything from where the stream stands, read `step` bytes at a time.
std::vector<uint8_t> ReadAll(DWORD stream, size_t step) {
    std::vector<uint8_t> all, buffer(step);
    DWORD got;
    while ((got = BASS_ChannelGetData(stream, buffer.data(), static_cast<DWORD>(step))) !=
           0xFFFFFFFF)
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
    return all;
}

class DecodeChannel : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
        mp3_ = EncodeMp3(
            dir_, MakeSineWav(dir_, "tone.wav", 1000, 1.0, 0.5, "-b 16 -e signed-integer"),
            "tone.mp3");
    }
    void TearDown() override { BASS_Free(); }
    DWORD Open() { return BASS_StreamCreateFile(FALSE, mp3_.c_str(), 0, 0, BASS_STREAM_DECODE); }

    TempDir dir_;
    std::string mp3_;
};

} // namespace

TEST_F(DecodeChannel, DecodesInTheCallersThreadWithoutAThreadOfItsOwn) {
    const int before = ThreadCount();
    const DWORD stream = Open();
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(ThreadCount(), before);
    uint8_t buffer[4096];
    EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), sizeof buffer);
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(DecodeChannel, GivesTheSameBytesHoweverTheyAreAskedFor) {
    const DWORD whole = Open();
    ASSERT_NE(whole, 0u);
    const std::vector<uint8_t> reference = ReadAll(whole, 1 << 16);
    EXPECT_EQ(reference.size(), 44100u * 4) << "the whole length, no encoder delay";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    // Pieces that split frames and samples, and pieces larger than the codec decodes at once.
    for (const size_t step : {1u, 3u, 4u, 1001u, 4608u, 200000u}) {
        const DWORD stream = Open();
        ASSERT_NE(stream, 0u);
        EXPECT_EQ(ReadAll(stream, step), reference) << "read " << step << " bytes at a time";
        BASS_StreamFree(stream);
    }
}

TEST_F(DecodeChannel, ThePositionCountsTheBytesReadAndFollowsASeek) {
    const DWORD stream = Open();
    ASSERT_NE(stream, 0u);
    const std::vector<uint8_t> reference = ReadAll(Open(), 1 << 16);
    std::vector<uint8_t> buffer(10000);
    ASSERT_EQ(BASS_ChannelGetData(stream, buffer.data(), 10000), 10000u);
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 10000u);
    EXPECT_GT(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DECODE), 0u);

    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 22050 * 4)) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 22050u * 4);
    ASSERT_EQ(BASS_ChannelGetData(stream, buffer.data(), 6), 6u) << "half a frame after the seek";
    EXPECT_EQ(BASS_ChannelGetPosition(stream), 22050u * 4 + 4);
    const std::vector<uint8_t> rest = ReadAll(stream, 1 << 16);
    EXPECT_EQ(rest.size() + 6, reference.size() - 22050 * 4);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), reference.begin() + 22050 * 4 + 6))
        << "a seek is sample-exact";

    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 0));
    EXPECT_EQ(ReadAll(stream, 7777), reference) << "from the start again after the end";
}

TEST_F(DecodeChannel, RefusesWhatADecodeChannelCannotDo) {
    const DWORD stream = Open();
    ASSERT_NE(stream, 0u);
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 44101 * 4));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_POSITION);
    EXPECT_FALSE(BASS_StreamPlay(stream, FALSE, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
    uint8_t buffer[64];
    // The very end is a place to stand: nothing is left to read from there.
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 44100 * 4)) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
    EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), 0xFFFFFFFFu) << "and stays ended";
    EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, sizeof buffer), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    ASSERT_TRUE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_ChannelGetData(stream, buffer, sizeof buffer), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(DecodeChannel, TwoThreadsReadingOneStreamShareItsBytesWithoutLosingAny) {
    const std::vector<uint8_t> reference = ReadAll(Open(), 1 << 16);
    const DWORD stream = Open();
    ASSERT_NE(stream, 0u);
    std::atomic<size_t> total{0};
    auto reader = [&] {
        std::vector<uint8_t> buffer(4000);
        DWORD got;
        while ((got = BASS_ChannelGetData(stream, buffer.data(), 4000)) != 0xFFFFFFFF)
            total += got;
    };
    std::thread first(reader), second(reader);
    first.join();
    second.join();
    EXPECT_EQ(total.load(), reference.size());
}
