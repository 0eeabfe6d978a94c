#include "platform/SingleInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include <unistd.h>

namespace tavuro {
namespace {

// Sets an environment variable for the test's lifetime (unset when value is null).
class TEnvironmentValue {
public:
    TEnvironmentValue(const char* name, const char* value) : Name(name) {
        if (const char* old = getenv(name))
            Saved = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~TEnvironmentValue() { Saved ? setenv(Name, Saved->c_str(), 1) : unsetenv(Name); }

private:
    const char* Name;
    std::optional<std::string> Saved;
};

TEST(SingleInstanceTest, SecondGuardOfTheSameName_IsRefusedUntilTheFirstIsGone) {
    QTemporaryDir directory;
    TEnvironmentValue instanceDir("TAVURO_INSTANCE_DIR", directory.path().toUtf8().constData());
    auto first = std::make_unique<TSingleInstanceLock>("Tavuro 2008");
    ASSERT_TRUE(first->TryAcquire());
    EXPECT_TRUE(first->TryAcquire()); // holding it already
    EXPECT_TRUE(QFile::exists(directory.filePath("Tavuro 2008.lock")));

    TSingleInstanceLock second("Tavuro 2008");
    EXPECT_FALSE(second.TryAcquire());
    TSingleInstanceLock otherName("Another Guard");
    EXPECT_TRUE(otherName.TryAcquire());

    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

// Two sessions of one user may see different runtime folders (a login, an ssh or su session, a
// sandbox); the guard is the user's all the same.
TEST(SingleInstanceTest, TheGuardIsTheUsersWhateverTheRuntimeFolderSays) {
    QTemporaryDir one, other;
    TEnvironmentValue instanceDir("TAVURO_INSTANCE_DIR", nullptr);
    const std::string name = "Tavuro guard test " + std::to_string(getpid());
    const std::string folders[] = {one.path().toStdString(), other.path().toStdString()};
    const char* runtimes[] = {folders[0].c_str(), folders[1].c_str(), nullptr};
    const auto guardUnder = [&name](const char* runtime) {
        TEnvironmentValue value("XDG_RUNTIME_DIR", runtime);
        return std::make_unique<TSingleInstanceLock>(name);
    };
    const auto first = guardUnder(runtimes[0]);
    ASSERT_TRUE(first->TryAcquire());
    for (const char* runtime : runtimes) {
        const auto second = guardUnder(runtime);
        EXPECT_EQ(second->LockFile(), first->LockFile()) << (runtime ? runtime : "(unset)");
        EXPECT_FALSE(second->TryAcquire()) << (runtime ? runtime : "(unset)");
    }
    unlink(first->LockFile().c_str());
}

} // namespace
} // namespace tavuro
