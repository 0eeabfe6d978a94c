#pragma once

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/MediaControl.h"
#include "desktop/VisBox.h"
#include "engine/EngineControl.h"
#include "platform/BlockedClose.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProcessLauncher.h"
#include "platform/Registry.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/WindowSystem.h"
#include "shell/MediaClass.h"
#include "shell/PlaylistModel.h"
#include "shell/PlaylistRead.h"
#include "shell/Random.h"
#include "shell/Schedule.h"
#include "shell/SpeedButton.h"
#include "shell/Transport.h"

class QMouseEvent;

namespace tavuro {

// The translation context of the window's texts.
inline constexpr const char* FormContext = "TMainForm";

// What the main window works through: the system and the back ends behind their seams.
struct TShellServices {
    TRegistry* Registry = nullptr;
    TClock* Clock = nullptr;
    TDialogs* Dialogs = nullptr; // null: Qt's message boxes and open dialog
    TProcessLauncher* Launcher = nullptr;
    TWindowSystem* WindowSystem = nullptr;        // null: no desktop to ask
    TScreenSaverInhibitor* ScreenSaver = nullptr; // null: no desktop screen saver to hold
    // Makes the media control inside the video panel. A widget made here belongs to the panel;
    // a test double outlives the window.
    std::function<TMediaControl*(QWidget* videoPanel)> CreateMediaControl;
    // Makes the audio engine at window show, when "libbass.so" lies in the program folder; its
    // messages go through the window's dialogs.
    std::function<std::unique_ptr<TEngineControl>(TDialogs& dialogs)> CreateEngine;
    // The folder of the files the player keeps (settings, playlists), with a trailing "/": the
    // program folder, or the user's data folder when the program folder is not writable.
    std::string AppDir;
    std::string ProgramDir; // the libraries and XGPlayer, with a trailing "/"; empty: AppDir
    std::vector<std::string> Arguments;      // the command line without the program
    std::optional<std::uint32_t> RandomSeed; // default: the time of day in milliseconds
};

// A label that reports mouse clicks by position (the progress bar, the resize strip).
class TClickLabel : public QLabel {
public:
    TClickLabel(QWidget* parent, const char* name);
    std::function<void(int x)> OnLeftUp;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TCaptionDelegate;

// The player's one window: start-up and shutdown, settings and schedule, the playlist and its
// M3U files, the dispatch of entries to the back ends, the transport and the titles.
// Widgets carry their design names, and the shell's state is kept in the fields below.
class TMainForm : public QWidget {
public:
    explicit TMainForm(TShellServices services);
    ~TMainForm() override;

    // False when "/AUTO" met a schedule that forbids playing now: the window is never shown.
    bool ShouldRun() const { return RunAllowed; }
    // True once the close query ran (the program is ending).
    bool Closed() const { return HasClosed; }

    // The end of the session. EndSession runs the close query and ends the event loop (a
    // termination signal, the session manager's quit). SaveForSessionEnd writes the settings and
    // the playlist when they changed, restores the external player's registry key, and goes on
    // running (the session manager asks before it ends the session, and may kill it then).
    // SaveWithoutDisplay does what the close query can do without the display (the connection to it
    // broke): it restores the external player's registry key and the screen saver value and writes
    // the settings and the playlist. While the session ends, failures are told on standard error
    // rather than in a message box nobody may answer.
    void EndSession();
    void SaveForSessionEnd();
    void SaveWithoutDisplay();
    // The audio engine while the program folder holds the audio library, else null.
    TEngineControl* EngineControl() const { return Engine.get(); }

    // Shell state.
    std::string AppDir, PlaylistFile, LastOpenDir;
    std::string PlaylistFolder; // of the file the rows were read from, with a trailing "/"
    TSchedule Schedule;
    int RunMode = 0; // 0 normal, 1 auto, 2 a single file from the command line
    bool IsNTPlatform = false, ScreenSaverWasActive = false, ScreenSaverSuspended = false;
    bool StayOnTop = false, Transparent = false;
    int VisMode = 9, VisStyle = 1;
    bool UnknownLength = false, GeometryChanged = false, WindowCentred = true;
    bool StartStayOnTop = false, StartTransparent = false;
    int StartVisMode = 9;
    int CurrentIndex = 0;
    bool PlaylistDirty = false, PlaylistRandomFlag = false, PlaylistVisMidiFlag = false;
    TMediaClass MediaClass = mcControl;
    bool IsUrl = false, IsWindowsMediaFormat = false, StartingStream = false;
    bool ActivatedOnce = false;
    bool HourCheckPutOff = false; // the top of the hour came while an address connected
    bool DragArmed = true; // a double click disarms; the next move with the button down re-arms
    TRandom Random;

