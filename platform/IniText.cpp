#include "platform/IniText.h"

#include <vector>

#include "common/Text.h"
#include "common/TextEncoding.h"

namespace tavuro {

namespace {

constexpr std::string_view GeneralSection = "General";

bool IsPlainNameCharacter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads count hex digits at text[at]; -1 when they are not all there.
long HexNumber(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size())
        return -1;
    long value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = HexValue(text[at + i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void AppendHex(std::string& out, unsigned value, int digits) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += Digits[(value >> shift) & 0xF];
}

// The length of the UTF-8 sequence at text[at], or 0 when none starts there (overlong forms and
// surrogates included).
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto byteAt = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(at);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead < 0xC2   ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    // The second byte's range rules out overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byteAt(at + 1) < low || byteAt(at + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byteAt(at + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// The code points of UTF-8 text; a byte that starts no valid sequence reads as U+FFFD, as in
// Qt's settings files.
std::vector<char32_t> CodePoints(std::string_view text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            points.push_back(0xFFFD);
            ++i;
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            point = point << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        points.push_back(point);
        i += length;
    }
    return points;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    for (const char32_t point : CodePoints(text))
        AppendUtf8(out, point);
    return out;
}

// Section and value names: letters, digits and "_-." as they are, every other character as %XX
// (up to U+00FF) or %UXXXX (UTF-16 units).
std::string EscapedName(std::string_view name) {
    std::string out;
    for (const char32_t point : CodePoints(name)) {
        if (IsPlainNameCharacter(point)) {
            out += static_cast<char>(point);
        } else if (point <= 0xFF) {
            out += '%';
            AppendHex(out, point, 2);
        } else if (point <= 0xFFFF) {
            out += "%U";
            AppendHex(out, point, 4);
        } else {
            const char32_t offset = point - 0x10000;
            out += "%U";
            AppendHex(out, 0xD800 + (offset >> 10), 4);
            out += "%U";
            AppendHex(out, 0xDC00 + (offset & 0x3FF), 4);
        }
    }
    return out;
}

std::string UnescapedName(std::string_view text) {
    std::u16string units;
    std::string out;
    const auto flushUnits = [&] {
        out += Utf16ToUtf8(units);
        units.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        long value = -1;
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'U') {
            value = HexNumber(text, i + 2, 4);
            if (value >= 0) {
                units += static_cast<char16_t>(value);
                i += 5;
                continue;
            }
        } else if (text[i] == '%') {
            value = HexNumber(text, i + 1, 2);
        }
        flushUnits();
        if (value >= 0) {
            AppendUtf8(out, static_cast<char32_t>(value));
            i += 2;
        } else {
            out += text[i] == '\\' ? '/' : text[i];
        }
    }
    flushUnits();
    return ValidUtf8(out);
}

// A value: quoted when it holds ";", "," or "=" or starts or ends with a blank; control
// characters, quotes and backslashes escaped; a leading "@" doubled.
std::string EscapedValue(std::string_view value) {
    std::string out = value.starts_with('@') ? "@" : "";
    bool quote = !value.empty() && (value.front() == ' ' || value.back() == ' ');
    bool hexBefore = false; // a hex digit right after a \x escape would extend it
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        quote = quote || c == ';' || c == ',' || c == '=';
        if (hexBefore && HexValue(c) >= 0) {
            out += "\\x";
            AppendHex(out, byte, 2);
            continue;
        }
        hexBefore = false;
        switch (c) {
        case '\a':
            out += "\\a";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\v':
            out += "\\v";
            break;
        case '"':
        case '\\':
            out += '\\';
            out += c;
            break;
        default:
            if (byte <= 0x1F) {
                out += "\\x";
                AppendHex(out, byte, 2);
                hexBefore = true;
            } else {
                out += c;
            }
        }
    }
    return quote ? '"' + out + '"' : out;
}

