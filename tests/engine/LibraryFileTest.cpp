// Audio libraries cut short or built for another machine count as libraries that cannot be
// loaded: refused before the loader maps them, with one line on standard error.
#include "platform/LibraryFile.h"
#include "common/FileBytes.h"
#include "engine/BassLibrary.h"
#include "engine/BassWmaLibrary.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <fstream>
#include <link.h>

using namespace tavuro;

namespace {

std::string ProgramLibrary(const std::string& name) {
    return ReadFileBytes(std::string(TAVURO_PROGRAM_DIR) + "/" + name).value_or("");
}

struct TCutLibrary {
    const char* Name;
    std::size_t Size;
};
void PrintTo(const TCutLibrary& cut, std::ostream* out) {
    *out << cut.Name << " cut to " << cut.Size;
}

class CutLibrary : public testing::TestWithParam<TCutLibrary> {};

TEST_P(CutLibrary, IsRefusedWithOneLineSayingWhy) {
    const TCutLibrary cut = GetParam();
    QTemporaryDir folder;
    const std::string path = folder.filePath(cut.Name).toStdString();
    const std::string whole = ProgramLibrary(cut.Name);
    ASSERT_GT(whole.size(), cut.Size);
    std::ofstream(path, std::ios::binary) << whole.substr(0, cut.Size);

    testing::internal::CaptureStderr();
    bool loaded;
    if (std::string(cut.Name) == "libbass.so") {
        TBassLibrary library;
        loaded = library.LoadBassLibrary(path);
    } else {
        TBassWmaLibrary library;
        loaded = library.LoadBassWmaLibrary(path);
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(loaded);
    EXPECT_EQ(said.find(path + " cannot be used: "), std::string("tavuro: ").size()) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Libraries, CutLibrary,
    testing::Values(TCutLibrary{"libbass.so", 1}, TCutLibrary{"libbass.so", 63},
                    TCutLibrary{"libbass.so", 4096}, TCutLibrary{"libbass.so", 16 << 10},
                    TCutLibrary{"libbass.so", 64 << 10}, TCutLibrary{"libbasswma.so", 1},
                    TCutLibrary{"libbasswma.so", 4 << 10}, TCutLibrary{"libbasswma.so", 11 << 10}),
    [](const testing::TestParamInfo<TCutLibrary>& info) {
        std::string name = info.param.Name;
        name = name.substr(3, name.find('.') - 3);
        return name + "_cut_to_" + std::to_string(info.param.Size);
    });

TEST(LibraryFile, TheWholeLibrariesLoad) {
    EXPECT_EQ(ElfLibraryFault(ProgramLibrary("libbass.so")), std::nullopt);
    TBassWmaLibrary library;
    EXPECT_TRUE(library.LoadBassWmaLibrary(std::string(TAVURO_PROGRAM_DIR) + "/libbasswma.so"));
}

// Bytes in memory that count what is asked of them; with `onlyTheStart`, only reads from the
// first byte succeed.
class TCountedSource final : public TByteSource {
public:
    TCountedSource(const std::string& bytes, bool onlyTheStart)
        : Memory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
          OnlyTheStart(onlyTheStart) {}
    std::int64_t Size() const override { return Memory.Size(); }
    std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) override {
        Asked += count;
        return OnlyTheStart && offset != 0 ? 0 : Memory.ReadAt(offset, dest, count);
    }
    std::size_t Asked = 0;

private:
    TMemorySource Memory;
    bool OnlyTheStart;
};

TEST(LibraryFile, OnlyTheHeadersAreReadAndAnUnreadableOneIsSaid) {
    const std::string library = ProgramLibrary("libbass.so");
    TCountedSource counted(library, false);
    EXPECT_EQ(ElfLibraryFault(counted), std::nullopt);
    EXPECT_LT(counted.Asked, 8u << 10) << "of " << library.size();

    TCountedSource failing(library, true);
    EXPECT_EQ(ElfLibraryFault(failing), "its headers cannot be read");
}

TEST(LibraryFile, OtherFilesAreNamedForWhatTheyAre) {
    std::string library = ProgramLibrary("libbasswma.so");
    auto patched = [&library](std::size_t offset, std::uint16_t value) {
        std::string copy = library;
        std::memcpy(copy.data() + offset, &value, sizeof value);
        return copy;
    };
    const struct {
        std::string Bytes;
        const char* Fault;
    } cases[] = {
        {"#!/bin/sh\n", "not an ELF file"},
        {patched(offsetof(ElfW(Ehdr), e_machine), EM_S390), "built for another kind of machine"},
        {patched(offsetof(ElfW(Ehdr), e_type), ET_EXEC), "not a shared library"},
        {library.substr(0, sizeof(ElfW(Ehdr))),
         "cut short: its program headers lie beyond the end of the file"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ElfLibraryFault(c.Bytes), c.Fault);
}

} // namespace
