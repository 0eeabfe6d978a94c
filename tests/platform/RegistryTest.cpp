#include "platform/Registry.h"

#include "common/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace tavuro {
namespace {

constexpr auto HKCU = TRegistryRoot::rrCurrentUser;
constexpr auto HKLM = TRegistryRoot::rrLocalMachine;

struct TStoreKind {
    const char* Name;
    std::function<std::unique_ptr<TRegistry>(const std::string& directory)> Make;
};

// Every case runs over both stores: the memory double must behave as the real one.
class RegistryTest : public testing::TestWithParam<TStoreKind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(Directory.isValid());
        Registry = GetParam().Make(Directory.path().toStdString());
    }
    QTemporaryDir Directory;
    std::unique_ptr<TRegistry> Registry;
};

TEST_P(RegistryTest, WriteString_WithoutCreate_FailsOnMissingKeyAndCreatesNothing) {
    EXPECT_FALSE(Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "A", "1", false));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA"));
}

TEST_P(RegistryTest, WriteString_WithCreate_MakesKeyAndAncestorsAndReadsBack) {
    ASSERT_TRUE(
        Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume", "7 of 10", true));
    EXPECT_TRUE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_TRUE(Registry->KeyExists(HKCU, "Software\\YAMAHA"));
    EXPECT_TRUE(Registry->KeyExists(HKCU, "\\Software\\\\YAMAHA\\XGPlayer\\"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlay"));
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume"), "7 of 10");
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer", "Missing"), std::nullopt);
    EXPECT_EQ(Registry->ReadString(HKLM, "Software\\YAMAHA\\XGPlayer", "Volume"), std::nullopt);
    // The key exists now, so a write without creating succeeds and replaces the value.
    ASSERT_TRUE(Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume", "a, b", false));
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume"), "a, b");
}

TEST_P(RegistryTest, Values_KeepTextThatIniFilesTreatSpecially) {
    const std::string texts[] = {"",           "@at",         "a=b;c",
                                 "\"quoted\"", "x, y",        "中文 ü",
                                 " padded ",   "back\\slash", std::string("nul\0inside", 10)};
    for (const std::string& text : texts) {
        ASSERT_TRUE(Registry->WriteString(HKCU, "Odd Key\\Sub", "Value Name", text, true));
        EXPECT_EQ(Registry->ReadString(HKCU, "Odd Key\\Sub", "Value Name"), text);
    }
}

TEST_P(RegistryTest, DeleteKey_RemovesSubkeysButNotSiblingsWithSamePrefix) {
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "A", "1", true);
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer\\Sub", "B", "2", true);
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer~", "C", "3", true);
    EXPECT_TRUE(Registry->DeleteKey(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer\\Sub"));
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer~", "C"), "3");
    EXPECT_FALSE(Registry->DeleteKey(HKCU, "Software\\YAMAHA\\XGPlayer"));
}

TEST_P(RegistryTest, MoveKey_CopiesValuesAndSubkeysThenDeletesTheSource) {
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "A", "1", true);
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer\\Empty\\Deeper", "B", "2", true);
    Registry->DeleteKey(HKCU, "Software\\YAMAHA\\XGPlayer\\Empty\\Deeper");
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer\\Empty", "Gone", "x", true);

    ASSERT_TRUE(
        Registry->MoveKey(HKCU, "Software\\YAMAHA\\XGPlayer", "Software\\YAMAHA\\XGPlayer~"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer~", "A"), "1");
    EXPECT_EQ(Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer~\\Empty", "Gone"), "x");
}

TEST_P(RegistryTest, MoveKey_KeepsAKeyWithoutValues) {
    // A created key exists without values (the backup of a player that stored nothing).
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "A", "1", true);
    Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer\\Child", "B", "2", true);
    Registry->DeleteKey(HKCU, "Software\\YAMAHA\\XGPlayer\\Child");
    EXPECT_TRUE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    ASSERT_TRUE(Registry->MoveKey(HKCU, "Software\\YAMAHA\\XGPlayer", "Backup"));
    EXPECT_TRUE(Registry->KeyExists(HKCU, "Backup"));
}

TEST_P(RegistryTest, MoveKey_RefusesMissingSourceExistingTargetAndMovingIntoItself) {
    EXPECT_FALSE(Registry->MoveKey(HKCU, "Nowhere", "Somewhere"));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Somewhere"));
    Registry->WriteString(HKCU, "Source", "A", "from source", true);
    Registry->WriteString(HKCU, "Target", "A", "kept", true);
    EXPECT_FALSE(Registry->MoveKey(HKCU, "Source", "Target"));
    EXPECT_EQ(Registry->ReadString(HKCU, "Target", "A"), "kept");
    EXPECT_EQ(Registry->ReadString(HKCU, "Source", "A"), "from source");
    EXPECT_FALSE(Registry->MoveKey(HKCU, "Source", "Source\\Inner"));
    EXPECT_EQ(Registry->ReadString(HKCU, "Source", "A"), "from source");
}

TEST_P(RegistryTest, NamesTheStoreCannotHold_AreRefusedNotMangled) {
    EXPECT_FALSE(Registry->WriteString(HKCU, "With/Slash", "A", "1", true));
    EXPECT_FALSE(Registry->WriteString(HKCU, "Key", "with/slash", "1", true));
    EXPECT_FALSE(Registry->WriteString(HKCU, "Key", "", "1", true));
    EXPECT_FALSE(Registry->WriteString(HKCU, "", "A", "1", true));
    EXPECT_FALSE(Registry->KeyExists(HKCU, "Key"));
}

TEST_P(RegistryTest, LocalMachine_HasNoVersionNumber) {
    EXPECT_EQ(
        Registry->ReadString(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber"),
        std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, RegistryTest,
    testing::Values(TStoreKind{"Memory", [](const std::string&) { return MakeMemoryRegistry(); }},
                    TStoreKind{"File",
                               [](const std::string& directory) {
                                   // Start past the seed so both stores begin empty.
                                   auto registry = MakeFileRegistry(directory);
                                   registry->DeleteKey(TRegistryRoot::rrCurrentUser,
                                                       "Control Panel");
                                   return registry;
                               }}),
    [](const testing::TestParamInfo<TStoreKind>& info) { return std::string(info.param.Name); });

TEST(FileRegistryTest, FreshStore_HasTheScreenSaverOn_AndAnExistingStoreIsNotReseeded) {
    QTemporaryDir directory;
    const std::string path = directory.path().toStdString();
    {
        auto registry = MakeFileRegistry(path);
        EXPECT_EQ(registry->ReadString(HKCU, "Control Panel\\Desktop", "ScreenSaveActive"), "1");
        ASSERT_TRUE(
            registry->WriteString(HKCU, "Control Panel\\Desktop", "ScreenSaveActive", "0", false));
    }
    auto reopened = MakeFileRegistry(path);
    EXPECT_EQ(reopened->ReadString(HKCU, "Control Panel\\Desktop", "ScreenSaveActive"), "0");
}

TEST(FileRegistryTest, TwoStoresOnOneDirectory_SeeEachOthersWrites) {
    // Stands for the player and XGPlayer, two processes sharing one store.
    QTemporaryDir directory;
    auto player = MakeFileRegistry(directory.path().toStdString());
    auto other = MakeFileRegistry(directory.path().toStdString());
    ASSERT_TRUE(other->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Song", "a.mid", true));
    ASSERT_TRUE(player->MoveKey(HKCU, "Software\\YAMAHA\\XGPlayer", "Software\\YAMAHA\\XGPlayer~"));
    EXPECT_FALSE(other->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_EQ(other->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer~", "Song"), "a.mid");
    EXPECT_EQ(other->ReadString(HKCU, "Control Panel\\Desktop", "ScreenSaveActive"), "1");
}

TEST(FileRegistryTest, KeysAreSectionsNamedByTheirBackslashPath) {
    QTemporaryDir directory;
    MakeFileRegistry(directory.path().toStdString());
    std::ifstream file(directory.filePath("HKEY_CURRENT_USER.ini").toStdString());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("ScreenSaveActive=1"), std::string::npos) << text.str();
}

TEST(FileRegistryTest, StoreThatCannotBeWritten_ReportsFailedWrites) {
    QTemporaryDir directory;
    auto registry = MakeFileRegistry(directory.path().toStdString());
    // A folder in the file's place defeats the rename even for root.
    QFile::remove(directory.filePath("HKEY_LOCAL_MACHINE.ini"));
    QDir(directory.path()).mkdir("HKEY_LOCAL_MACHINE.ini");
    EXPECT_FALSE(registry->WriteString(HKLM, "Software", "A", "1", true));
}

TEST(DefaultRegistryDirectoryTest, FollowsTheOverrideThenXdgThenHome) {
    const char* saved[] = {getenv("TAVURO_REGISTRY_DIR"), getenv("XDG_CONFIG_HOME"),
                           getenv("HOME")};
    const std::string copies[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                                  saved[2] ? saved[2] : ""};
    setenv("TAVURO_REGISTRY_DIR", "/r", 1);
    setenv("XDG_CONFIG_HOME", "/x", 1);
    setenv("HOME", "/h", 1);
    EXPECT_EQ(DefaultRegistryDirectory(), "/r");
    unsetenv("TAVURO_REGISTRY_DIR");
    EXPECT_EQ(DefaultRegistryDirectory(), "/x/tavuro");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultRegistryDirectory(), "/h/.config/tavuro");
    const char* names[] = {"TAVURO_REGISTRY_DIR", "XDG_CONFIG_HOME", "HOME"};
    for (int i = 0; i < 3; ++i)
        saved[i] ? setenv(names[i], copies[i].c_str(), 1) : unsetenv(names[i]);
}

} // namespace
} // namespace tavuro

namespace tavuro {
namespace {

std::string FileText(const QString& path) {
    return ReadFileBytes(path.toStdString()).value_or("");
}

struct TStoreText {
    const char* Name;
    std::string Bytes;
};
void PrintTo(const TStoreText& store, std::ostream* out) {
    *out << store.Name;
}

std::string Utf16LittleEndian(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::string UsersStore = "[Software%5CYAMAHA%5CXGPlayer]\r\nVolume=37\r\nReverb=0\r\n";

class ReadableStore : public testing::TestWithParam<TStoreText> {};

// The external player writes its defaults where it finds no key: a store read as empty would
// lose the user's own values at its first start.
TEST_P(ReadableStore, KeepsTheUsersValuesThroughTheNextWrite) {
    QTemporaryDir directory;
    const QString path = directory.filePath("HKEY_CURRENT_USER.ini");
    std::ofstream(path.toStdString(), std::ios::binary) << GetParam().Bytes;
    auto registry = MakeFileRegistry(directory.path().toStdString());
    EXPECT_EQ(registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume"), "37");
    ASSERT_TRUE(registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Song", "a.mid", false));
    EXPECT_EQ(FileText(path), "[Software%5CYAMAHA%5CXGPlayer]\nReverb=0\nSong=a.mid\nVolume=37\n");
}

// What the user or another program wrote into the store stays through the next write.
struct TKeptText {
    const char* Name;
    std::string Bytes;    // the store before the write
    std::string Expected; // the store after it
};
void PrintTo(const TKeptText& kept, std::ostream* out) {
    *out << kept.Name;
}

class KeptText : public testing::TestWithParam<TKeptText> {};

TEST_P(KeptText, SurvivesTheNextWrite) {
    QTemporaryDir directory;
    const QString path = directory.filePath("HKEY_CURRENT_USER.ini");
    std::ofstream(path.toStdString(), std::ios::binary) << GetParam().Bytes;
    auto registry = MakeFileRegistry(directory.path().toStdString());
    ASSERT_TRUE(registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Song", "a.mid", false));
    EXPECT_EQ(FileText(path), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, KeptText,
    testing::Values(
        TKeptText{"CommentsInASection",
                  "[Software%5CYAMAHA%5CXGPlayer]\n; the user's volume\nVolume=37\n# old\n",
                  "[Software%5CYAMAHA%5CXGPlayer]\n; the user's volume\n# old\nSong=a.mid\n"
                  "Volume=37\n"},
        TKeptText{"CommentsBeforeAnySection",
                  "; written by hand\n\n[Software%5CYAMAHA%5CXGPlayer]\nVolume=37\n",
                  "; written by hand\n\n[Software%5CYAMAHA%5CXGPlayer]\nSong=a.mid\nVolume=37\n"},
        TKeptText{"CommentsOfAKeyWithoutValues",
                  "[Software%5CYAMAHA%5CXGPlayer]\nVolume=37\n[Gone]\n; kept\n",
                  "[Gone]\n; kept\n\n[Software%5CYAMAHA%5CXGPlayer]\nSong=a.mid\nVolume=37\n"},
        TKeptText{"AValueHoldingANulByte",
                  "[Software%5CYAMAHA%5CXGPlayer]\nName=a" + std::string(1, '\0') +
                      "b\nVolume=37\n",
                  "[Software%5CYAMAHA%5CXGPlayer]\nName=a\\x00\\x62\nSong=a.mid\nVolume=37\n"}),
    [](const testing::TestParamInfo<TKeptText>& info) { return std::string(info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Stores, ReadableStore,
    testing::Values(TStoreText{"Utf8", UsersStore},
                    TStoreText{"Utf8WithMark", "\xEF\xBB\xBF" + UsersStore},
                    TStoreText{"Utf16", Utf16LittleEndian(UsersStore)},
                    TStoreText{"Utf16WithoutItsMark", Utf16LittleEndian(UsersStore).substr(2)},
                    TStoreText{"DamagedAfterTheValues", UsersStore + "\x01\x02garbage\xFF\r\n"}),
    [](const testing::TestParamInfo<TStoreText>& info) { return std::string(info.param.Name); });

class UnreadableStore : public testing::TestWithParam<TStoreText> {};

TEST_P(UnreadableStore, IsLeftAloneAndItsWritesFail) {
    QTemporaryDir directory;
    const QString path = directory.filePath("HKEY_CURRENT_USER.ini");
    std::ofstream(path.toStdString(), std::ios::binary) << GetParam().Bytes;
    auto registry = MakeFileRegistry(directory.path().toStdString());
    EXPECT_FALSE(registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer"));
    EXPECT_FALSE(registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume", "100", true));
    EXPECT_EQ(FileText(path), GetParam().Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, UnreadableStore,
    testing::Values(TStoreText{"Binary", std::string("\x7F"
                                                     "ELF\x02\x01\x01\0\0\0garbage\x01",
                                                     18)},
                    // Found by the fuzzer: written back, the NUL made the store read as UTF-16.
                    TStoreText{"ACommentHoldingANulByte", std::string("  #g\0!B", 8)}),
    [](const testing::TestParamInfo<TStoreText>& info) { return std::string(info.param.Name); });

// Found by the fuzzer: a name of bytes that are no UTF-8 was written as the Latin-1 character of
// its byte and took the place of that character's own name.
TEST(FileRegistryTest, NamesThatAreNoUtf8KeepApartFromTheCharactersOfTheirBytes) {
    QTemporaryDir directory;
    const QString path = directory.filePath("HKEY_CURRENT_USER.ini");
    std::ofstream(path.toStdString(), std::ios::binary) << "[Key]\nA\xF6=raw\nA%F6=latin\n";
    auto registry = MakeFileRegistry(directory.path().toStdString());
    ASSERT_TRUE(registry->WriteString(HKCU, "Key", "B", "1", false));
    auto reopened = MakeFileRegistry(directory.path().toStdString());
    EXPECT_EQ(reopened->ReadString(HKCU, "Key", "Aö"), "latin");
    EXPECT_EQ(reopened->ReadString(HKCU, "Key", "A\uFFFD"), "raw") << "read as Qt reads it";
}

TEST(FileRegistryTest, ALockFileLeftByAnotherHostHoldsNothingUp) {
    QTemporaryDir directory;
    for (const char* root : {"HKEY_CURRENT_USER.ini.lock", "HKEY_LOCAL_MACHINE.ini.lock"})
        std::ofstream(directory.filePath(root).toStdString()) << "4242\ntavuro\nother-host\n";
    const auto start = std::chrono::steady_clock::now();
    auto registry = MakeFileRegistry(directory.path().toStdString());
    ASSERT_TRUE(registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume", "5", true));
    EXPECT_EQ(registry->ReadString(HKLM, "Software", "Missing"), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(FileRegistryTest, ALiveHoldersLockKeepsOthersFromWritingUntilItEnds) {
    QTemporaryDir directory;
    auto registry = MakeFileRegistry(directory.path().toStdString());
    const int holder = open(directory.filePath("HKEY_CURRENT_USER.ini.lock").toUtf8().constData(),
                            O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(registry->WriteString(HKCU, "Control Panel\\Desktop", "A", "1", false))
        << "no write while another process holds the store";
    close(holder);
    EXPECT_TRUE(registry->WriteString(HKCU, "Control Panel\\Desktop", "A", "1", false));
}

} // namespace
} // namespace tavuro