    // Components.
    QWidget* Panel1;
    TSpeedButton *sbPlay, *sbNext, *sbAbout, *sbStop, *sbLevel, *sbNormal, *sbOrder, *sbRandom,
        *sbAdd, *sbMin, *sbPower, *sbNext2, *sbStop2, *sbPower2, *sbNext3, *sbStop3, *sbPower3;
    QLabel *bgLabel1, *bgLabel2, *bgLabel3, *bgLabel4, *bgLabel5, *Label3, *Label4, *Label5;
    TGauge *Gauge1, *Gauge2;
    TClickLabel* lbProgress;
    QWidget* MListPanel;
    QTreeView* MIDIList;
    TPlaylistModel* Playlist;
    QWidget* pnBottom;
    TClickLabel* lbResize;
    QWidget *VisPanel, *pnTitle, *pnResize, *VdoPanel;
    TVisBox* VisBox;
    TSpectrumDisplay Spectrum; // its four bitmaps are made once, with the window
    QLabel *lbTitle, *lbTime;
    QTimer *Timer1, *Timer2;
    QAction *pmDel, *pmTransp, *pmAdd, *pmPlay, *pmNext;
    TMediaControl* Player = nullptr;
    // What plays and whether it is idle, playing or paused; the buttons follow it.
    std::unique_ptr<TTransport> Transport;

    // Start-up, settings and shutdown.
    void ReadSettings();
    void WriteSettings();
    bool ScheduleAllows(int mode);
    std::string PickStartPlaylist();
    // The playlists the start picks from: the folder's first hundred, in no particular order.
    QStringList StartPlaylistNames() const;
    // The playlist the show will load, when it is plain already: the one given on the command line
    // or the folder's only one; empty otherwise.
    std::string LikelyStartPlaylist() const;
    void FormActivate();

    // The playlist.
    int FindEntry(const std::string& path) const { return Playlist->FindEntry(path); }
    // The path a back end opens for an entry's path: a relative one is taken from the folder of
    // the playlist the entries were read from.
    std::string EntryFilePath(const std::string& path) const {
        return ResolveEntryPath(path, PlaylistFolder);
    }
    void OpenDialogFlow();
    // What the open dialog does with the files chosen in it (nothing: cancelled).
    void OpenChosenFiles(const std::optional<std::vector<std::string>>& files);
    // Files, a playlist or addresses handed over by another program or given on the command
    // line: opened as the open dialog opens them (all files added, a playlist first among them
    // opened), then the first played.
    void OpenAndPlay(const std::vector<std::string>& paths);
    void OpenAndPlay(const std::string& path) { OpenAndPlay(std::vector<std::string>{path}); }
    // Restores the window if minimised and brings it to the front.
    void RestoreAndBringToFront();
    void AddFiles(const std::vector<std::string>& files);
    void DeleteSelected();
    void FitListHeight();
    void PlayListDoubleClick();
    // False: nothing loaded, the caller aborts. The name is a copy, as the load of a .pls file
    // re-points PlaylistFile, which callers may pass.
    bool LoadPlaylist(std::string file);
    void SavePlaylist();
    void SetXGAvailability();
    void LevelClick();
    void NormalClick();

    // Playback and transport.
    bool PlayCurrent(); // false: the start failed and the calling action is abandoned
    void PlaySelected();
    void NextClick();
    void StopClick();
    void PowerClick(); // closes the window unless a network entry is being opened
    void OrderClick();
    void RandomClick();
    void PickNext();
    bool PlayNext();
    void StopAll();
    void Timer1Timer();
    void Timer2Timer();
    void ProgressClick(int x);
    // The desktop's media controls: hold the entry where it is; go on from there (an entry that
    // cannot, a live stream held past its buffer, starts anew).
    bool PausePlayback() { return Transport->Pause(); }
    void ResumePlayback();
    // Whether the playing entry can be sought now, by a click on the progress bar or otherwise.
    bool CanSeek() const;
    // Seeks the playing entry where its back end can; false when the request was dropped.
    bool SeekTo(std::uint32_t milliseconds);

    // The spectrum display: the next style on a click.
    void NextVisStyle();

    // Titles and status.
    void ComposePlayingTitle();
    void ShowIdleState();
    void ShowEmptyListDisplay();
    void LeaveEmptyListDisplay();
    std::string ApplicationTitle() const { return windowTitle().toStdString(); }
    void SetApplicationTitle(std::string_view title);

    // Layouts (the window's geometry per what plays).
    void EnterListLayout();
    void EnterVideoOrSpectrumLayout();
    bool VideoLayoutShown() const;
    bool GaugeAtTopEdge() const { return Gauge1->y() == 0; }
    void EnterStripLayout();
    void PlaceStrip();
    bool StripMode() const { return !sbNext3->isHidden(); } // the strip layout is shown
    void SetClientSize(int width, int height);
    void ToggleStayOnTop();
    void ToggleList();
    void ShowListAboveDisplay();
    void ToggleTransparency();
    bool ForegroundTest() const; // false: another program is in front
    // The colour key: black pixels are see-through and click-through while it is on.
    bool ColourKey() const { return ColourKeyOn; }
    void SetColourKey(bool on);
    void RefreshColourKey(); // takes the window's shape from what it shows now
    bool Topmost() const;    // the window manager keeps the window above others

