// A byte ring with one writer thread and one reader thread, lock-free.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace bass {

class SpscRing {
public:
    explicit SpscRing(size_t capacity) : buffer_(capacity) {}

    size_t Capacity() const { return buffer_.size(); }
    size_t Used() const {
        return static_cast<size_t>(written_.load(std::memory_order_acquire) -
                                   read_.load(std::memory_order_acquire));
    }
    size_t Free() const { return Capacity() - Used(); }

    // Writer side: copies as much as fits and returns the count copied.
    size_t Write(const uint8_t* data, size_t size) {
        const uint64_t writeAt = written_.load(std::memory_order_relaxed);
        const size_t count =
            std::min(size, Capacity() - static_cast<size_t>(writeAt -
                                                            read_.load(std::memory_order_acquire)));
        CopyIn(writeAt % Capacity(), data, count);
        written_.store(writeAt + count, std::memory_order_release);
        return count;
    }

    // Reader side: copies up to size bytes out and returns the count copied.
    size_t Read(uint8_t* out, size_t size) {
        const uint64_t readAt = read_.load(std::memory_order_relaxed);
        const size_t count =
            std::min(size, static_cast<size_t>(written_.load(std::memory_order_acquire) - readAt));
        CopyOut(readAt % Capacity(), out, count);
        read_.store(readAt + count, std::memory_order_release);
        return count;
    }

    // Reader side: drops everything buffered.
    void DiscardAll() {
        read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
    }

    // Only while neither side runs (both excluded by the caller).
    void Reset() {
        read_.store(0, std::memory_order_relaxed);
        written_.store(0, std::memory_order_release);
    }

private:
    void CopyIn(size_t at, const uint8_t* data, size_t count) {
        const size_t first = std::min(count, Capacity() - at);
        std::memcpy(buffer_.data() + at, data, first);
        std::memcpy(buffer_.data(), data + first, count - first);
    }
    void CopyOut(size_t at, uint8_t* out, size_t count) {
        const size_t first = std::min(count, Capacity() - at);
        std::memcpy(out, buffer_.data() + at, first);
        std::memcpy(out + first, buffer_.data(), count - first);
    }

    std::vector<uint8_t> buffer_;
    std::atomic<uint64_t> read_{0};    // total bytes read; advanced by the reader only
    std::atomic<uint64_t> written_{0}; // total bytes written; advanced by the writer only
};

} // namespace bass
