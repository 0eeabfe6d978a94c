#include "shell/M3U.h"

#include <cstdint>
#include <cstring>
#include <thread>

#include "common/FilePath.h"
#include "common/Text.h"
#include "common/TextEncoding.h"
#include "shell/PathTable.h"
#include "shell/Pls.h"
#include "shell/TextLines.h"

namespace tavuro {

namespace {

// Calls visit for every run of bytes between CR or LF characters, found with memchr, which
// scans a big playlist many times faster than a byte loop.
template <class Visit> void ForEachLine(std::string_view bytes, const Visit& visit) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    while (at < end) {
        const char* lineFeed = static_cast<const char*>(std::memchr(at, '\n', end - at));
        if (!lineFeed)
            lineFeed = end;
        while (const char* cr = static_cast<const char*>(std::memchr(at, '\r', lineFeed - at))) {
            visit(std::string_view(at, cr - at));
            at = cr + 1;
        }
        visit(std::string_view(at, lineFeed - at));
        at = lineFeed + 1;
    }
}

bool IsComment(std::string_view line) {
    return !line.empty() && line.front() == '#';
}

bool StartsWithIgnoringCase(std::string_view line, std::string_view prefix) {
    return line.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(line.substr(0, prefix.size()), prefix);
}

bool IsHeader(std::string_view line) {
    return StartsWithIgnoringCase(line, "#EXTM3U");
}

// The trimmed, non-empty lines as views into the text; a header becomes an empty placeholder (or
// one is put in front), so entries always start at the second line.
std::vector<std::string_view> EntryLines(std::string_view bytes, TM3UContent& content) {
    std::vector<std::string_view> lines;
    lines.reserve(bytes.size() / 40 + 2);
    lines.emplace_back();
    ForEachLine(bytes, [&](std::string_view line) {
        line = TrimControl(line);
        if (!line.empty())
            lines.push_back(line);
    });
    if (lines.size() > 1 && IsHeader(lines[1])) {
        const std::string_view flags = TrimControl(lines[1].substr(7));
        content.RandomFlag =
            flags.size() >= 6 && EqualsIgnoringAsciiCase(flags.substr(0, 6), "RANDOM");
        content.VisMidiFlag =
            flags.size() >= 7 && EqualsIgnoringAsciiCase(flags.substr(flags.size() - 7), "VISMIDI");
        lines.erase(lines.begin());
        lines.front() = {};
    }
    // Only the last comment before an entry line counts; a trailing comment is dropped.
    std::size_t kept = 1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool nextIsComment = i + 1 == lines.size() || IsComment(lines[i + 1]);
        if (!(IsComment(lines[i]) && nextIsComment))
            lines[kept++] = lines[i];
    }
    lines.resize(kept);
    return lines;
}

// The row an "#EXTINF:" line makes, still without its path.
TPlaylistEntry InfoRow(std::string_view line) {
    TPlaylistEntry row;
    row.SubItems.reserve(3); // the path goes in front later
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) {
        row.Caption = std::string(TrimControl(line.substr(8)));
        row.SubItems.push_back("0");
        return row;
    }
    row.Caption = std::string(TrimControl(line.substr(comma + 1)));
    if (comma > 8) {
        const std::string_view seconds = TrimControl(line.substr(8, comma - 8));
        std::int32_t value = 0;
        if (!ParseInt32(seconds, value) || value < 1) {
            row.SubItems.push_back("0");
        } else {
            row.SubItems.emplace_back(seconds);
            row.SubItems.push_back(FormatDuration(value));
        }
    }
    return row;
}

// An entry to be made: its path line, and the "#EXTINF:" line just before it (0 for none).
struct TEntryLines {
    std::uint32_t Info;
    std::uint32_t Path;
};

TPlaylistEntry MakeEntry(const std::vector<std::string_view>& lines, TEntryLines at) {
    const std::string_view path = lines[at.Path];
    if (at.Info == 0)
        return {EntryCaption(path), {std::string(path)}};
    TPlaylistEntry entry = InfoRow(lines[at.Info]);
    if (entry.Caption.empty())
        entry.Caption = EntryCaption(path);
    entry.SubItems.insert(entry.SubItems.begin(), std::string(path));
    return entry;
}

