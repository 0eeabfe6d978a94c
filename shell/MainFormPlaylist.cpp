// The playlist: the open dialog, adding and deleting entries, the list height, M3U loading and
// saving, and the MIDI switch's availability.
#include <QFile>

#include <unordered_set>

#include "common/Text.h"
#include "platform/Translations.h"
#include "shell/M3U.h"
#include "shell/Main.h"
#include "shell/MediaFormats.h"
#include "shell/Pls.h"
#include "shell/TextFile.h"

namespace tavuro {

namespace {
// The folder part of a path, with its trailing "/".
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    return path.substr(FolderOf(path).size());
}
} // namespace

void TMainForm::OpenDialogFlow() {
    if (StartingStream || MListPanel->isHidden())
        return;
    Timer2->stop();
    ModalShown = true;
    OpenChosenFiles(Services.Dialogs->RunOpenDialog(LastOpenDir, OpenDialogFilters()));
}

void TMainForm::OpenChosenFiles(const std::optional<std::vector<std::string>>& files) {
    if (!files || files->empty()) {
        SavePlaylistIfChanged();
    } else {
        if (RunMode == 2)
            RunMode = 1;
        const std::string& file = files->front();
        const std::string folder = FolderOf(file);
        // An address handed over by another program has no folder to remember.
        if (!IsNetworkAddress(file) && UpperAscii(folder) != UpperAscii(LastOpenDir)) {
            LastOpenDir = folder;
            StartVisMode = -1; // the new folder is written at exit
        }
        if (IsPlaylistPath(file)) {
            // Another playlist: Timer2 stays off until the next activation when nothing loads.
            if (file == PlaylistFile)
                return;
            SavePlaylistIfChanged();
            PlaylistFile = file;
            if (!LoadPlaylist(file))
                return;
            if (Playing()) {
                Timer1->stop();
                StopAll();
                if (!PlayCurrent())
                    return;
            } else {
                ScrollIntoView(FirstSelected());
            }
            if (!IsPlsPath(file) && UpperAscii(folder) != UpperAscii(AppDir)) {
                PlaylistFile = AppDir + FileNameOf(file);
                if (FileExists(PlaylistFile))
                    PlaylistFile = AppDir + EntryCaption(file) + "2" + ".m3u";
                PlaylistDirty = true;
            }
        } else {
            AddFiles(*files);
        }
        if (PlaylistDirty)
            SavePlaylist();
    }
    if (!sbPlay->isHidden() && RunMode == 1)
        RunMode = 0;
    Timer2->start();
}

void TMainForm::AddFiles(const std::vector<std::string>& files) {
    const bool aboutShown = !sbAbout->isHidden();
    if (aboutShown)
        Playlist->Clear();
    else
        ClearSelection();
    std::size_t first = 0;
    if (Playing())
        SelectRow(CurrentIndex);
    else if (RandomMode())
        first = static_cast<std::size_t>(Random.Below(static_cast<int>(files.size())));
    // New rows go in together, so adding many files costs one sort, not one per file.
    std::vector<TPlaylistEntry> added;
    std::unordered_set<std::string> addedPaths;
    std::string remembered;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        if (FindEntry(file) == -1 && addedPaths.insert(UpperAscii(file)).second) {
            added.push_back({EntryCaption(file), {file}});
            PlaylistDirty = true;
        }
        if (i == first)
            remembered = file;
    }
    Playlist->AddMany(std::move(added));
    const int rememberedRow = FindEntry(remembered);
    if (!Playing())
        SelectRow(rememberedRow);
    ScrollIntoView(rememberedRow);
    if (Playlist->Count() > (MListPanel->height() - 7) / 13) {
        SetTitleColumnWidth(TitleColumnMinWidth);
        lbResize->setEnabled(true);
    }
    if (aboutShown)
        LeaveEmptyListDisplay();
    if (!sbNormal->isEnabled())
        SetXGAvailability();
    CurrentIndex = FirstSelected();
}

