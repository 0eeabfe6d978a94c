#include "ByteInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "NetSource.h"

namespace bass {

namespace {

class FileInput final : public ByteInput {
public:
    FileInput(int descriptor, int64_t size) : descriptor_(descriptor), size_(size) {}
    ~FileInput() override { close(descriptor_); }
    int ReadAt(uint64_t position, uint8_t* buffer, int size) override {
        for (;;) {
            const ssize_t n =
                pread(descriptor_, buffer, static_cast<size_t>(size), static_cast<off_t>(position));
            if (n >= 0)
                return static_cast<int>(n);
            if (errno != EINTR)
                return kFailed;
        }
    }
    int64_t Size() const override { return size_; }
    bool Seekable() const override { return true; }

private:
    int descriptor_;
    int64_t size_;
};

class ImageInput final : public ByteInput {
public:
    explicit ImageInput(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    int ReadAt(uint64_t position, uint8_t* buffer, int size) override {
        if (position >= bytes_.size())
            return 0;
        const size_t count = std::min<size_t>(static_cast<size_t>(size), bytes_.size() - position);
        std::memcpy(buffer, bytes_.data() + position, count);
        return static_cast<int>(count);
    }
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    bool Seekable() const override { return true; }

private:
    const std::vector<uint8_t>& bytes_;
};

class EmptyInput final : public ByteInput {
public:
    int ReadAt(uint64_t, uint8_t*, int) override { return kFailed; }
    int64_t Size() const override { return -1; }
    bool Seekable() const override { return false; }
};

} // namespace

std::unique_ptr<ByteInput> NoInput() {
    return std::make_unique<EmptyInput>();
}

std::unique_ptr<ByteInput> OpenFileInput(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return nullptr;
    }
    return std::make_unique<FileInput>(descriptor, info.st_size);
}

std::unique_ptr<ByteInput> MemoryInput(const std::vector<uint8_t>& bytes) {
    return std::make_unique<ImageInput>(bytes);
}

int NetInput::ReadAt(uint64_t position, uint8_t* buffer, int size) {
    return net_->Read(position, buffer, size, deadline_);
}

int64_t NetInput::Size() const {
    return net_->Size();
}

bool NetInput::Seekable() const {
    return net_->Complete();
}

size_t InputCursor::Read(void* buffer, size_t size) {
    atEnd_ = false;
    if (size == 0)
        return 0;
    const int n = input_.ReadAt(Position(), static_cast<uint8_t*>(buffer),
                                static_cast<int>(std::min<size_t>(size, INT_MAX)));
    if (n <= 0) {
        atEnd_ = n == 0;
        return 0;
    }
    position_.store(Position() + static_cast<uint64_t>(n), std::memory_order_relaxed);
    return static_cast<size_t>(n);
}

size_t InputCursor::ReadFully(void* buffer, size_t size) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        const size_t n = Read(bytes + done, size - done);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool InputCursor::Seek(int64_t offset, int whence) {
    if (!input_.Seekable())
        return false;
    const int64_t size = input_.Size();
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<int64_t>(Position());
    else if (whence == SEEK_END)
        base = size;
    else if (whence != SEEK_SET)
        return false;
    if (base < 0 || offset < -base || (size >= 0 && base + offset > size))
        return false;
    position_.store(static_cast<uint64_t>(base + offset), std::memory_order_relaxed);
    atEnd_ = false;
    return true;
}

size_t ReadAhead::Read(void* buffer, size_t size) {
    if (at_ == end_) {
        if (size >= kBytes)
            return cursor_.Read(buffer, size);
        buffer_.resize(kBytes);
        at_ = 0;
        end_ = cursor_.Read(buffer_.data(), kBytes);
    }
    const size_t count = std::min(size, end_ - at_);
    std::memcpy(buffer, buffer_.data() + at_, count);
    at_ += count;
    return count;
}

bool ReadAhead::Seek(int64_t offset, int whence) {
    if (whence == SEEK_CUR) {
        offset += static_cast<int64_t>(Position());
        whence = SEEK_SET;
    }
    if (!cursor_.Seek(offset, whence))
        return false;
    at_ = end_ = 0;
    return true;
}

} // namespace bass
