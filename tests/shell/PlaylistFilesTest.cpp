// The playlist's files as a user and a hostile environment meet them: special files, failed saves,
// other encodings, relative paths and the user's own playlist after its last entry went.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "../support/EndedProcess.h"
#include "ShellFixture.h"
#include "shell/M3U.h"
#include "shell/PlaylistRead.h"
#include "shell/TextFile.h"

namespace tavuro {
namespace {

// After a while opens the FIFO for writing again and again, so that whoever waits on it reads its
// end: a test of code that must never wait on a FIFO then fails instead of hanging.
class TFifoUnblocker {
public:
    explicit TFifoUnblocker(std::string path) : Path(std::move(path)), Worker([this] { Run(); }) {}
    ~TFifoUnblocker() {
        Stop = true;
        Worker.join();
    }
    bool Fired() const { return HadToFire; }

private:
    void Run() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!Stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (std::chrono::steady_clock::now() < deadline)
                continue;
            if (const int end = open(Path.c_str(), O_WRONLY | O_NONBLOCK); end >= 0) {
                HadToFire = true;
                close(end);
            }
        }
    }
    std::string Path;
    std::atomic<bool> Stop = false, HadToFire = false;
    std::thread Worker;
};

// Files of at most a few bytes can be written while it lives: a full disk, for root as well.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &Saved);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &Saved);
        std::signal(SIGXFSZ, OldHandler);
    }

private:
    rlimit Saved{};
    void (*OldHandler)(int) = nullptr;
};

class PlaylistFiles : public ShellFixture {
protected:
    QTemporaryDir Elsewhere; // a folder of the user's, not the program's
    std::string Outside(const std::string& name) const {
        return Elsewhere.path().toStdString() + "/" + name;
    }
    void WriteOutside(const std::string& name, const std::string& content) const {
        std::ofstream(Outside(name), std::ios::binary) << content;
    }
    std::string ReadOutside(const std::string& name) const {
        std::ifstream in(Outside(name), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

struct TSpecialFile {
    const char* Name;
    std::function<void(const std::string& path)> Make;
    const char* Reason; // what the playlist message says after the path
};
void PrintTo(const TSpecialFile& file, std::ostream* out) {
    *out << file.Name;
}

const TSpecialFile SpecialFiles[] = {
    {"fifo", [](const std::string& path) { mkfifo(path.c_str(), 0600); }, "Not a regular file"},
    {"folder", [](const std::string& path) { mkdir(path.c_str(), 0700); }, "Is a directory"},
    // A link to a device node of the test's own (as root), so that a fault writing through the
    // link replaces no device of the system; without root, /dev/zero cannot be replaced anyway.
    {"device",
     [](const std::string& path) {
         const std::string node = path + ".zero";
         const bool own = mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
         symlink(own ? node.c_str() : "/dev/zero", path.c_str());
     },
     "Not a regular file"},
    {"oversized",
     [](const std::string& path) {
         std::ofstream(path) << "#EXTM3U\n";
         truncate(path.c_str(), static_cast<off_t>(MaxTextFileBytes) + 1); // sparse
     },
     "File too large"},
    {"binary",
     [](const std::string& path) {
         std::ofstream(path, std::ios::binary)
             << std::string("\x7F"
                            "ELF\x02\x01\x01\0\0\0\n/m/a.mp3\n\x01\0",
                            20);
     },
     "Not a text file"},
};

class SpecialPlaylist : public PlaylistFiles, public testing::WithParamInterface<TSpecialFile> {};

// What the file is, to tell whether it or what it links to was replaced: kinds, size and inodes.
std::tuple<mode_t, ino_t, mode_t, off_t, ino_t> Identity(const std::string& path) {
    struct stat link {};
    struct stat target {};
    lstat(path.c_str(), &link);
    stat(path.c_str(), &target);
    return {link.st_mode, link.st_ino, target.st_mode, target.st_size, target.st_ino};
}

TEST_P(SpecialPlaylist, IsRefusedAtOnceWithTheUsualMessageAndNeverWrittenOver) {
    const std::string path = Outside("list.m3u");
    GetParam().Make(path);
    const auto before = Identity(path);
    TFifoUnblocker unblocker(path);
    auto& form = Make({path});
    EXPECT_FALSE(unblocker.Fired()) << "the player waited on the FIFO";
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text,
              "无法打开文件 \"" + path + "\": " + std::string(GetParam().Reason));
    EXPECT_FALSE(form.sbAbout->isHidden()) << "the empty-list display";
    // The list made next goes beside the file, never over it.
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{"/m/b.mp3"});
    form.OpenDialogFlow();
    form.close();
    EXPECT_EQ(Identity(path), before);
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(form.PlaylistFile, Outside("list2.m3u"));
    EXPECT_EQ(ReadOutside("list2.m3u"), "#EXTM3U\r\n/m/b.mp3\r\n");
}

class SpecialEntry : public PlaylistFiles, public testing::WithParamInterface<TSpecialFile> {};

TEST_P(SpecialEntry, IsRefusedAtOnceBeforeAnyBackEndOpensIt) {
    Write("libbass.so", "");
    const std::string path = Outside("entry.mp3");
    GetParam().Make(path);
    Write("playlist.m3u", path + "\n");
    auto& form = Make();
    form.PlaySelected();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "格式不明或者路径有误,不能播放!");
    EXPECT_EQ(Dialogs.Messages[0].Title, "entry");
    EXPECT_TRUE(Media.Opened.empty());
    EXPECT_EQ(Engine->Current, "");
    EXPECT_FALSE(form.sbStop->isEnabled());
}

