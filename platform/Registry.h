#pragma once

#include <memory>
#include <optional>
#include <string>

namespace tavuro {

enum class TRegistryRoot { rrCurrentUser, rrLocalMachine };

// The registry store: keys are backslash paths as the Windows registry writes them
// ("Control Panel\Desktop"), values are strings. A key that cannot be opened reads as absent.
class TRegistry {
public:
    virtual ~TRegistry() = default;

    virtual bool KeyExists(TRegistryRoot root, const std::string& key) const = 0;
    // The string value, or nothing when the key or the value is absent.
    virtual std::optional<std::string> ReadString(TRegistryRoot root, const std::string& key,
                                                  const std::string& name) const = 0;
    // Writes a string value. Without createKey the key must exist already; false otherwise.
    virtual bool WriteString(TRegistryRoot root, const std::string& key, const std::string& name,
                             const std::string& value, bool createKey) = 0;
    // Deletes a key with its values and subkeys; false when it did not exist.
    virtual bool DeleteKey(TRegistryRoot root, const std::string& key) = 0;
    // Copies a key with its values and subkeys to a new name, then deletes the old one.
    virtual bool MoveKey(TRegistryRoot root, const std::string& from, const std::string& to) = 0;
};

// One INI file per root key in directory (TAVURO_REGISTRY_DIR, else $XDG_CONFIG_HOME/tavuro).
std::unique_ptr<TRegistry> MakeFileRegistry(const std::string& directory);
std::string DefaultRegistryDirectory();
// An in-memory store for tests.
std::unique_ptr<TRegistry> MakeMemoryRegistry();

} // namespace tavuro
