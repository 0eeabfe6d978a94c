#include <QCoreApplication>
#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "shell/CaptionCollator.h"
#include "shell/PlaylistModel.h"

namespace tavuro {
namespace {

class Playlist : public ShellFixture {};

TEST_F(Playlist, StartsWithTheEmptyListDisplay) {
    auto& form = Make();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"", "", " !Tavuro  Norvale"}));
    EXPECT_EQ(form.Playlist->Entry(2).SubItems[2], "制作 ");
    EXPECT_FALSE(form.sbAbout->isHidden());
    EXPECT_TRUE(form.sbPlay->isHidden());
    EXPECT_FALSE(form.MListPanel->isEnabled());
    EXPECT_EQ(form.RunMode, 1);
    EXPECT_EQ(form.ApplicationTitle(), "!Tavuro");
    form.DeleteSelected();
    EXPECT_EQ(form.Playlist->Count(), 3) << "the about rows are not entries";
}

TEST_F(Playlist, AddedFilesAreSortedByCaptionWithoutDuplicates) {
    auto& form = Make();
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{"/m/B.mp3", "/m/a.mp3"});
    form.OpenDialogFlow();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "B"}));
    EXPECT_TRUE(form.sbAbout->isHidden());
    EXPECT_FALSE(form.sbPlay->isHidden());
    EXPECT_EQ(form.LastOpenDir, "/m/");
    EXPECT_EQ(form.CurrentIndex, 1) << "the first chosen file is selected";
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/a.mp3\r\n/m/B.mp3\r\n");
    EXPECT_TRUE(form.Timer2->isActive());

    Dialogs.OpenAnswers.push_back(std::vector<std::string>{"/M/A.MP3", "/m/c.mp3"});
    form.OpenDialogFlow();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "B", "c"}));
    EXPECT_EQ(form.FindEntry("/m/b.MP3"), 1);
    EXPECT_EQ(form.FindEntry("/m/none.mp3"), -1);
}

TEST_F(Playlist, EqualCaptionsKeepTheirOrderOnLoadAndAdd) {
    // Enough equal captions that a sort without a tie-break would mix them, with a long common
    // beginning so the keys differ only past their first bytes.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        const std::string path = "/m/" + std::to_string(i * 7 % 40) + ".mp3";
        text += "#EXTINF:1,Same long caption" + std::string(i % 5 == 0 ? " A" : "") + "\n" + path +
                "\n";
        if (i % 5 != 0)
            expected.push_back(path);
    }
    Write("playlist.m3u", text);
    auto& form = Make();
    const auto paths = [&form](int count) {
        std::vector<std::string> result;
        for (int row = 0; row < count; ++row)
            result.push_back(form.Playlist->Entry(row).Path());
        return result;
    };
    EXPECT_EQ(paths(32), expected);
    form.AddFiles({"/x/Same long caption.ogg", "/y/Same long caption.ogg"});
    expected.push_back("/x/Same long caption.ogg");
    expected.push_back("/y/Same long caption.ogg");
    EXPECT_EQ(paths(34), expected);
}

TEST_F(Playlist, ANetworkAddressIsItsOwnCaption) {
    auto& form = Make();
    form.AddFiles({"http://radio.example.com/live"});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"http://radio.example.com/live"}));
}

TEST_F(Playlist, RenamingMovesTheRowAndNextPlaysIt) {
    Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n/m/c.mp3\n");
    Media.Durations = {{"/m/a.mp3", 10}, {"/m/b.mp3", 10}, {"/m/c.mp3", 10}};
    auto& form = Make();
    form.ClearSelection();
    form.SelectRow(0);
    form.PlaySelected();
    ASSERT_EQ(Media.FileName(), "/m/a.mp3");
    form.Playlist->setData(form.Playlist->index(0, 0), "z", Qt::EditRole);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"b", "c", "z"}));
    EXPECT_TRUE(form.PlaylistDirty);
    EXPECT_EQ(form.FirstSelected(), 2) << "the renamed row stays selected";
    EXPECT_EQ(form.CurrentIndex, 0);
    form.NextClick();
    EXPECT_EQ(Media.FileName(), "/m/a.mp3") << "the selected row differs, so it plays";
}

