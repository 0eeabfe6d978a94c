#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/ByteSource.h"

namespace tavuro {

// Why the bytes are no complete ELF shared library for this machine (wrong class, byte order or
// machine; headers, segments or sections reaching past the end, as in a file cut short), or
// nothing when they are one. Loading a cut file would map pages beyond its end and end the
// process with SIGBUS inside dlopen.
std::optional<std::string> ElfLibraryFault(std::string_view bytes);

// The same for a file seen through `file`: only its ELF, program and section headers are read.
std::optional<std::string> ElfLibraryFault(TByteSource& file);

// The same for a file, reading only its headers: also when it cannot be read or is no regular
// file.
std::optional<std::string> LibraryFileFault(const std::string& path);

} // namespace tavuro
