#include "xgplayer/XGPlayerSettings.h"

#include "common/Text.h"

#include <algorithm>
#include <string>

namespace tavuro {

namespace {

void WriteDefaults(TRegistry& registry) {
    const TXGPlayerSettings defaults;
    const auto root = TRegistryRoot::rrCurrentUser;
    registry.WriteString(root, TXGPlayerSettings::Key, "Volume", std::to_string(defaults.Volume),
                         true);
    registry.WriteString(root, TXGPlayerSettings::Key, "Reverb", defaults.Reverb ? "1" : "0",
                         true);
}

std::int32_t ReadNumber(const TRegistry& registry, const char* name, std::int32_t fallback) {
    std::int32_t value = fallback;
    if (auto text = registry.ReadString(TRegistryRoot::rrCurrentUser, TXGPlayerSettings::Key, name))
        ParseInt32(TrimControl(*text), value);
    return value;
}

} // namespace

TXGPlayerSettings TXGPlayerSettings::Load(TRegistry& registry) {
    if (!registry.KeyExists(TRegistryRoot::rrCurrentUser, Key))
        WriteDefaults(registry);
    TXGPlayerSettings settings;
    settings.Volume = std::clamp(ReadNumber(registry, "Volume", settings.Volume), 0, 200);
    settings.Reverb = ReadNumber(registry, "Reverb", settings.Reverb ? 1 : 0) != 0;
    return settings;
}

} // namespace tavuro
