#include "platform/RegistryStore.h"

namespace tavuro {

namespace {

using TKeyTable = std::map<std::string, std::map<std::string, std::string>>;

class TMemorySession : public TRegistrySession {
public:
    explicit TMemorySession(TKeyTable& table) : Table(table) {}

    std::vector<std::string> Keys() const override {
        std::vector<std::string> keys;
        for (const auto& entry : Table)
            keys.push_back(entry.first);
        return keys;
    }
    std::map<std::string, std::string> Values(const std::string& key) const override {
        const auto found = Table.find(key);
        return found == Table.end() ? std::map<std::string, std::string>{} : found->second;
    }
    void Write(const std::string& key, const std::string& name, const std::string& value) override {
        Table[key][name] = value;
    }
    void RemoveKey(const std::string& key) override { Table.erase(key); }
    bool Commit() override { return true; }

private:
    TKeyTable& Table;
};

} // namespace

std::unique_ptr<TRegistry> MakeMemoryRegistry() {
    auto roots = std::make_shared<std::map<TRegistryRoot, TKeyTable>>();
    return MakeRegistryOver([roots](TRegistryRoot root) -> std::unique_ptr<TRegistrySession> {
        return std::make_unique<TMemorySession>((*roots)[root]);
    });
}

} // namespace tavuro
