#include "platform/RegistryStore.h"

namespace tavuro {

namespace {

// A created key exists even without values, so it holds this value; readers never see it.
const std::string KeyMarker = ".";

// "\Software\\YAMAHA\" and "Software\YAMAHA" name the same key.
std::string NormalizeKey(const std::string& key) {
    std::string normal;
    for (char c : key) {
        if (c == '\\' && (normal.empty() || normal.back() == '\\'))
            continue;
        normal += c;
    }
    if (!normal.empty() && normal.back() == '\\')
        normal.pop_back();
    return normal;
}

bool IsSameOrBelow(const std::string& key, const std::string& ancestor) {
    return key == ancestor || (key.size() > ancestor.size() && key.starts_with(ancestor) &&
                               key[ancestor.size()] == '\\');
}

// A slash would nest groups in the INI store, so neither key nor value names may hold one.
bool IsUsableValueName(const std::string& name) {
    return !name.empty() && name != KeyMarker && name.find('/') == std::string::npos;
}

bool IsUsableKey(const std::string& normalKey) {
    return normalKey.find('/') == std::string::npos;
}

std::vector<std::string> KeysFrom(const TRegistrySession& session, const std::string& key) {
    std::vector<std::string> found;
    for (const std::string& stored : session.Keys())
        if (IsSameOrBelow(stored, key))
            found.push_back(stored);
    return found;
}

class TStoreRegistry : public TRegistry {
public:
    explicit TStoreRegistry(TSessionOpener openSession) : OpenSession(std::move(openSession)) {}

    bool KeyExists(TRegistryRoot root, const std::string& key) const override {
        const std::string normal = NormalizeKey(key);
        if (!IsUsableKey(normal))
            return false;
        return normal.empty() || !KeysFrom(*OpenSession(root), normal).empty();
    }

    std::optional<std::string> ReadString(TRegistryRoot root, const std::string& key,
                                          const std::string& name) const override {
        const std::string normal = NormalizeKey(key);
        if (normal.empty() || !IsUsableKey(normal) || !IsUsableValueName(name))
            return std::nullopt;
        const auto values = OpenSession(root)->Values(normal);
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }

    bool WriteString(TRegistryRoot root, const std::string& key, const std::string& name,
                     const std::string& value, bool createKey) override {
        const std::string normal = NormalizeKey(key);
        if (normal.empty() || !IsUsableKey(normal) || !IsUsableValueName(name))
            return false;
        auto session = OpenSession(root);
        if (KeysFrom(*session, normal).empty()) {
            if (!createKey)
                return false;
            session->Write(normal, KeyMarker, "");
        }
        session->Write(normal, name, value);
        return session->Commit();
    }

    bool DeleteKey(TRegistryRoot root, const std::string& key) override {
        const std::string normal = NormalizeKey(key);
        if (normal.empty() || !IsUsableKey(normal))
            return false;
        auto session = OpenSession(root);
        const auto doomed = KeysFrom(*session, normal);
        if (doomed.empty())
            return false;
        for (const std::string& stored : doomed)
            session->RemoveKey(stored);
        return session->Commit();
    }

    // Refuses an existing destination: merging into it would silently overwrite its values.
    bool MoveKey(TRegistryRoot root, const std::string& from, const std::string& to) override {
        const std::string source = NormalizeKey(from);
        const std::string target = NormalizeKey(to);
        if (source.empty() || target.empty() || !IsUsableKey(source) || !IsUsableKey(target) ||
            IsSameOrBelow(target, source))
            return false;
        auto session = OpenSession(root);
        const auto moving = KeysFrom(*session, source);
        if (moving.empty() || !KeysFrom(*session, target).empty())
            return false;
        for (const std::string& stored : moving) {
            const std::string renamed = target + stored.substr(source.size());
            auto values = session->Values(stored);
            values.emplace(KeyMarker, "");
            for (const auto& [name, value] : values)
                session->Write(renamed, name, value);
            session->RemoveKey(stored);
        }
        return session->Commit();
    }

private:
    TSessionOpener OpenSession;
};

} // namespace

std::unique_ptr<TRegistry> MakeRegistryOver(TSessionOpener openSession) {
    return std::make_unique<TStoreRegistry>(std::move(openSession));
}

} // namespace tavuro
