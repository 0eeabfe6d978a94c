// The real program ended from outside while it holds unsaved changes: a playlist due for a
// rewrite (it lists a path twice) and the external MIDI player's registry key set aside. A
// termination signal and a broken X connection must both leave the playlist saved and the key
// restored, and no external player behind.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

const QString Program = QStringLiteral(TAVURO_PROGRAM_DIR "/tavuro");

std::string ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 15000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// One minute of a single note at 120 beats per minute.
const char LongSong[] = "MThd\0\0\0\6\0\0\0\1\0\x60"
                        "MTrk\0\0\0\x10\0\xc0\0\0\x90\x3c\x64\xda\0\x80\x3c\x40\0\xff\x2f\0";

// The process ids whose command line names the given text.
std::vector<int> ProcessesNaming(const std::string& text) {
    std::vector<int> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const int pid = entry.toInt(&number);
        if (number && ReadFile("/proc/" + entry + "/cmdline").find(text) != std::string::npos)
            found.push_back(pid);
    }
    return found;
}

class SessionEnd : public testing::Test {
protected:
    QTemporaryDir Work;
    QString Registry = Work.filePath("registry"), Playlist = Work.filePath("list.m3u");
    QProcess Player;

    // The store holds the external player's own key; a VisMIDI playlist sets it aside at start.
    void SetUp() override {
        QDir().mkpath(Registry);
        std::ofstream(Registry.toStdString() + "/HKEY_CURRENT_USER.ini")
            << "[Software%5CYAMAHA%5CXGPlayer]\nVolume=50\n";
    }

    // others: so many more entries that saving takes a while.
    void WritePlaylist(const std::string& song, int others = 0) {
        std::ofstream file(Playlist.toStdString(), std::ios::binary);
        file << "#EXTM3U VisMIDI\r\n" << song << "\r\n" << song << "\r\n";
        for (int i = 0; i < others; ++i)
            file << "/music/" << i << "/an entry of some length " << i << ".mp3\r\n";
    }

    void Start(const QString& display) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVURO_REGISTRY_DIR", Registry);
        environment.insert("TAVURO_INSTANCE_DIR", Work.path());
        environment.insert("TAVURO_NULL_OUTPUT", "1");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DISPLAY", display);
        Player.setProcessEnvironment(environment);
        Player.start(Program, {Playlist});
        ASSERT_TRUE(Player.waitForStarted(5000));
        ASSERT_TRUE(WaitUntil([this] { return Store().find("XGPlayer%7E") != std::string::npos; }))
            << "the player set the key aside: " << Store();
    }

    std::string Store() const { return ReadFile(Registry + "/HKEY_CURRENT_USER.ini"); }

    // entry: the song's lines as the rewritten playlist holds them.
    void ExpectEverythingSaved(const std::string& entry) {
        ASSERT_TRUE(Player.waitForFinished(15000)) << "the player ends";
        EXPECT_EQ(ReadFile(Playlist), "#EXTM3U VisMIDI\r\n" + entry + "\r\n")
            << "the playlist is rewritten without the duplicate";
        EXPECT_EQ(Store().find("XGPlayer%7E"), std::string::npos) << Store();
        EXPECT_NE(Store().find("[Software%5CYAMAHA%5CXGPlayer]\n"), std::string::npos) << Store();
        EXPECT_NE(Store().find("Volume=50"), std::string::npos) << Store();
    }
};

class Signals : public SessionEnd, public testing::WithParamInterface<int> {};

// The song cannot be played, so the player waits in its error box when the signal comes.
TEST_P(Signals, RunTheCloseQueryThenEnd) {
    const std::string song = Work.filePath("missing.mid").toStdString();
    WritePlaylist(song);
    Start(qEnvironmentVariable("DISPLAY"));
    kill(static_cast<pid_t>(Player.processId()), GetParam());
    ExpectEverythingSaved(song);
    EXPECT_EQ(Player.exitStatus(), QProcess::NormalExit) << "not killed by the signal";
}

