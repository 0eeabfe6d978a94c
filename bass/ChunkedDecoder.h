// Takes the framing of a "Transfer-Encoding: chunked" body off as its bytes come in: each chunk
// is a line with its size in hexadecimal (extensions after ';' skipped), its data and a line
// end; a chunk of size 0 ends the body, after trailer lines (skipped) and a blank line. Lines
// may end with LF alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace bass {

class ChunkedDecoder {
public:
    using BodySink = std::function<void(const uint8_t* bytes, size_t count)>;

    // Passes the body bytes among `bytes` on to `body`; a chunk or a line may span calls.
    // Bytes after the end of the body or after malformed framing are ignored.
    void Feed(const uint8_t* bytes, size_t count, const BodySink& body);

    bool Finished() const { return state_ == State::Done; } // the whole body is in
    // The framing was malformed (a size that is no number or too large, a line too long, no
    // line end after a chunk's data): no more body comes.
    bool Failed() const { return state_ == State::Failed; }

private:
    enum class State { Size, SizeBlanks, Extension, SizeLf, Data, DataEnd, DataLf, Trailer, Done, Failed };
    void Step(uint8_t byte);
    void EndSizeLine();
    void Fail() { state_ = State::Failed; }

    State state_ = State::Size;
    uint64_t size_ = 0;     // the size line's value; then the data of the chunk still to come
    bool sizeHasDigits_ = false;
    size_t lineLength_ = 0; // of the extension or trailer line being skipped
    size_t trailerBytes_ = 0;
};

} // namespace bass
