#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavuro {

// Why the bytes are no complete ELF shared library for this machine (wrong class, byte order or
// machine; headers, segments or sections reaching past the end, as in a file cut short), or
// nothing when they are one. Loading a cut file would map pages beyond its end and end the
// process with SIGBUS inside dlopen.
std::optional<std::string> ElfLibraryFault(std::string_view bytes);

// Copies `count` bytes from `offset` of the file into `out`; false when they cannot be read. The
// check asks only for bytes inside the file's size.
using TByteRangeReader = std::function<bool(std::uint64_t offset, void* out, std::size_t count)>;

// The same for a file of `size` bytes read through `read`: only its ELF, program and section
// headers are read.
std::optional<std::string> ElfLibraryFault(std::uint64_t size, const TByteRangeReader& read);

// The same for a file, reading only its headers: also when it cannot be read or is no regular
// file.
std::optional<std::string> LibraryFileFault(const std::string& path);

} // namespace tavuro