void TMainForm::DeleteSelected() {
    if (!sbAbout->isHidden() || MListPanel->isHidden())
        return;
    int k = 0;
    if (Playlist->Count() == 1) {
        Playlist->Remove({0});
    } else {
        const std::vector<int> selected = SelectedRows();
        if (selected.empty())
            return;
        MIDIList->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        k = selected.front();
        Playlist->Remove(selected);
    }
    if (Playlist->Count() > 0) {
        FitListHeight();
        const int found = FindOpenedEntry(Player->FileName());
        if (found >= 0) {
            CurrentIndex = found;
        } else {
            if (k == Playlist->Count())
                --k;
            CurrentIndex = k;
            if (Playing()) {
                Timer1->stop();
                StopAll();
                if (!PlayCurrent())
                    return;
            }
        }
        SelectRow(CurrentIndex);
        if (sbNormal->isEnabled())
            SetXGAvailability();
        PlaylistDirty = true;
        SavePlaylist();
        return;
    }
    const std::string header = M3UHeader(RandomMode(), VisMidiOn());
    if (Playing()) {
        Timer1->stop();
        StopAll();
        ShowIdleState();
    }
    ShowEmptyListDisplay();
    DiscardPlaylistFile(header);
    PlaylistFile.clear();
    PlaylistDirty = false;
}

void TMainForm::FitListHeight() {
    constexpr int RowHeight = 13, Frame = 7, Above = 36, Least = 72;
    int available = VideoLayoutShown() ? MListPanel->height() : height() - Above;
    if (available < Least) {
        available = Least;
        GeometryChanged = true;
    }
    const int limit = !VisPanel->isHidden() ? width() * 4 / 3 : WorkAreaBottom();
    if (limit - Above < available) {
        available = limit - Above;
        GeometryChanged = true;
    }
    const int need = std::max(Playlist->Count() * RowHeight + Frame, Least);
    if (need <= available) {
        if (available >= Least + 1 && need < available) {
            available = need;
            GeometryChanged = true;
        }
        SetTitleColumnWidth(TitleColumnMaxWidth);
    } else {
        SetTitleColumnWidth(TitleColumnMinWidth);
    }
    SetListPanelHeight(available);
    if (!VideoLayoutShown())
        FitWindowToList();
    MIDIList->resize(MIDIList->width(), available - 1);
    VisPanel->resize(VisPanel->width(), available + 33);
    ScrollIntoView(FirstSelected());
    lbResize->setEnabled(need >= Least + 1);
}

void TMainForm::SetListPanelHeight(int height) {
    MListPanel->resize(MListPanel->width(), height);
    pnBottom->move(0, height - pnBottom->height());
}

void TMainForm::PlayListDoubleClick() {
    if (!StartingStream && FirstSelected() >= 0)
        PlaySelected();
}

bool TMainForm::LoadPlaylist(std::string file) {
    Playlist->Clear();
    // Whatever the .pls holds, what the player saves of this list goes to its M3U copy.
    if (IsPlsPath(file))
        PlaylistFile = PlsCopyName(file);
    std::optional<TPlaylistRead> read = StartPlaylistRead.Take(file);
    if (!read)
        read = ReadPlaylistFile(file);
    if (read->Error) {
        // Nothing can be shown of an unreadable file: say so and show the empty list.
        UnreadPlaylist = file;
        ShowEmptyListDisplay();
        ShowMessage(Translate("TMainForm", "无法打开文件 \"%1\": %2")
                        .arg(QString::fromStdString(file), QString::fromStdString(*read->Error))
                        .toStdString(),
                    ApplicationTitle());
        return false;
    }
    TM3UContent& content = read->Content;
    if (content.HadDuplicates)
        PlaylistDirty = true;
    if (content.Entries.empty())
        return FailEmptyPlaylist(file);
    Playlist->Assign(std::move(content.Entries));
    PlaylistFolder = AbsoluteFolderOf(file);
    if (IsPlsPath(file))
        PlaylistDirty = true; // its copy is written
    CurrentIndex = Random.Below(Playlist->Count());
    SelectRow(CurrentIndex);
    if (!sbAbout->isHidden())
        LeaveEmptyListDisplay();
    PlaylistRandomFlag = content.RandomFlag;
    PlaylistVisMidiFlag = content.VisMidiFlag;
    sbRandom->setVisible(content.RandomFlag);
    sbOrder->setVisible(!content.RandomFlag);
    SetXGAvailability();
    sbLevel->setVisible(content.VisMidiFlag);
    sbNormal->setVisible(!content.VisMidiFlag);
    if (VisMidiOn())
        BackUpXGRegistry();
    FitListHeight();
    return true;
}

