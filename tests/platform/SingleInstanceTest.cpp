#include "platform/SingleInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tavuro {
namespace {

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override {
        const char* runtime = getenv("XDG_RUNTIME_DIR");
        Saved = runtime ? std::optional<std::string>(runtime) : std::nullopt;
        setenv("XDG_RUNTIME_DIR", Directory.path().toUtf8().constData(), 1);
    }
    void TearDown() override {
        Saved ? setenv("XDG_RUNTIME_DIR", Saved->c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    }
    QTemporaryDir Directory;
    std::optional<std::string> Saved;
};

TEST_F(SingleInstanceTest, SecondGuardOfTheSameName_IsRefusedUntilTheFirstIsGone) {
    auto first = std::make_unique<TSingleInstanceLock>("Tavuro 2008");
    ASSERT_TRUE(first->TryAcquire());
    EXPECT_TRUE(first->TryAcquire()); // holding it already
    EXPECT_TRUE(QFile::exists(Directory.filePath("Tavuro 2008.lock")));

    TSingleInstanceLock second("Tavuro 2008");
    EXPECT_FALSE(second.TryAcquire());
    TSingleInstanceLock otherName("Another Guard");
    EXPECT_TRUE(otherName.TryAcquire());

    first.reset();
    EXPECT_TRUE(second.TryAcquire());
}

} // namespace
} // namespace tavuro
