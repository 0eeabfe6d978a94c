#include "ChunkedDecoder.h"

#include <algorithm>
#include <limits>

namespace bass {

namespace {

// Lines that are skipped are bounded, so that a server cannot stall the body with an endless one.
constexpr size_t kMaxLine = 4096;
constexpr size_t kMaxTrailers = 65536;

int HexValue(uint8_t byte) {
    if (byte >= '0' && byte <= '9')
        return byte - '0';
    if (byte >= 'a' && byte <= 'f')
        return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F')
        return byte - 'A' + 10;
    return -1;
}

bool IsBlank(uint8_t byte) {
    return byte == ' ' || byte == '\t';
}

} // namespace

void ChunkedDecoder::Feed(const uint8_t* bytes, size_t count, const BodySink& body) {
    while (count > 0 && state_ != State::Done && state_ != State::Failed) {
        if (state_ == State::Data) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(count, size_));
            body(bytes, take);
            bytes += take;
            count -= take;
            if ((size_ -= take) == 0)
                state_ = State::DataEnd;
            continue;
        }
        Step(*bytes);
        ++bytes;
        --count;
    }
}

void ChunkedDecoder::Step(uint8_t byte) {
    switch (state_) {
    case State::Size:
        if (const int digit = HexValue(byte); digit >= 0) {
            if (size_ > std::numeric_limits<uint64_t>::max() >> 4)
                return Fail();
            size_ = size_ << 4 | static_cast<uint64_t>(digit);
            sizeHasDigits_ = true;
            return;
        }
        if (!sizeHasDigits_)
            return Fail();
        state_ = State::SizeBlanks;
        return Step(byte);
    case State::SizeBlanks:
        if (IsBlank(byte))
            return;
        if (byte == ';') {
            state_ = State::Extension;
            lineLength_ = 0;
        } else if (byte == '\r') {
            state_ = State::SizeLf;
        } else if (byte == '\n') {
            EndSizeLine();
        } else {
            Fail();
        }
        return;
    case State::Extension:
        if (byte == '\n')
            return EndSizeLine();
        if (++lineLength_ > kMaxLine)
            Fail();
        return;
    case State::SizeLf:
        return byte == '\n' ? EndSizeLine() : Fail();
    case State::DataEnd:
        if (byte == '\r')
            state_ = State::DataLf;
        else if (byte == '\n')
            state_ = State::Size;
        else
            Fail();
        return;
    case State::DataLf:
        if (byte != '\n')
            return Fail();
        state_ = State::Size;
        return;
    case State::Trailer:
        if (++trailerBytes_ > kMaxTrailers)
            return Fail();
        if (byte == '\n') {
            if (lineLength_ == 0)
                state_ = State::Done;
            lineLength_ = 0;
        } else if (byte != '\r' && ++lineLength_ > kMaxLine) {
            Fail();
        }
        return;
    case State::Data:
    case State::Done:
    case State::Failed:
        return;
    }
}

void ChunkedDecoder::EndSizeLine() {
    sizeHasDigits_ = false;
    lineLength_ = 0;
    state_ = size_ == 0 ? State::Trailer : State::Data;
}

} // namespace bass