// The scroll to the playing row waits for the next turn of the event loop (the sound does not
// wait for the list's layout); a scroll asked for after it still has the last word.
TEST_F(Playlist, ThePlayingRowIsScrolledIntoViewAndALaterScrollWins) {
    std::string text;
    for (char letter = 'a'; letter <= 't'; ++letter)
        text += std::string("/m/") + letter + ".mp3\n";
    Write("playlist.m3u", text);
    auto& form = Make();
    const auto rowShown = [&form](int row) {
        return form.MIDIList->viewport()->rect().contains(
            form.MIDIList->visualRect(form.Playlist->index(row, 0)));
    };
    ASSERT_FALSE(rowShown(18));
    form.ClearSelection();
    form.SelectRow(18);
    form.PlaySelected();
    ASSERT_EQ(Media.FileName(), "/m/s.mp3");
    QCoreApplication::processEvents();
    EXPECT_TRUE(rowShown(18));

    form.ClearSelection();
    form.SelectRow(2);
    form.PlaySelected();
    form.ScrollIntoView(19);
    QCoreApplication::processEvents();
    EXPECT_TRUE(rowShown(19)) << "the later scroll is not undone by the playing row's";
}

TEST_F(Playlist, DeletingThePlayingEntryPlaysTheRowNowInItsPlace) {
    Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n/m/c.mp3\n");
    auto& form = Make();
    form.ClearSelection();
    form.SelectRow(1);
    form.PlaySelected();
    ASSERT_EQ(Media.FileName(), "/m/b.mp3");
    form.DeleteSelected();
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Media.FileName(), "/m/c.mp3");
    EXPECT_EQ(form.CurrentIndex, 1);
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/a.mp3\r\n#EXTINF:0,c\r\n/m/c.mp3\r\n");

    form.ClearSelection();
    form.SelectRow(1);
    form.DeleteSelected();
    EXPECT_EQ(Media.FileName(), "/m/a.mp3") << "deleted at the end: the last row plays";
}

TEST_F(Playlist, DeletingAnotherEntryKeepsPlaying) {
    Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n/m/c.mp3\n");
    auto& form = Make();
    form.ClearSelection();
    form.SelectRow(2);
    form.PlaySelected();
    form.ClearSelection();
    form.SelectRow(0);
    const std::size_t opened = Media.Opened.size();
    form.DeleteSelected();
    EXPECT_EQ(Media.Opened.size(), opened);
    EXPECT_EQ(form.CurrentIndex, 1);
    EXPECT_EQ(form.Playlist->Entry(form.CurrentIndex).Path(), "/m/c.mp3");
}

TEST_F(Playlist, DeletingAnyRowsWhileTheEnginePlaysRestartsThere) {
    Write("libbass.so", "");
    Write("playlist.m3u", "/m/a.ogg\n/m/b.ogg\n/m/c.ogg\n");
    auto& form = Make();
    ASSERT_NE(Engine, nullptr);
    form.ClearSelection();
    form.SelectRow(2);
    form.PlaySelected();
    ASSERT_EQ(Engine->Current, "/m/c.ogg");
    form.MListPanel->show(); // the spectrum layout shows the list on a double click
    form.ClearSelection();
    form.SelectRow(0);
    form.DeleteSelected();
    EXPECT_EQ(Engine->Current, "/m/b.ogg");
}

TEST_F(Playlist, DeletingTheOnlyRowEndsThePlaylist) {
    Write("playlist.m3u", "/m/only.mp3\n");
    Media.Durations["/m/only.mp3"] = 5;
    auto& form = Make();
    form.PlaySelected();
    form.ClearSelection();
    form.DeleteSelected();
    EXPECT_FALSE(Exists("playlist.m3u"));
    EXPECT_EQ(form.PlaylistFile, "");
    EXPECT_FALSE(form.sbStop->isEnabled());
    EXPECT_FALSE(form.sbAbout->isHidden());
    EXPECT_EQ(Media.FileName(), "");
    EXPECT_EQ(form.ApplicationTitle(), "!Tavuro");
}

