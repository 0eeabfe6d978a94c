#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavuro {

// The title of a Shoutcast metadata block, StreamTitle='Song';StreamUrl=''; giving Song: from the
// 13th character after "StreamTitle=" begins to two characters before the block's first ";", or
// to its second-last character when it has none. Nothing when the block has no "StreamTitle=".
std::optional<std::string> ShoutcastTitle(std::string_view block);

// The title from a list of NUL-terminated comments ended by an empty one: the first comment that
// contains `key`, from its seventh character on. With ignoreCase the comment is upper-cased for
// the comparison. Empty when none matches or the list is null.
std::string CommentTitle(const char* comments, bool ignoreCase);

// The title a metadata notice carries: the Shoutcast rule, else the Ogg comment rule ignoring
// case; cut to 259 bytes, or fewer where a UTF-8 character would be split.
std::string MetadataTitle(const char* data);

// The name a net file's address gives: the text after the last "/" found searching from six
// characters before the end back to the sixth character, less its last four characters (the
// extension); empty when there is none. A last segment shorter than six characters is passed
// over, so ".../dir/a.mp3" gives "dir/a".
std::string TitleFromURL(std::string_view url);

} // namespace tavuro
