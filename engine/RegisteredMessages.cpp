#include "engine/RegisteredMessages.h"

#include "common/Text.h"

#include <map>
#include <mutex>
#include <string>

namespace tavuro {

namespace {

constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;
constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;

} // namespace

std::uint32_t RegisterWindowMessage(std::string_view name) {
    if (name.empty())
        return 0;
    static std::mutex tableLock; // guards table
    static std::map<std::string, std::uint32_t> table;
    std::lock_guard lock(tableLock);
    const std::string key = UpperAscii(name);
    if (auto found = table.find(key); found != table.end())
        return found->second;
    const std::uint32_t number = kFirstRegisteredMessage + static_cast<std::uint32_t>(table.size());
    if (number > kLastRegisteredMessage)
        return 0;
    table.emplace(key, number);
    return number;
}

} // namespace tavuro