std::string SpecialFileName(const testing::TestParamInfo<TSpecialFile>& info) {
    return info.param.Name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialPlaylist, testing::ValuesIn(SpecialFiles), SpecialFileName);
// A big or binary media file is a regular file like any other: the last two are no entry cases.
INSTANTIATE_TEST_SUITE_P(Kinds, SpecialEntry,
                         testing::ValuesIn(std::begin(SpecialFiles), std::end(SpecialFiles) - 2),
                         SpecialFileName);

TEST_F(PlaylistFiles, AFullDiskKeepsTheOldPlaylistAndTheChangesAndSaysSo) {
    const std::string old = "#EXTM3U\r\n/m/a.mp3\r\n";
    Write("playlist.m3u", old);
    auto& form = Make();
    {
        TFileSizeLimit fullDisk(old.size());
        Dialogs.OpenAnswers.push_back(std::vector<std::string>{"/m/b.mp3"});
        form.OpenDialogFlow();
        form.close();
    }
    EXPECT_EQ(Read("playlist.m3u"), old);
    EXPECT_TRUE(form.PlaylistDirty);
    // After adding; at the close the settings (the dialog's new folder) and the list again.
    const std::string files[] = {"playlist.m3u", "playmode.ini", "playlist.m3u"};
    ASSERT_EQ(Dialogs.Messages.size(), std::size(files));
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const std::string said = "无法保存文件 \"" + AppDir + files[i] + "\": ";
        const auto& message = Dialogs.Messages[i];
        EXPECT_EQ(message.Text.rfind(said, 0), 0u) << message.Text;
        EXPECT_GT(message.Text.size(), said.size());
        EXPECT_EQ(message.Title, "!Tavuro");
    }
}

// The settings fail as the playlist does: said, and the old file kept (root writes a read-only
// file, so a full disk stands in for it).
TEST_F(PlaylistFiles, AFailedWriteOfTheSettingsIsSaid) {
    const std::string old = "/home/u\r\n1213152208\r\n900\r\n";
    Write("playmode.ini", old);
    auto& form = Make();
    form.ToggleStayOnTop(); // a rewrite is due at the close
    {
        TFileSizeLimit fullDisk(4);
        form.close();
    }
    EXPECT_EQ(Read("playmode.ini"), old);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.rfind("无法保存文件 \"" + AppDir + "playmode.ini\": ", 0),
              0u)
        << Dialogs.Messages[0].Text;
}

TEST_F(PlaylistFiles, AFolderThatTakesNoFileIsSaid) {
    Write("playlist.m3u", "/m/a.mp3\n");
    auto& form = Make();
    form.PlaylistFile = "/proc/tavuro-test.m3u"; // no file can be made there, not even by root
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{"/m/b.mp3"});
    form.OpenDialogFlow();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text.rfind("无法保存文件 \"/proc/tavuro-test.m3u\": ", 0), 0u)
        << Dialogs.Messages[0].Text;
    EXPECT_TRUE(form.PlaylistDirty);
}