bool TMainForm::FailEmptyPlaylist(const std::string& file) {
    ShowEmptyListDisplay();
    RestoreAndBringToFront();
    // A .pls file is the user's own even in the data folder: the player never writes one.
    const bool inAppDir = InPlaylistFolder(file) && !IsPlsPath(file);
    ShowMessage(inAppDir ? TranslateUtf8("TMainForm", "该文件不包含任何媒体信息,即将删除之!")
                         : TranslateUtf8("TMainForm", "该文件不包含任何媒体信息!"),
                file);
    if (inAppDir)
        QFile::remove(QString::fromStdString(file));
    return false;
}

void TMainForm::SavePlaylist() {
    if (!sbAbout->isHidden() || RunMode == 2)
        return;
    AvoidUnreadPlaylist();
    const std::string header = M3UHeader(RandomMode(), VisMidiOn());
    std::string text;
    bool full = PlaylistDirty || !FileExists(PlaylistFile);
    if (!full) {
        const auto existing = ReadFileBytes(PlaylistFile);
        full = !existing;
        if (existing)
            text = UpdateM3UHeader(*existing, header);
    }
    if (full) {
        if (PlaylistFile.empty())
            PlaylistFile = AppDir + "playlist.m3u";
        // A copy kept in another folder names the entries found beside the original whole.
        const bool sameFolder = SameFolder(AbsoluteFolderOf(PlaylistFile), PlaylistFolder);
        text = ComposeM3U(
            header, static_cast<std::size_t>(Playlist->Count()),
            [this](std::size_t row) -> const TPlaylistEntry& {
                return Playlist->Entry(static_cast<int>(row));
            },
            sameFolder ? std::string() : PlaylistFolder);
    }
    // The list stays due for a write until one succeeded.
    std::string error;
    if (!WriteFileReplacing(PlaylistFile, text, &error))
        ReportSaveFailure(PlaylistFile, error);
    else if (full)
        PlaylistDirty = false;
}

bool TMainForm::PlaylistFlagsDiffer() const {
    return RandomMode() != PlaylistRandomFlag;
}

void TMainForm::SavePlaylistIfChanged() {
    if (PlaylistDirty || PlaylistFlagsDiffer())
        SavePlaylist();
}

void TMainForm::SetXGAvailability() {
    bool available = false;
    if (Exists("XGPlayer")) {
        const bool engine = EnginePresent(), wma = Exists("libbasswma.so");
        for (int row = 0; row < Playlist->Count() && !available; ++row)
            available = ClassifyMedia(Playlist->Entry(row).Path(), engine, wma).Class == mcMidi;
    }
    sbLevel->setEnabled(available);
    sbNormal->setEnabled(available);
    bgLabel3->setVisible(!available);
}

void TMainForm::LevelClick() {
    sbLevel->hide();
    sbNormal->show();
}

void TMainForm::NormalClick() {
    BackUpXGRegistry();
    sbNormal->hide();
    sbLevel->show();
}

} // namespace tavuro
