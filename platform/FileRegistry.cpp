#include "platform/RegistryStore.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

#include "common/FileBytes.h"
#include "platform/IniText.h"

namespace tavuro {

namespace {

// How long a session waits for another process's operation on the store to end.
constexpr auto LockPatience = std::chrono::seconds(2);

// An exclusive flock on the store's lock file for one session. The system drops it when its
// holder ends, so a lock file left behind (by a crash, or by a process on another host sharing
// the folder) never blocks anyone.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& path) {
        Descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (Descriptor < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + LockPatience;
        while (!(Held = flock(Descriptor, LOCK_EX | LOCK_NB) == 0) && errno == EWOULDBLOCK &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~TStoreLock() {
        if (Descriptor >= 0)
            close(Descriptor);
    }
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;

    // False when another process held the store past LockPatience: read, but do not write.
    bool Held = false;

private:
    int Descriptor = -1;
};

// One INI file per root, in the form Qt's settings files have; each registry key is one section
// named by its whole backslash path. A session reads the file under the store's lock and writes
// it whole through a temporary file renamed over the old one, so the player and XGPlayer can
// share the store. A file that cannot be read (damaged, or of an unknown encoding) is never
// replaced: the session sees no keys, and its writes fail.
class TFileSession : public TRegistrySession {
public:
    explicit TFileSession(const std::string& path) : Path(path), Lock(path + ".lock") {
        std::string error;
        if (const auto bytes = ReadFileBytes(path, &error)) {
            TIniRead read = ParseIni(*bytes);
            Sections = std::move(read.Sections);
            Comments = std::move(read.Comments);
            Writable = read.Readable;
        } else {
            Writable = !QFileInfo::exists(QString::fromStdString(path)); // a store not yet made
        }
    }

    std::vector<std::string> Keys() const override {
        std::vector<std::string> keys;
        // Values outside any section belong to no key; they are kept as they are.
        for (const auto& [key, values] : Sections)
            if (!key.empty() && !values.empty())
                keys.push_back(key);
        return keys;
    }
    std::map<std::string, std::string> Values(const std::string& key) const override {
        const auto found = Sections.find(key);
        return found == Sections.end() ? std::map<std::string, std::string>{} : found->second;
    }
    void Write(const std::string& key, const std::string& name, const std::string& value) override {
        Sections[key][name] = value;
    }
    void RemoveKey(const std::string& key) override { Sections.erase(key); }
    bool Commit() override {
        if (!Writable || !Lock.Held)
            return false;
        return WriteFileReplacing(Path, ComposeIni(Sections, Comments));
    }

private:
    std::string Path;
    TStoreLock Lock;
    TIniSections Sections;
    TIniComments Comments; // the user's notes, written back where they stood
    bool Writable = false;
};

std::string StorePath(const std::string& directory, TRegistryRoot root) {
    const char* file =
        root == TRegistryRoot::rrCurrentUser ? "HKEY_CURRENT_USER.ini" : "HKEY_LOCAL_MACHINE.ini";
    return QDir(QString::fromStdString(directory)).filePath(QLatin1String(file)).toStdString();
}

// A Linux desktop's screen saver is on unless the user changed it; the player switches it off
// only while a video plays, so a fresh store starts with it on.
void SeedCurrentUser(TRegistry& registry) {
    registry.WriteString(TRegistryRoot::rrCurrentUser, "Control Panel\\Desktop", "ScreenSaveActive",
                         "1", true);
}

} // namespace

std::unique_ptr<TRegistry> MakeFileRegistry(const std::string& directory) {
    QDir().mkpath(QString::fromStdString(directory));
    const bool fresh = !QFileInfo::exists(
        QString::fromStdString(StorePath(directory, TRegistryRoot::rrCurrentUser)));
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
