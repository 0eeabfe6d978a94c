// A byte ring with one writer thread and one reader thread, lock-free.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace bass {

class SpscRing {
public:
    // The bytes are left uninitialised: only written ones are read, and the pages are touched
    // by the writer as it fills them, not all at once where the channel is made.
    explicit SpscRing(size_t capacity) : buffer_(new uint8_t[capacity]), capacity_(capacity) {}

    size_t Capacity() const { return capacity_; }
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
        std::memcpy(buffer_.get() + at, data, first);
        std::memcpy(buffer_.get(), data + first, count - first);
    }
    void CopyOut(size_t at, uint8_t* out, size_t count) {
        const size_t first = std::min(count, Capacity() - at);
        std::memcpy(out, buffer_.get() + at, first);
        std::memcpy(out + first, buffer_.get(), count - first);
    }

    std::unique_ptr<uint8_t[]> buffer_;
    size_t capacity_;
    std::atomic<uint64_t> read_{0};    // total bytes read; advanced by the reader only
    std::atomic<uint64_t> written_{0}; // total bytes written; advanced by the writer only
};

} // namespace bass
