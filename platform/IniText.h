#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tavuro {

// Sections of an INI file by name, each with its values by name; the section "" holds the values
// before any section header (the "[General]" section).
using TIniSections = std::map<std::string, std::map<std::string, std::string>>;

struct TIniRead {
    TIniSections Sections;
    // False when the file holds text of which nothing could be read (binary bytes, UTF-16
    // without its mark): such a file is left alone rather than replaced by what little was read.
    bool Readable = true;
};

// Reads INI text as Qt's settings files write it: section and value names escaped with %XX and
// %UXXXX, values quoted and backslash-escaped where needed. The text may be UTF-8 with or without
// a byte-order mark, or UTF-16 with its mark. Lines that cannot be read are skipped.
TIniRead ParseIni(std::string_view bytes);

// The sections as UTF-8 INI text in the same form; sections without values are left out.
std::string ComposeIni(const TIniSections& sections);

} // namespace tavuro
