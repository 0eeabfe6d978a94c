#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace tavuro {
namespace {

// Children of this process that have ended but were never waited for.
int CountZombieChildren() {
    int zombies = 0;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        std::ifstream stat(("/proc/" + entry + "/stat").toStdString());
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (name) state ppid ...: the name may hold blanks, so read after its ")".
        std::istringstream rest(line.substr(line.rfind(')') + 1));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        zombies += parent == getpid() && state == 'Z';
    }
    return zombies;
}

bool WaitForFile(const QString& path) {
    for (int i = 0; i < 200 && !QFile::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return QFile::exists(path);
}

// A small program in a folder whose name holds a blank, like a program folder may.
QString WriteScript(const QTemporaryDir& directory) {
    QDir(directory.path()).mkdir("my player");
    const QString script = directory.filePath("my player/writer");
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\nprintf '%s|' \"$@\" > \"$1.out\"\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

TEST(SpawnLauncherTest, Launch_PassesAQuotedPathWholeAndLeavesNoZombie) {
    QTemporaryDir directory;
    const QString script = WriteScript(directory);
    const QString target = directory.filePath("a song.mid");
    auto launcher = MakeSpawnLauncher();
    // Unquoted program path with a blank, as the player builds it from its own folder.
    ASSERT_TRUE(launcher->Launch((script + " \"" + target + "\"").toStdString()));
    ASSERT_TRUE(WaitForFile(target + ".out"));
    QFile out(target + ".out");
    for (int i = 0; i < 100 && out.size() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    out.open(QIODevice::ReadOnly);
    EXPECT_EQ(out.readAll().toStdString(), target.toStdString() + "|");

    int zombies = CountZombieChildren();
    for (int i = 0; i < 200 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        zombies = CountZombieChildren();
    }
    EXPECT_EQ(zombies, 0);
}

TEST(SpawnLauncherTest, Launch_FailsForAMissingProgramOrAnEmptyLine) {
    auto launcher = MakeSpawnLauncher();
    EXPECT_FALSE(launcher->Launch("/nonexistent/XGPlayer \"/tmp/a.mid\""));
    EXPECT_FALSE(launcher->Launch(""));
}

} // namespace
} // namespace tavuro