INSTANTIATE_TEST_SUITE_P(TermIntHup, Signals, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

struct TTwoSignals {
    int Signal;
    int MillisecondsBetween;
};
void PrintTo(const TTwoSignals& twice, std::ostream* out) {
    *out << sigabbrev_np(twice.Signal) << " " << twice.MillisecondsBetween << " ms";
}

class TwoSignals : public SessionEnd, public testing::WithParamInterface<TTwoSignals> {};

// A terminal that closes, or timeout, signals twice: the second signal must not cut the close
// short and lose what it saves, here a long list.
TEST_P(TwoSignals, CloseTogetherStillSaveEverything) {
    constexpr int Others = 200000;
    const std::string song = Work.filePath("missing.mid").toStdString();
    WritePlaylist(song, Others);
    Start(qEnvironmentVariable("DISPLAY"));
    // The player waits in the error box of the entry it drew (none of them exists).
    ASSERT_TRUE(WaitUntil([] {
        return QProcess::execute(
                   "xdotool", {"search", "--name", "^(missing|an entry of some length .*)$"}) == 0;
    }));
    const auto pid = static_cast<pid_t>(Player.processId());
    kill(pid, GetParam().Signal);
    QThread::msleep(GetParam().MillisecondsBetween);
    kill(pid, GetParam().Signal);
    ASSERT_TRUE(Player.waitForFinished(30000)) << "the player ends";
    EXPECT_EQ(Player.exitStatus(), QProcess::NormalExit) << "not killed by the second signal";
    const std::string saved = ReadFile(Playlist);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), Others + 2)
        << "the list rewritten whole, without the duplicate";
    EXPECT_EQ(Store().find("XGPlayer%7E"), std::string::npos) << Store();
    EXPECT_TRUE(QDir(Work.path()).entryList({"*.new-*"}).isEmpty()) << "no new file left";
}

INSTANTIATE_TEST_SUITE_P(Pairs, TwoSignals,
                         testing::Values(TTwoSignals{SIGTERM, 5}, TTwoSignals{SIGTERM, 50},
                                         TTwoSignals{SIGHUP, 0}),
                         [](const testing::TestParamInfo<TTwoSignals>& info) {
                             return std::string(sigabbrev_np(info.param.Signal)) +
                                    std::to_string(info.param.MillisecondsBetween) + "ms";
                         });

TEST_F(SessionEnd, ASignalClosesTheExternalPlayerToo) {
    const std::string song = Work.filePath("long.mid").toStdString();
    std::ofstream(song, std::ios::binary).write(LongSong, sizeof LongSong - 1);
    WritePlaylist(song);
    Start(qEnvironmentVariable("DISPLAY"));
    // Its window shows: the player finds the external one by its window's title.
    ASSERT_TRUE(WaitUntil([&] {
        return QProcess::execute("xdotool", {"search", "--name", "^XGPlayer - long.mid$"}) == 0;
    })) << "the external player plays the song";
    ASSERT_FALSE(ProcessesNaming(song).empty());
    kill(static_cast<pid_t>(Player.processId()), SIGTERM);
    ExpectEverythingSaved("#EXTINF:60,long\r\n" + song);
    EXPECT_TRUE(WaitUntil([&] { return ProcessesNaming(song).empty(); }, 5000))
        << "no external player is left behind";
}

TEST_F(SessionEnd, ABrokenXConnectionSavesWhatItCanWithoutX) {
    const QString display = ":" + QString::number(90 + getpid() % 400);
    QProcess server;
    server.start("Xvfb", {display, "-nolisten", "tcp", "-screen", "0", "640x480x24"});
    ASSERT_TRUE(server.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists("/tmp/.X11-unix/X" + display.mid(1)); }));
    const std::string song = Work.filePath("missing.mid").toStdString();
    WritePlaylist(song);
    Start(display);
    server.terminate();
    server.waitForFinished(5000);
    ExpectEverythingSaved(song);
    EXPECT_NE(Player.readAllStandardError().indexOf("The X11 connection broke"), -1);
}

} // namespace