struct TEncoding {
    const char* Name;
    std::function<std::string(const std::string& utf8)> Encode;
};
void PrintTo(const TEncoding& encoding, std::ostream* out) {
    *out << encoding.Name;
}

std::string Utf16(const std::string& utf8, bool bigEndian) {
    const std::u16string units = QString::fromStdString(utf8).toStdU16String();
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

const TEncoding Encodings[] = {
    {"Utf8", [](const std::string& text) { return text; }},
    {"Utf8WithMark", [](const std::string& text) { return "\xEF\xBB\xBF" + text; }},
    {"Utf16LittleEndian", [](const std::string& text) { return Utf16(text, false); }},
    {"Utf16BigEndian", [](const std::string& text) { return Utf16(text, true); }},
    {"Utf16LittleEndianWithoutMark",
     [](const std::string& text) { return Utf16(text, false).substr(2); }},
    {"Utf16BigEndianWithoutMark",
     [](const std::string& text) { return Utf16(text, true).substr(2); }},
};

class Encoding : public PlaylistFiles, public testing::WithParamInterface<TEncoding> {};

TEST_P(Encoding, PlaylistsAreReadWithTheirFlagsAndWrittenAsUtf8) {
    const std::string text = "#EXTM3U VisMIDI\r\n#EXTINF:215,Grüße 中文\r\n/m/ü.mp3\r\n";
    const TM3UContent content = ParseM3U(GetParam().Encode(text));
    EXPECT_TRUE(content.VisMidiFlag);
    ASSERT_EQ(content.Entries.size(), 1u);
    EXPECT_EQ(content.Entries[0].Caption, "Grüße 中文");
    EXPECT_EQ(content.Entries[0].SubItems, (std::vector<std::string>{"/m/ü.mp3", "215", "3:35"}));

    Write("playlist.m3u", GetParam().Encode(text));
    auto& form = Make();
    form.OrderClick(); // only the header changes
    form.close();
    // VisMIDI is kept only while the external player can take MIDI; this folder has none.
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U Random\r\n#EXTINF:215,Grüße 中文\r\n/m/ü.mp3\r\n");
}

TEST_P(Encoding, TheSettingsFileIsReadAndRewrittenAsUtf8) {
    Write("playmode.ini", GetParam().Encode("/home/ü/Musik\r\n1113152208\r\n100\r\n"));
    auto& form = Make();
    EXPECT_EQ(form.LastOpenDir, "/home/ü/Musik");
    EXPECT_EQ(form.Schedule.ScheduleCode, "1113152208");
    EXPECT_EQ(form.VisMode, 1);
    form.ToggleStayOnTop();
    form.close();
    EXPECT_EQ(Read("playmode.ini"), "/home/ü/Musik\r\n1113152208\r\n190\r\n");
}

INSTANTIATE_TEST_SUITE_P(Encodings, Encoding, testing::ValuesIn(Encodings),
                         [](const testing::TestParamInfo<TEncoding>& info) {
                             return std::string(info.param.Name);
                         });

// A playlist kept with its music (on a stick, in a synced folder) goes on working where the
// folder moves: its lines stay as written, and only a relative POSIX path is found beside it.
TEST(M3URelativePaths, LinesStayAsWrittenAndOnlyRelativePosixPathsResolve) {
    const struct {
        const char* Line;
        const char* Resolved;
    } cases[] = {
        {"song.mp3", "/lists/song.mp3"},
        {"sub/a.ogg", "/lists/sub/a.ogg"},
        {"./b.wav", "/lists/b.wav"},
        {"../c.mid", "/c.mid"},
        {"/music/d.mp3", "/music/d.mp3"},
        {"http://radio.example/e.mp3", "http://radio.example/e.mp3"},
        {"mms://radio.example/live", "mms://radio.example/live"},
        {"C:\\music\\a.mp3", "C:\\music\\a.mp3"},
        {"c:/music/a.mp3", "c:/music/a.mp3"},
        {"D:a.mp3", "D:a.mp3"},
        {"\\\\server\\share\\f.mp3", "\\\\server\\share\\f.mp3"},
        {"music\\g.mp3", "music\\g.mp3"},
    };
    for (const auto& c : cases) {
        const TM3UContent content = ParseM3U(std::string("#EXTM3U\n") + c.Line + "\n");
        ASSERT_EQ(content.Entries.size(), 1u) << c.Line;
        EXPECT_EQ(content.Entries[0].Path(), c.Line);
        EXPECT_EQ(ResolveEntryPath(c.Line, "/lists/"), c.Resolved);
        EXPECT_EQ(ResolveEntryPath(c.Line, ""), c.Line) << "no playlist: taken as given";
    }
}

TEST_F(PlaylistFiles, APlayedPlaylistKeepsItsLinesAsWritten) {
    const std::string text = "#EXTM3U\r\nsong.wav\r\n../up/c.wav\r\nC:\\music\\a.mp3\r\n";
    WriteOutside("list.m3u", text);
    const std::string song = Outside("song.wav");
    Media.Durations[song] = 3;
    auto& form = Make({Outside("list.m3u")}, true, SeedForFirstDraw(3, 2));
    ASSERT_EQ(form.Playlist->Entry(form.CurrentIndex).Path(), "song.wav");
    EXPECT_EQ(Media.FileName(), song) << "opened beside the playlist";
    form.close();
    EXPECT_EQ(ReadOutside("list.m3u"), "#EXTM3U\r\n../up/c.wav\r\nC:\\music\\a.mp3\r\n"
                                       "#EXTINF:3,song\r\nsong.wav\r\n");
}

TEST_F(PlaylistFiles, DeletingBesideARelativeEntryThatPlaysLeavesItPlaying) {
    WriteOutside("list.m3u", "#EXTM3U\r\na.wav\r\nb.wav\r\nc.wav\r\n");
    Media.Durations[Outside("b.wav")] = 30;
    auto& form = Make({Outside("list.m3u")}, true, SeedForFirstDraw(3, 1));
    ASSERT_EQ(Media.FileName(), Outside("b.wav"));
    form.ClearSelection();
    form.SelectRow(0);
    form.DeleteSelected();
    EXPECT_EQ(Media.Opened.size(), 1u) << "the playing entry was not started again";
    EXPECT_EQ(form.Playlist->Entry(form.CurrentIndex).Path(), "b.wav");
}

// A playlist opened from elsewhere is kept in the program folder: there its relative lines would
// name other files, so the copy names them whole.
TEST_F(PlaylistFiles, APlaylistCopiedIntoTheProgramFolderNamesItsEntriesWhole) {
    const std::string text = "#EXTM3U\r\nsong.wav\r\n/m/b.wav\r\n";
    WriteOutside("party.m3u", text);
    auto& form = Make();
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{Outside("party.m3u")});
    form.OpenDialogFlow();
    ASSERT_EQ(form.PlaylistFile, AppDir + "party.m3u");
    EXPECT_EQ(Read("party.m3u"), "#EXTM3U\r\n/m/b.wav\r\n" + Outside("song.wav") + "\r\n");
    EXPECT_EQ(ReadOutside("party.m3u"), text);
}

