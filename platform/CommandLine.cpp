#include "platform/ProcessLauncher.h"

namespace tavuro {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The program name: a quoted name runs to the next quote, an unquoted one to the next blank;
// backslashes are plain characters in it.
std::string TakeProgramName(const std::string& line, std::size_t& at) {
    std::string name;
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"')
            quoted = !quoted;
        else if (IsBlank(c) && !quoted)
            break;
        else
            name += c;
    }
    return name;
}

// One later argument. Backslashes are literal unless they precede a quote: 2n of them and a
// quote give n backslashes and toggle quoting, 2n+1 give n backslashes and a literal quote.
// Inside quotes, "" is a literal quote (the rule of the C runtime since 2008).
std::string TakeArgument(const std::string& line, std::size_t& at) {
    std::string argument;
    bool quoted = false;
    while (at < line.size()) {
        const char c = line[at];
        if (IsBlank(c) && !quoted)
            break;
        if (c == '\\') {
            std::size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < line.size() && line[at] == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    ++at;
                }
            } else {
                argument.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                argument += '"';
                at += 2;
                continue;
            }
            quoted = !quoted;
            ++at;
            continue;
        }
        argument += c;
        ++at;
    }
    return argument;
}

void SkipBlanks(const std::string& line, std::size_t& at) {
    while (at < line.size() && IsBlank(line[at]))
        ++at;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    SkipBlanks(commandLine, at);
    if (at == commandLine.size())
        return arguments;
    arguments.push_back(TakeProgramName(commandLine, at));
    for (SkipBlanks(commandLine, at); at < commandLine.size(); SkipBlanks(commandLine, at))
        arguments.push_back(TakeArgument(commandLine, at));
    return arguments;
}

} // namespace tavuro
