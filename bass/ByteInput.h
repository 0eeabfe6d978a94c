// Where a decoder reads its bytes: a local file, a whole file image in memory, or a net download.
// Reads are positional, so a decoder can look at the first bytes before it picks a codec.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace bass {

class NetSource;

class ByteInput {
public:
    virtual ~ByteInput() = default;
    // Copies up to `size` bytes from `position`: the count, 0 at the end, or kTimedOut / kFailed.
    virtual int ReadAt(uint64_t position, uint8_t* buffer, int size) = 0;
    // Total size in bytes, -1 while not known.
    virtual int64_t Size() const = 0;
    // Whether a decoder may read anywhere and jump about (a net download once it is whole).
    virtual bool Seekable() const = 0;

    static constexpr int kTimedOut = -1;
    static constexpr int kFailed = -2;
};

// A local file; null when it cannot be opened or is no regular file.
std::unique_ptr<ByteInput> OpenFileInput(const std::string& path);
// No bytes at all: for a stream FFmpeg reads through its own network protocols.
std::unique_ptr<ByteInput> NoInput();
// A whole file image; the bytes must outlive the input.
std::unique_ptr<ByteInput> MemoryInput(const std::vector<uint8_t>& bytes);

// A net download. While `deadline` is set (during the open) a read gives up at it.
class NetInput final : public ByteInput {
public:
    explicit NetInput(std::shared_ptr<NetSource> net) : net_(std::move(net)) {}
    int ReadAt(uint64_t position, uint8_t* buffer, int size) override;
    int64_t Size() const override;
    bool Seekable() const override;
    void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) {
        deadline_ = deadline;
    }

private:
    std::shared_ptr<NetSource> net_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
};

// A decoder's read position in its input, with the stdio-like moves the codec libraries ask for.
class InputCursor {
public:
    explicit InputCursor(ByteInput& input) : input_(input) {}
    ByteInput& Input() const { return input_; }
    // Reads on from the position what the input has ready (at least one byte, waiting for it);
    // the count, 0 at the end or on failure.
    size_t Read(void* buffer, size_t size);
    // Reads until `size` bytes are in, the end or a failure; the count.
    size_t ReadFully(void* buffer, size_t size);
    // SEEK_SET, SEEK_CUR or SEEK_END; false when the input cannot seek or the place is outside.
    bool Seek(int64_t offset, int whence);
    uint64_t Position() const { return position_.load(std::memory_order_relaxed); }
    // Whether the last read ended because the input did (not for a failure).
    bool AtEnd() const { return atEnd_; }

private:
    ByteInput& input_;
    std::atomic<uint64_t> position_{0}; // read by the API's file position from other threads
    bool atEnd_ = false;
};

// Reads ahead for a codec library that asks for a few bytes at a time (libmpg123 reads each
// frame's header and body apart), so that one read of the input serves many of its reads.
class ReadAhead {
public:
    explicit ReadAhead(InputCursor& cursor) : cursor_(cursor) {}
    // As InputCursor's, at the codec's own position.
    size_t Read(void* buffer, size_t size);
    bool Seek(int64_t offset, int whence);
    uint64_t Position() const { return cursor_.Position() - (end_ - at_); }

private:
    static constexpr size_t kBytes = 32768;

    InputCursor& cursor_;
    std::vector<uint8_t> buffer_;
    size_t at_ = 0, end_ = 0; // buffer_[at_, end_) is read but not yet taken
};

} // namespace bass
