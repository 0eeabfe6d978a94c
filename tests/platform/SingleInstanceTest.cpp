#include "platform/SingleInstance.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
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

struct TForeignLock {
    const char* Name;
    // Puts something the guard cannot use at the lock file's place; false when it cannot here.
    std::function<bool(const std::string& path)> Make;
};
void PrintTo(const TForeignLock& lock, std::ostream* out) {
    *out << lock.Name;
}

const TForeignLock ForeignLocks[] = {
    {"AnotherUsersFile",
     [](const std::string& path) {
         const int file = open(path.c_str(), O_RDWR | O_CREAT, 0644);
         const bool made = file >= 0 && fchown(file, getuid() + 4242, getgid()) == 0;
         close(file);
         return made; // only root can give a file away
     }},
    {"ASymbolicLink", [](const std::string& path) { return symlink("/tmp", path.c_str()) == 0; }},
    {"AFolder", [](const std::string& path) { return mkdir(path.c_str(), 0700) == 0; }},
};

class ForeignLock : public testing::TestWithParam<TForeignLock> {};

// Another user's file in /tmp (where the runtime folder is missing) cannot turn the guard off:
// the guard moves to the user's own data folder, which every start of this user shares.
TEST_P(ForeignLock, MovesTheGuardToTheDataFolderAndStillKeepsASecondPlayerOut) {
    QTemporaryDir shared, data;
    TEnvironmentValue instanceDir("TAVURO_INSTANCE_DIR", shared.path().toUtf8().constData());
    TEnvironmentValue dataHome("XDG_DATA_HOME", data.path().toUtf8().constData());
    const std::string name = "Tavuro 2008";
    if (!GetParam().Make(shared.filePath("Tavuro 2008.lock").toStdString()))
        GTEST_SKIP() << "cannot be made without root";
    auto first = std::make_unique<TSingleInstanceLock>(name);
    ASSERT_TRUE(first->TryAcquire());
    EXPECT_EQ(first->LockFile(), data.filePath("tavuro/Tavuro 2008.lock").toStdString());
    TSingleInstanceLock second(name);
    EXPECT_FALSE(second.TryAcquire()) << "a second player would run beside the first";
    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ForeignLock, testing::ValuesIn(ForeignLocks),
                         [](const testing::TestParamInfo<TForeignLock>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
} // namespace tavuro