    // Selection of the list view.
    std::vector<int> SelectedRows() const;
    int FirstSelected() const;
    void SelectRow(int row);
    void ClearSelection();
    void ScrollIntoView(int row);
    void ScrollIntoViewSoon(int row);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildWindow();
    void BuildButtons();
    void BuildList();
    void BuildPanels();
    void BuildShortcuts();
    void CreateWindowState();
    void FormShow();
    void CloseQuery();
    void CloseBlockedByDialog();
    void StartSingleFile(const std::string& path);
    void PlayInPlaceOfTheSingleFiles(const std::vector<std::string>& paths);
    void PlayRowOf(const std::string& path);
    void StartWhenShown(const std::string& path, std::function<void()> start);
    void SetPlayingButtons();
    void FollowTransport();
    bool StartMediaControl();
    bool StartEngine();
    bool StartXGPlayer(); // the external MIDI player on the current entry
    void CloseXGPlayer();
    bool CheckXGAlert(); // true: its alert box was closed and the media control took over
    bool ReportPlayError();
    bool FailEmptyPlaylist(const std::string& file);
    void AlignCurrentWithSelection();
    void RecordLength();
    void LearnDownloadedLength();
    void EndOfTrack();
    void PickVisStyle();
    void PickVisStyleAtTrackEnd();
    void DrawSpectrumFrame(TBandOut& bandOut);
    void GiveDisplayItsOwnWindow();
    void ScreenSaverSwitch();
    void SavePlaylistIfChanged();
    bool PlaylistFlagsDiffer() const;
    void SaveChangedSettingsAndPlaylist();
    void RestoreDesktopSettings();
    // Tells that the playlist could not be written; the old file is untouched.
    void ReportSaveFailure(const std::string& file, const std::string& reason);
    // After the last entry went: a playlist of the player's own folder is deleted, one elsewhere
    // (the user's own file) keeps its header line only.
    void DiscardPlaylistFile(const std::string& header);
    // A playlist that could not be read is never written over: a save due to it goes to a new
    // name beside it.
    void AvoidUnreadPlaylist();
    // Where the list read from a .pls file is kept: an M3U file of that name in the data folder
    // (a free name beside it when one is taken), as the player writes no .pls files.
    std::string PlsCopyName(const std::string& pls) const;
    bool InPlaylistFolder(const std::string& file) const;
    // The row the media control plays, found by the path it opened; -1 when none.
    int FindOpenedEntry(const std::string& opened) const;
    void BackUpXGRegistry();
    void RestoreXGRegistry();
    void SetTitleColumnWidth(int width);
    void SetListPanelHeight(int height);
    void FitWindowToList();
    void PlaceEdgeButtons();
    void HideStripButtons();
    bool HandleMouse(QObject* watched, QEvent* event);
    void NotePress(QWidget* widget, const QMouseEvent& press);
    bool AimedAt(QWidget* widget, QPoint position) const;
    void DragMove(QPoint globalPointer);
    void DragSize(QPoint globalPointer);
    void FollowPanelSizing(QPoint globalPointer);
    void FollowGripSizing();
    void StretchToClientHeight();
    void ApplicationActivate();
    void SettingChange();
    void InstallMouseHandling();
    void SetGaugeColours(QColor back, QColor fore);
    int WorkAreaBottom() const;
    void FocusList();
    void DropTopmost();
    void RestoreTopmost();
    void ShowMessage(const std::string& text, const std::string& title);
    bool Exists(const std::string& name) const; // in the program folder
    const TPlaylistEntry& CurrentEntry() const { return Playlist->Entry(CurrentIndex); }
    bool Playing() const { return Transport->Playing(); }
    bool Idle() const { return !Transport->Playing(); }
    bool EngineAudio() const { return Transport->BackEnd() == TBackEnd::beEngine; }
    bool RandomMode() const { return !sbRandom->isHidden(); }
    bool VisMidiOn() const { return sbLevel->isEnabled() && !sbLevel->isHidden(); }
    bool EnginePresent() const { return !VisBox->isHidden(); }

    TShellServices Services;
    std::string ProgramDir;
    TPlaylistReadAhead StartPlaylistRead; // the start playlist, read while the window is made
    std::string UnreadPlaylist;           // the last playlist that could not be read
    std::unique_ptr<TDialogs> OwnDialogs;
    std::unique_ptr<TAnsweredDialogs> Dialogs; // what the window and the engine show through
    std::unique_ptr<TBlockedCloseWatch> BlockedClose;
    bool CloseAfterDialogs = false; // a close came while a dialog blocked the window
    std::unique_ptr<TEngineControl> Engine;
    TCaptionDelegate* CaptionDelegate = nullptr;
    bool ColourKeyOn = false, GripSizing = false, PanelSizing = false;
    QWidget* PressedWidget = nullptr; // the mouse table's control the last press was aimed at
    std::uint64_t PressTimestamp = 0;
    QTimer* ColourKeyTimer = nullptr; // coalesces repaints into a few shape updates a second
    QTimer* SizingSettled = nullptr;
    bool RunAllowed = true, HasClosed = false, Shown = false, ModalShown = false;
    bool SessionEnding = false;
    int TitleColumnMinWidth = 125;
    unsigned ScrollRequests = 0;
    static constexpr int TitleColumnMaxWidth = 142;
    static constexpr int TimeColumnWidth = 43;
};

} // namespace tavuro
