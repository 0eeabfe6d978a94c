#include "platform/RegistryStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <cstdlib>

namespace tavuro {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromUtf8(text);
}
std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}

// One INI file per root; each registry key is one section named by its whole backslash path.
// QSettings writes through a temporary file renamed over the old one, under a lock file, and
// re-reads what another process wrote, so the player and XGPlayer can share the store.
class TFileSession : public TRegistrySession {
public:
    explicit TFileSession(const QString& path) : Settings(path, QSettings::IniFormat) {}

    std::vector<std::string> Keys() const override {
        std::vector<std::string> keys;
        for (const QString& group : Settings.childGroups())
            keys.push_back(FromQt(group));
        return keys;
    }
    std::map<std::string, std::string> Values(const std::string& key) const override {
        std::map<std::string, std::string> values;
        Settings.beginGroup(ToQt(key));
        for (const QString& name : Settings.childKeys()) {
            const QVariant value = Settings.value(name);
            // A hand-edited line "a, b" reads as a list; the registry knows only strings.
            const QString text = value.typeId() == QMetaType::QStringList
                                     ? value.toStringList().join(QLatin1String(", "))
                                     : value.toString();
            values[FromQt(name)] = FromQt(text);
        }
        Settings.endGroup();
        return values;
    }
    void Write(const std::string& key, const std::string& name, const std::string& value) override {
        Settings.beginGroup(ToQt(key));
        Settings.setValue(ToQt(name), ToQt(value));
        Settings.endGroup();
    }
    void RemoveKey(const std::string& key) override { Settings.remove(ToQt(key)); }
    bool Commit() override {
        Settings.sync();
        return Settings.status() == QSettings::NoError;
    }

private:
    mutable QSettings Settings; // reading a key's values means entering its group
};

QString StorePath(const std::string& directory, TRegistryRoot root) {
    const char* file =
        root == TRegistryRoot::rrCurrentUser ? "HKEY_CURRENT_USER.ini" : "HKEY_LOCAL_MACHINE.ini";
    return QDir(ToQt(directory)).filePath(QLatin1String(file));
}

// A Linux desktop's screen saver is on unless the user changed it; the player switches it off
// only while a video plays, so a fresh store starts with it on.
void SeedCurrentUser(TRegistry& registry) {
    registry.WriteString(TRegistryRoot::rrCurrentUser, "Control Panel\\Desktop", "ScreenSaveActive",
                         "1", true);
}

} // namespace

std::unique_ptr<TRegistry> MakeFileRegistry(const std::string& directory) {
    QDir().mkpath(ToQt(directory));
    const bool fresh = !QFileInfo::exists(StorePath(directory, TRegistryRoot::rrCurrentUser));
    auto registry =
        MakeRegistryOver([directory](TRegistryRoot root) -> std::unique_ptr<TRegistrySession> {
            return std::make_unique<TFileSession>(StorePath(directory, root));
        });
    if (fresh)
        SeedCurrentUser(*registry);
    return registry;
}

std::string DefaultRegistryDirectory() {
    if (const char* chosen = std::getenv("TAVURO_REGISTRY_DIR"); chosen && *chosen)
        return chosen;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/tavuro";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/tavuro";
}

} // namespace tavuro