// A player killed while it saved left its new file beside the old one; the next start takes it
// away, unless its process still runs.
TEST_F(PlaylistFiles, TheStartRemovesTemporaryFilesOfKilledSaves) {
    const pid_t ended = testing_support::EndedProcessId();
    ASSERT_GT(ended, 0);
    const std::string dead = ".new-" + std::to_string(ended) + "-0";
    const std::string living = ".new-" + std::to_string(getpid()) + "-0";
    for (const std::string& name : {"playlist.m3u" + dead, "playmode.ini" + dead,
                                    "playlist.m3u" + living, "notes.txt" + dead})
        Write(name, std::string(100000, '#'));
    Make();
    EXPECT_FALSE(Exists("playlist.m3u" + dead));
    EXPECT_FALSE(Exists("playmode.ini" + dead));
    EXPECT_TRUE(Exists("playlist.m3u" + living));
    EXPECT_TRUE(Exists("notes.txt" + dead)) << "not the player's";
}

// A playlist of one line of a megabyte (a damaged or hostile file): what the window shows of it is
// cut, so that laying it out cannot freeze the window; the entry itself stays whole.
TEST_F(PlaylistFiles, AnOverlongLineIsCutForDisplayAndKeptWhole) {
    constexpr int Bound = 4096 + 32; // the cut text and what a title adds around it
    const std::string caption(1 << 20, 'x'), path = "/m/" + caption + ".mp3";
    Write("playlist.m3u", path + "\n");
    auto& form = Make();
    for (const int column : {TPlaylistModel::colCaption, TPlaylistModel::colPath})
        EXPECT_LE(form.Playlist->index(0, column).data().toString().toUtf8().size(), Bound);
    form.PlaySelected();
    EXPECT_LE(form.ApplicationTitle().size(), std::size_t{Bound});
    form.StopClick();
    Media.FailOnPlay = {path};
    form.PlaySelected();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_LE(Dialogs.Messages[0].Title.size(), std::size_t{Bound});
    form.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n#EXTINF:0," + caption + "\r\n" + path + "\r\n");
}