TEST_F(Playlist, TheListHeightFollowsTheRows) {
    auto& form = Make();
    std::vector<std::string> files;
    for (char c = 'a'; c < 'a' + 5; ++c)
        files.push_back(std::string("/m/") + c + ".mp3");
    form.AddFiles(files);
    form.FitListHeight();
    EXPECT_EQ(form.MListPanel->height(), 72);
    EXPECT_EQ(form.height(), 108);
    EXPECT_FALSE(form.lbResize->isEnabled());
    form.AddFiles({"/m/f.mp3"});
    EXPECT_TRUE(form.lbResize->isEnabled()) << "six rows need 85 pixels";
    form.resize(195, 400);
    form.FitListHeight();
    EXPECT_EQ(form.MListPanel->height(), 6 * 13 + 7);
    EXPECT_EQ(form.height(), 6 * 13 + 7 + 36);
    EXPECT_TRUE(form.GeometryChanged);
}

TEST_F(Playlist, AnOutsidePlaylistIsCopiedUnderASecondName) {
    QTemporaryDir elsewhere;
    const std::string rock = elsewhere.path().toStdString() + "/rock.m3u";
    std::ofstream(rock) << "#EXTM3U Random\n/m/x.mp3\n";
    Write("rock.m3u", "#EXTM3U\n/m/other.mp3\n");
    auto& form = Make();
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{rock});
    form.OpenDialogFlow();
    EXPECT_EQ(form.PlaylistFile, AppDir + "rock2.m3u");
    EXPECT_EQ(Read("rock2.m3u"), "#EXTM3U Random\r\n/m/x.mp3\r\n");
    EXPECT_FALSE(form.sbRandom->isHidden());
}

TEST_F(Playlist, AnEmptyPlaylistInTheProgramFolderIsReportedAndDeleted) {
    Write("playlist.m3u", "#EXTM3U Random\r\n");
    auto& form = Make();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "该文件不包含任何媒体信息,即将删除之!");
    EXPECT_EQ(Dialogs.Messages[0].Title, AppDir + "playlist.m3u");
    EXPECT_FALSE(Exists("playlist.m3u"));
    EXPECT_FALSE(form.sbAbout->isHidden());

    QTemporaryDir elsewhere;
    const std::string empty = elsewhere.path().toStdString() + "/empty.m3u";
    std::ofstream(empty) << "# nothing\n";
    Dialogs.OpenAnswers.push_back(std::vector<std::string>{empty});
    form.Timer2->start();
    form.OpenDialogFlow();
    EXPECT_EQ(Dialogs.Messages.back().Text, "该文件不包含任何媒体信息!");
    EXPECT_TRUE(std::ifstream(empty).good());
    EXPECT_FALSE(form.Timer2->isActive()) << "the flow was abandoned";
}

TEST_F(Playlist, DuplicatesInAFileAreWrittenOutAtTheNextSave) {
    Write("playlist.m3u", "#EXTM3U\r\n/m/b.mp3\r\n/m/a.mp3\r\n/M/B.MP3\r\n");
    auto& form = Make();
    EXPECT_TRUE(form.PlaylistDirty);
    form.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/a.mp3\r\n/m/b.mp3\r\n");
}

TEST_F(Playlist, TogglingRandomOnlyRewritesTheHeader) {
    Write("playlist.m3u", "/m/b.mp3\r\n# kept\r\n/m/a.mp3\r\n");
    auto& form = Make();
    form.OrderClick();
    form.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U Random\r\n/m/b.mp3\r\n# kept\r\n/m/a.mp3\r\n");
}

TEST_F(Playlist, TheMidiSwitchNeedsThePlayerAndAMidiEntry) {
    Write("playlist.m3u", "#EXTM3U VisMIDI\n/m/a.mp3\n");
    auto& form = Make();
    EXPECT_FALSE(form.sbLevel->isHidden());
    EXPECT_FALSE(form.sbLevel->isEnabled());
    EXPECT_FALSE(form.bgLabel3->isHidden());

    Write("XGPlayer", "");
    Write("playlist.m3u", "#EXTM3U\n/m/a.mp3\n/m/song.mid\n");
    Registry->WriteString(TRegistryRoot::rrCurrentUser, "Software\\YAMAHA\\XGPlayer", "Volume", "7",
                          true);
    auto& withPlayer = Make();
    EXPECT_TRUE(withPlayer.sbNormal->isEnabled());
    EXPECT_TRUE(withPlayer.bgLabel3->isHidden());
    withPlayer.NormalClick();
    EXPECT_FALSE(withPlayer.sbLevel->isHidden());
    EXPECT_TRUE(Registry->KeyExists(TRegistryRoot::rrCurrentUser, "Software\\YAMAHA\\XGPlayer~"));
    withPlayer.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U VisMIDI\r\n/m/a.mp3\r\n/m/song.mid\r\n");
    EXPECT_EQ(
        Registry->ReadString(TRegistryRoot::rrCurrentUser, "Software\\YAMAHA\\XGPlayer", "Volume"),
        "7");
    EXPECT_FALSE(Registry->KeyExists(TRegistryRoot::rrCurrentUser, "Software\\YAMAHA\\XGPlayer~"));
}

