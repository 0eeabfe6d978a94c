#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Narrow text in the player is UTF-8 (the platform's "ANSI code page"); these helpers convert
// and trim it the way settings, playlists and the readers need.
namespace tavuro {

// Removes leading and trailing characters with codes 0 to 32.
std::string_view TrimControl(std::string_view text);
// Removes trailing characters with codes 0 to 32 only.
std::string_view TrimRightControl(std::string_view text);

// Upper-cases ASCII letters only; other bytes stay as they are.
std::string UpperAscii(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// No caption, path or title is shown longer: laying out a line of megabytes would freeze the
// window (a damaged or hostile playlist).
inline constexpr std::size_t MaxDisplayBytes = 4096;
// The text as shown: at most MaxDisplayBytes of it, cut between characters, and "…" after a cut.
std::string CutForDisplay(std::string_view text);

// Appends one Unicode code point as UTF-8. Surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// Converts UTF-16 little-endian code units to UTF-8. Surrogate pairs are joined; a lone
// surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const char16_t* units, std::size_t count);
std::string Utf16ToUtf8(std::u16string_view text);

// Parses an optional sign and decimal digits filling the whole text, like a strict StrToInt.
// Returns false (and leaves value alone) when the text is not such a number or overflows 32 bits.
bool ParseInt32(std::string_view text, std::int32_t& value);

} // namespace tavuro