TEST_F(PlaylistFiles, AFileReadAheadGoesOnceAndOnlyToTheLoadOfThatFile) {
    Write("a.m3u", "#EXTM3U\r\n/music/one.mp3\r\n/music/two.mp3\r\n");
    TPlaylistReadAhead ahead;
    ahead.Start(AppDir + "a.m3u");
    EXPECT_FALSE(ahead.Take(AppDir + "b.m3u"));
    const std::optional<TPlaylistRead> read = ahead.Take(AppDir + "a.m3u");
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->Error);
    EXPECT_EQ(read->Content.Entries.size(), 2u);
    EXPECT_FALSE(ahead.Take(AppDir + "a.m3u")) << "a later load reads the file again";

    ahead.Start(AppDir + "missing.m3u");
    const std::optional<TPlaylistRead> missing = ahead.Take(AppDir + "missing.m3u");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->Error, "No such file or directory");
}

TEST_F(PlaylistFiles, AnEntryBesideItsPlaylistPlaysFromThere) {
    WriteOutside("party.m3u", "#EXTM3U\r\n#EXTINF:3,Song\r\nsong.mp3\r\n");
    Media.Durations[Outside("song.mp3")] = 3;
    auto& form = Make({Outside("party.m3u")});
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Media.FileName(), Outside("song.mp3"));
    EXPECT_TRUE(form.sbStop->isEnabled());
}

struct TPlaylistPlace {
    const char* Name;
    bool InProgramFolder;
};
void PrintTo(const TPlaylistPlace& place, std::ostream* out) {
    *out << place.Name;
}

class DeletingTheLastEntry : public PlaylistFiles,
                             public testing::WithParamInterface<TPlaylistPlace> {};

TEST_P(DeletingTheLastEntry, DeletesOnlyTheProgramsOwnPlaylistAndPlaysNothingAfter) {
    const std::string path =
        GetParam().InProgramFolder ? AppDir + "mine.m3u" : Outside("users.m3u");
    std::ofstream(path, std::ios::binary) << "#EXTM3U Random\r\n/m/only.mp3\r\n";
    Media.Durations["/m/only.mp3"] = 5;
    auto& form = Make({path});
    ASSERT_EQ(Media.FileName(), "/m/only.mp3");
    form.DeleteSelected();
    if (GetParam().InProgramFolder) {
        EXPECT_FALSE(std::ifstream(path).good());
    } else {
        EXPECT_EQ(ReadOutside("users.m3u"), "#EXTM3U Random\r\n") << "the empty playlist";
    }
    EXPECT_FALSE(form.sbAbout->isHidden()) << "the empty-list display";
    EXPECT_EQ(form.PlaylistFile, "");
    EXPECT_EQ(Media.FileName(), "");

    const std::size_t opened = Media.Opened.size();
    form.sbPlay->click();
    form.pmPlay->trigger();
    form.pmNext->trigger();
    form.PlayListDoubleClick();
    Clock.Set(11, 0, 0);
    form.Timer2Timer();
    EXPECT_EQ(Media.Opened.size(), opened) << "nothing plays the deleted entry";
    EXPECT_FALSE(form.sbStop->isEnabled());
    form.close();
    if (!GetParam().InProgramFolder) {
        EXPECT_EQ(ReadOutside("users.m3u"), "#EXTM3U Random\r\n");
    }
    EXPECT_FALSE(Exists("playlist.m3u")) << "nothing is saved for the empty-list display";
}

