#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tavuro {

// Sections of an INI file by name, each with its values by name; the section "" holds the values
// before any section header (the "[General]" section).
using TIniSections = std::map<std::string, std::map<std::string, std::string>>;

// Comment lines (";" or "#") by the section they stand in, in file order; "" for those before
// any section header.
using TIniComments = std::map<std::string, std::vector<std::string>>;

struct TIniRead {
    TIniSections Sections;
    TIniComments Comments;
    // False when the file holds text of which nothing could be read (binary bytes, UTF-16
    // without its mark): such a file is left alone rather than replaced by what little was read.
    bool Readable = true;
};

// Reads INI text as Qt's settings files write it: section and value names escaped with %XX and
// %UXXXX, values quoted and backslash-escaped where needed. The text may be UTF-8 with or without
// a byte-order mark, or UTF-16. Comment lines are kept apart; a value may hold any byte, NUL
// included. Lines that cannot be read are skipped.
TIniRead ParseIni(std::string_view bytes);

// The sections as UTF-8 INI text in the same form, each section's comments after its header and
// those of no section first; sections with neither values nor comments are left out.
std::string ComposeIni(const TIniSections& sections, const TIniComments& comments = {});

} // namespace tavuro