TEST(PlaylistModel, OrderHoldsThroughDeletesRenamesAndAdds) {
    // Enough rows that deleting most of them and renaming one rewrites the keys' buffer.
    TPlaylistModel model;
    std::vector<TPlaylistEntry> entries;
    for (int i = 1999; i >= 0; --i)
        entries.push_back(
            {"Caption number " + std::to_string(10000 + i), {"/m/" + std::to_string(i)}});
    model.Assign(std::move(entries));
    std::vector<int> doomed;
    for (int row = 0; row < model.Count(); ++row)
        if (row % 4 != 0)
            doomed.push_back(row);
    model.Remove(doomed);
    ASSERT_EQ(model.Count(), 500);
    EXPECT_EQ(model.SetCaption(0, "Caption number 99999"), 499);
    model.AddMany({{"Caption number 10001", {"/n/1"}}, {"A first", {"/n/2"}}});
    EXPECT_EQ(model.Add({"Caption number 10005", {"/n/3"}}), 3);
    const std::vector<std::string> expectedStart = {"A first", "Caption number 10001",
                                                    "Caption number 10004", "Caption number 10005"};
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(model.Entry(row).Caption, expectedStart[row]) << row;
    EXPECT_EQ(model.Entry(model.Count() - 1).Caption, "Caption number 99999");
    for (int row = 1; row < model.Count(); ++row)
        ASSERT_LT(model.Entry(row - 1).Caption, model.Entry(row).Caption) << row;
    EXPECT_EQ(model.FindEntry("/M/1996"), model.Count() - 2);
}

TEST(PlaylistModel, ALongListIsInCaptionOrderWithEachCaptionBesideItsPath) {
    // Long enough that two threads make the sort keys, for loading and for adding alike.
    const std::vector<std::string> words = {"alpha", "Beta", "gamma", "Delta", "émile", "Zeta"};
    auto entriesFrom = [&words](int first, int count) {
        std::vector<TPlaylistEntry> entries;
        for (int i = first; i < first + count; ++i) {
            // Every caption three times, so equal captions must keep their file order.
            const std::string caption =
                words[(i / 3) % words.size()] + " " + std::to_string((i / 3 * 7919) % 5000);
            entries.push_back({caption, {"/m/" + std::to_string(100000 + i) + "/" + caption}});
        }
        return entries;
    };
    TPlaylistModel model;
    const TCaptionCollator collator;
    auto expectOrdered = [&model, &collator] {
        std::string previousKey;
        for (int row = 0; row < model.Count(); ++row) {
            const TPlaylistEntry& entry = model.Entry(row);
            ASSERT_EQ(entry.Path().substr(entry.Path().find('/', 3) + 1), entry.Caption) << row;
            std::string key;
            collator.AppendSortKey(entry.Caption, key);
            ASSERT_LE(previousKey, key) << row;
            if (row > 0 && key == previousKey) {
                ASSERT_LT(model.Entry(row - 1).Path(), entry.Path())
                    << "file order kept at " << row;
            }
            previousKey = key;
        }
    };
    model.Assign(entriesFrom(0, 9000));
    ASSERT_EQ(model.Count(), 9000);
    expectOrdered();
    model.AddMany(entriesFrom(9000, 6000));
    ASSERT_EQ(model.Count(), 15000);
    expectOrdered();
    EXPECT_EQ(model.FindEntry(model.Entry(7).Path()), 7);
}

} // namespace
} // namespace tavuro