INSTANTIATE_TEST_SUITE_P(Places, DeletingTheLastEntry,
                         testing::Values(TPlaylistPlace{"InTheProgramFolder", true},
                                         TPlaylistPlace{"ElsewhereGivenOnTheCommandLine", false}),
                         [](const testing::TestParamInfo<TPlaylistPlace>& info) {
                             return std::string(info.param.Name);
                         });
// A .pls file, from the command line, the open dialog or a second start, is read as a playlist:
// its relative entries play from its folder; the player keeps the list as an M3U file of that
// name in its own folder and never writes the .pls.
TEST_F(PlaylistFiles, APlsFileFromTheCommandLinePlaysAndIsKeptAsAnM3uCopy) {
    const std::string pls = "[playlist]\nFile1=song.wav\nTitle1=Song\nLength1=3\n";
    WriteOutside("radio.pls", pls);
    Media.Durations[Outside("song.wav")] = 3;
    auto& form = Make({Outside("radio.pls")});
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(Media.FileName(), Outside("song.wav"));
    EXPECT_EQ(form.PlaylistFile, AppDir + "radio.m3u");
    form.close();
    EXPECT_EQ(ReadOutside("radio.pls"), pls);
    EXPECT_EQ(Read("radio.m3u"), "#EXTM3U\r\n#EXTINF:3,Song\r\n" + Outside("song.wav") + "\r\n");
}

TEST_F(PlaylistFiles, APlsFileFromTheDialogOrASecondStartTakesAFreeM3uName) {
    const std::string pls = "[playlist]\r\nFile1=http://radio.example/live\r\nTitle1=Radio\r\n";
    Write("radio.pls", pls);
    Write("radio.m3u", "#EXTM3U\r\n/m/mine.mp3\r\n");
    auto& form = Make();
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{AppDir + "radio.pls"});
    form.OpenDialogFlow();
    for (const TFileFilter& filter : Dialogs.LastFilters) {
        if (filter.Patterns.find("*.m3u") != std::string::npos) {
            EXPECT_NE(filter.Patterns.find("*.m3u;*.pls"), std::string::npos) << filter.Patterns;
        }
    }
    ASSERT_EQ(form.PlaylistFile, AppDir + "radio2.m3u");
    EXPECT_EQ(form.Playlist->Entry(0).Caption, "Radio");
    EXPECT_EQ(Read("radio2.m3u"), "#EXTM3U\r\n#EXTINF:0,Radio\r\nhttp://radio.example/live\r\n");
    EXPECT_EQ(Read("radio.pls"), pls);
    EXPECT_EQ(Read("radio.m3u"), "#EXTM3U\r\n/m/mine.mp3\r\n");

    WriteOutside("other.pls", "[playlist]\nFile1=/m/a.wav\nFile2=/m/b.wav\n");
    form.OpenAndPlay(Outside("other.pls"));
    EXPECT_EQ(form.PlaylistFile, AppDir + "other.m3u");
    EXPECT_EQ(form.Playlist->Count(), 2);
    EXPECT_TRUE(form.sbStop->isEnabled());
}

// A .pls without entries is said, and kept even in the program folder; nothing is written for it.
TEST_F(PlaylistFiles, AnEmptyPlsFileIsSaidAndKept) {
    Write("empty.pls", "[playlist]\nNumberOfEntries=0\n");
    auto& form = Make({AppDir + "empty.pls"});
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "该文件不包含任何媒体信息!");
    EXPECT_TRUE(Exists("empty.pls"));
    form.AddFiles({"/m/a.mp3"});
    form.SavePlaylist();
    form.close();
    EXPECT_EQ(Read("empty.pls"), "[playlist]\nNumberOfEntries=0\n");
    EXPECT_FALSE(Exists("empty2.pls"));
}

} // namespace
} // namespace tavuro
