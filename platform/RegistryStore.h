#pragma once

#include "platform/Registry.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavuro {

// The storage beneath the registry: flat keys (whole backslash paths) each holding named
// string values. One session is one operation; Commit makes its changes durable at once.
class TRegistrySession {
public:
    virtual ~TRegistrySession() = default;
    // Every key path that holds at least one value (a created key holds its marker value).
    virtual std::vector<std::string> Keys() const = 0;
    virtual std::map<std::string, std::string> Values(const std::string& key) const = 0;
    virtual void Write(const std::string& key, const std::string& name,
                       const std::string& value) = 0;
    // Removes one key's values, not its subkeys.
    virtual void RemoveKey(const std::string& key) = 0;
    // False when the changes could not be stored.
    virtual bool Commit() = 0;
};

using TSessionOpener = std::function<std::unique_ptr<TRegistrySession>(TRegistryRoot)>;

// The registry operations over any storage; both the file and the memory store use it.
std::unique_ptr<TRegistry> MakeRegistryOver(TSessionOpener openSession);

} // namespace tavuro
