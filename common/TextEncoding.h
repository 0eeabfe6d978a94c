#pragma once

#include <string>
#include <string_view>

namespace tavuro {

// The text of a settings file or playlist as UTF-8: a UTF-8 byte-order mark is dropped, and
// UTF-16 (little- or big-endian, known by its mark) is converted into storage. Bytes without a
// mark are taken as UTF-8. The result views either bytes or storage.
std::string_view DecodeTextFile(std::string_view bytes, std::string& storage);

} // namespace tavuro