// From this many entries on, the second half is made on another core.
constexpr std::size_t ParallelEntriesFrom = 4096;

std::vector<TPlaylistEntry> MakeEntries(const std::vector<std::string_view>& lines,
                                        const std::vector<TEntryLines>& planned) {
    std::vector<TPlaylistEntry> entries(planned.size());
    const std::size_t half =
        planned.size() >= ParallelEntriesFrom ? planned.size() / 2 : planned.size();
    const auto make = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            entries[i] = MakeEntry(lines, planned[i]);
    };
    std::thread helper;
    if (half < planned.size())
        helper = std::thread(make, half, planned.size());
    make(0, half);
    if (helper.joinable())
        helper.join();
    return entries;
}

} // namespace

bool IsPlaylistPath(std::string_view path) {
    return UpperAscii(FileExtension(path)) == ".M3U" || IsPlsPath(path);
}

std::optional<std::string_view> DecodePlaylistText(std::string_view bytes, std::string& storage) {
    const std::string_view text = DecodeTextFile(bytes, storage);
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    return text;
}

TM3UContent ParseM3U(std::string_view bytes) {
    TM3UContent content;
    std::string decoded;
    const std::optional<std::string_view> text = DecodePlaylistText(bytes, decoded);
    if (!text) {
        content.NotText = true;
        return content;
    }
    const std::vector<std::string_view> lines = EntryLines(*text, content);
    // Extended playlists hold about two lines per entry; the table grows if they hold fewer.
    TPathTable paths(lines.size() / 2);
    const auto lineOf = [&lines](int number) { return lines[static_cast<std::size_t>(number)]; };
    // Which lines make entries is found in order, as a path counts only the first time; the
    // entries themselves are then made apart.
    std::vector<TEntryLines> planned;
    planned.reserve(lines.size() / 2 + 1);
    std::uint32_t info = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (StartsWithIgnoringCase(line, "#EXTINF:")) {
            info = static_cast<std::uint32_t>(i);
            continue;
        }
        if (IsComment(line)) {
            info = 0;
            continue;
        }
        if (paths.Insert(line, static_cast<int>(i), lineOf))
            planned.push_back({info, static_cast<std::uint32_t>(i)});
        else
            content.HadDuplicates = true;
        info = 0;
    }
    content.Entries = MakeEntries(lines, planned);
    return content;
}

std::string M3UHeader(bool random, bool visMidi) {
    std::string flags = random ? "Random" : "";
    if (visMidi)
        flags += flags.empty() ? "VisMIDI" : ",VisMIDI";
    return flags.empty() ? "#EXTM3U" : "#EXTM3U " + flags;
}

std::string ComposeM3U(const std::string& header, std::size_t count,
                       const std::function<const TPlaylistEntry&(std::size_t)>& entryAt,
                       const std::string& rebaseFolder) {
    std::string text = header + "\r\n";
    text.reserve(count * 96);
    for (std::size_t i = 0; i < count; ++i) {
        const TPlaylistEntry& entry = entryAt(i);
        if (entry.SubItems.size() >= 2) {
            text += "#EXTINF:";
            text += entry.SubItems[1];
            text += ',';
            text += entry.Caption;
            text += "\r\n";
        }
        text += rebaseFolder.empty() ? entry.Path() : ResolveEntryPath(entry.Path(), rebaseFolder);
        text += "\r\n";
    }
    return text;
}

std::string UpdateM3UHeader(std::string_view existing, const std::string& header) {
    std::string decoded;
    existing = DecodeTextFile(existing, decoded);
    std::vector<std::string> lines = SplitLines(existing);
    if (!lines.empty() && IsHeader(lines.front()))
        lines.front() = header;
    else
        lines.insert(lines.begin(), header);
    std::string text;
    text.reserve(existing.size() + header.size() + 2 * lines.size());
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace tavuro
