#pragma once

// Byte builders for reader fixtures, and a temporary folder to write them into.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "common/ByteSource.h"

namespace tavuro::fixtures {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}
inline void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}
inline void AppendLE16(Bytes& out, std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
inline void AppendLE32(Bytes& out, std::uint32_t v) {
    AppendLE16(out, v & 0xFFFF);
    AppendLE16(out, v >> 16);
}
inline void AppendLE64(Bytes& out, std::uint64_t v) {
    AppendLE32(out, static_cast<std::uint32_t>(v));
    AppendLE32(out, static_cast<std::uint32_t>(v >> 32));
}
inline void AppendBE32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((v >> shift) & 0xFF);
}
inline void AppendBE24(Bytes& out, std::uint32_t v) {
    for (int shift = 16; shift >= 0; shift -= 8)
        out.push_back((v >> shift) & 0xFF);
}
inline Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}
inline Bytes Zeros(std::size_t count) {
    return Bytes(count, 0);
}
inline Bytes Utf16LE(std::u16string_view text) {
    Bytes out;
    for (char16_t c : text)
        AppendLE16(out, c);
    return out;
}

// A folder of its own for each test, removed afterwards.
class TTempDir {
public:
    TTempDir() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("tavuro-readers-" + std::to_string(::getpid()) + "-" +
                 (test ? std::string(test->test_suite_name()) + "." + test->name() : "suite"));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TTempDir() { std::filesystem::remove_all(path_); }

    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }
    std::string PathOf(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A source as large as a test needs without the bytes on disk: `head` followed by zeros.
class THugeSource final : public TByteSource {
public:
    THugeSource(Bytes head, std::int64_t size) : head_(std::move(head)), size_(size) {}
    std::int64_t Size() const override { return size_; }
    std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) override {
        if (offset < 0 || offset >= size_)
            return 0;
        if (static_cast<std::int64_t>(count) > size_ - offset)
            count = static_cast<std::size_t>(size_ - offset);
        auto* out = static_cast<std::uint8_t*>(dest);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint64_t at = static_cast<std::uint64_t>(offset) + i;
            out[i] = at < head_.size() ? head_[at] : 0;
        }
        return count;
    }

private:
    Bytes head_;
    std::int64_t size_;
};

} // namespace tavuro::fixtures