// Reads an escape at text[at] (just after its backslash) into out; returns where reading goes on.
std::size_t ReadEscape(std::string_view text, std::size_t at, std::string& out) {
    const char c = text[at];
    switch (c) {
    case 'a':
        out += '\a';
        return at + 1;
    case 'b':
        out += '\b';
        return at + 1;
    case 'f':
        out += '\f';
        return at + 1;
    case 'n':
        out += '\n';
        return at + 1;
    case 'r':
        out += '\r';
        return at + 1;
    case 't':
        out += '\t';
        return at + 1;
    case 'v':
        out += '\v';
        return at + 1;
    case 'x': {
        char32_t value = 0;
        std::size_t end = at + 1;
        for (; end < text.size() && HexValue(text[end]) >= 0 && end < at + 9; ++end)
            value = value * 16 + static_cast<char32_t>(HexValue(text[end]));
        AppendUtf8(out, value);
        return end;
    }
    default:
        if (c >= '0' && c <= '7') {
            char32_t value = 0;
            std::size_t end = at;
            for (; end < text.size() && text[end] >= '0' && text[end] <= '7' && end < at + 3; ++end)
                value = value * 8 + static_cast<char32_t>(text[end] - '0');
            AppendUtf8(out, value);
            return end;
        }
        out += c; // \" \' \? \\ and any other character stand for themselves
        return at + 1;
    }
}

std::string UnescapedValue(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '"') {
            ++i;
        } else if (text[i] == '\\' && i + 1 < text.size()) {
            i = ReadEscape(text, i + 1, out);
        } else {
            out += text[i++];
        }
    }
    if (out.starts_with("@@"))
        out.erase(0, 1);
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string SectionName(std::string_view header) {
    if (EqualsIgnoringAsciiCase(header, GeneralSection))
        return {};
    // Qt spells a key named like that section (in any case) "%General" and reads it as "General".
    if (EqualsIgnoringAsciiCase(header, "%General"))
        return std::string(GeneralSection);
    std::string name = UnescapedName(header);
    return EqualsIgnoringAsciiCase(name, GeneralSection) ? std::string(GeneralSection) : name;
}

} // namespace

TIniRead ParseIni(std::string_view bytes) {
    std::string decoded;
    const std::string_view text = DecodeTextFile(bytes, decoded);
    TIniRead read;
    std::string section;
    bool anyRead = false, anyUnreadable = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimBlanks(text.substr(start, end - start));
        start = end + 1;
        if (line.empty())
            continue;
        const bool comment = line.front() == ';' || line.front() == '#';
        const std::size_t equals = comment ? std::string_view::npos : line.find('=');
        const std::string_view name = TrimBlanks(line.substr(0, equals));
        // NUL bytes outside a value mark text of another encoding, or no text at all; a value
        // keeps them, written escaped.
        if (line.substr(0, equals).find('\0') != std::string_view::npos) {
            anyUnreadable = true;
        } else if (comment) {
            read.Comments[section].emplace_back(line);
        } else if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            section = SectionName(line.substr(1, line.size() - 2));
            anyRead = true;
        } else if (equals != std::string_view::npos && !name.empty()) {
            read.Sections[section][UnescapedName(name)] =
                UnescapedValue(TrimBlanks(line.substr(equals + 1)));
            anyRead = true;
        } else {
            anyUnreadable = true;
        }
    }
    read.Readable = anyRead || !anyUnreadable;
    return read;
}

namespace {

void AppendComments(std::string& text, const TIniComments& comments, const std::string& section) {
    const auto found = comments.find(section);
    if (found == comments.end())
        return;
    for (const std::string& comment : found->second) {
        text += comment;
        text += '\n';
    }
}

} // namespace

std::string ComposeIni(const TIniSections& sections, const TIniComments& comments) {
    std::string text;
    AppendComments(text, comments, "");
    // Every section that has values or comments, in name order.
    std::map<std::string, const std::map<std::string, std::string>*> written;
    for (const auto& [section, values] : sections)
        if (!values.empty())
            written[section] = &values;
    for (const auto& [section, lines] : comments)
        if (!section.empty() && !lines.empty())
            written.emplace(section, nullptr);
    for (const auto& [section, values] : written) {
        if (section.empty() && !values)
            continue;
        if (!text.empty())
            text += '\n';
        text += '[';
        // As Qt does, a key spelt like the section of values outside any key is marked with "%";
        // it reads back as "General".
        text += section.empty()                                    ? std::string(GeneralSection)
                : EqualsIgnoringAsciiCase(section, GeneralSection) ? "%General"
                                                                   : EscapedName(section);
        text += "]\n";
        if (!section.empty())
            AppendComments(text, comments, section);
        if (!values)
            continue;
        for (const auto& [name, value] : *values) {
            text += EscapedName(name);
            text += '=';
            text += EscapedValue(value);
            text += '\n';
        }
    }
    return text;
}

} // namespace tavuro
