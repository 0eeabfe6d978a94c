#pragma once

#include <string>
#include <string_view>

namespace tavuro {

// The text of a settings file or playlist as UTF-8: a UTF-8 byte-order mark is dropped, and
// UTF-16 (little- or big-endian, known by its mark, or without one by the NUL in every other
// byte) is converted into storage. Other bytes are taken as UTF-8. The result views either bytes
// or storage; text that still holds a NUL byte was no text of a known encoding.
std::string_view DecodeTextFile(std::string_view bytes, std::string& storage);

} // namespace tavuro
