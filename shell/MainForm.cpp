// The main window's life cycle: creation, show, activation, the close query, the settings file
// and the schedule test.
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QScreen>
#include <QStyle>

#include <cstdio>

#include "common/Text.h"
#include "common/TextEncoding.h"
#include "desktop/Titles.h"
#include "platform/Translations.h"
#include "shell/M3U.h"
#include "shell/Main.h"
#include "shell/PlaylistEntry.h"
#include "shell/Settings.h"
#include "shell/SystemColours.h"
#include "shell/TextFile.h"
#include "shell/TextLines.h"

namespace tavuro {

namespace {
constexpr const char* SettingsFileName = "playmode.ini";
constexpr const char* VersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* DesktopKey = "Control Panel\\Desktop";
constexpr const char* XGPlayerKey = "Software\\YAMAHA\\XGPlayer";
constexpr const char* XGPlayerBackupKey = "Software\\YAMAHA\\XGPlayer~";

TRect WorkAreaOf(const QWidget* widget) {
    const QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.left(), area.top(), area.width(), area.height()};
}
} // namespace

TMainForm::TMainForm(TShellServices services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), Services(std::move(services)),
      ProgramDir(Services.ProgramDir.empty() ? Services.AppDir : Services.ProgramDir) {
    // A long list takes a while to read: that goes on while the window is made.
    StartPlaylistRead.Start(LikelyStartPlaylist());
    if (!Services.Dialogs) {
        OwnDialogs = MakeQtDialogs(this);
        Services.Dialogs = OwnDialogs.get();
    }
    Dialogs = std::make_unique<TAnsweredDialogs>(*Services.Dialogs);
    Dialogs->OnAllAnswered = [this] {
        // The caller of the dialog unwinds first: the close runs on the next turn of the loop.
        if (CloseAfterDialogs)
            QTimer::singleShot(0, this, [this] { close(); });
    };
    Services.Dialogs = Dialogs.get();
    BlockedClose = std::make_unique<TBlockedCloseWatch>(*this, [this] { CloseBlockedByDialog(); });
    BuildWindow();
    SetApplicationTitle(TitleStartUp);
    CreateWindowState();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateWindowState() {
    Schedule.ScheduleStartHour = 8;
    VisMode = 9;
    AppDir = Services.AppDir;
    // What a player killed while it saved left behind.
    RemoveLeftOverReplacements(AppDir, [](std::string_view name) {
        return name == SettingsFileName || IsPlaylistPath(name);
    });
    if (FileExists(AppDir + SettingsFileName))
        ReadSettings();
    Random.Seed = Services.RandomSeed.value_or(
        static_cast<std::uint32_t>(Services.Clock->Now().MillisecondsSinceMidnight));
    RunMode = 0;
    if (!Services.Arguments.empty() && UpperAscii(Services.Arguments.front()) == "/AUTO")
        RunMode = 1;
    if (RunMode == 1 && !ScheduleAllows(0)) {
        RunAllowed = false;
        return;
    }
    IsNTPlatform =
        !Services.Registry->ReadString(TRegistryRoot::rrLocalMachine, VersionKey, "VersionNumber");
    ScreenSaverWasActive = Services.Registry->ReadString(TRegistryRoot::rrCurrentUser, DesktopKey,
                                                         "ScreenSaveActive") == "1";
    if (!IsNTPlatform) {
        Transparent = false;
        for (QLabel* label : {lbTitle, lbTime}) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, ActiveCaptionGradientColour());
            label->setPalette(palette);
        }
    } else if (Transparent) {
        Gauge1->BackColor = QColor(96, 96, 96);
        Gauge1->ForeColor = ButtonFaceColour();
        Gauge2->BackColor = Gauge1->ForeColor;
        Gauge2->ForeColor = Gauge1->BackColor;
    }
    Label5->setVisible(Transparent);
    SetColourKey(Transparent);
    // Topmost only when the user wants it: dropping the state at every activation, as the
    // layouts do, comes to the same on a desktop whose windows restack themselves.
    setWindowFlag(Qt::WindowStaysOnTopHint, StayOnTop);
    Schedule.PlayToday = true;
    StartStayOnTop = StayOnTop;
    StartTransparent = Transparent;
    StartVisMode = VisMode;
}

void TMainForm::ReadSettings() {
    const auto bytes = ReadFileBytes(AppDir + SettingsFileName);
    if (!bytes)
        return;
    const TSettingsRead read = ParseSettings(*bytes);
    bool rewriteDue = read.RewriteDue;
    if (read.LastOpenDir)
        LastOpenDir = *read.LastOpenDir;
    if (read.ScheduleCode) {
        Schedule.ScheduleCode = *read.ScheduleCode;
        Schedule.ScheduleStartHour = ScheduleStartHourOf(*ParseScheduleCode(*read.ScheduleCode));
    }
    // The file is rewritten with the default below; the user learns why.
    if (read.RejectedScheduleCode)
        std::fprintf(stderr, "%s\n",
                     Translate("TMainForm",
                               "tavuro: playmode.ini: 定时计划 \"%1\" 无效(PQAABBCCDD: "
                               "P 不为 0, Q >= P, DD <= AA <= BB <= CC <= 24),"
                               "改用默认的 1213152208")
                         .arg(QString::fromStdString(*read.RejectedScheduleCode))
                         .toLocal8Bit()
                         .constData());
    if (read.Display) {
        VisMode = read.Display->VisMode;
        StayOnTop = read.Display->StayOnTop;
        Transparent = read.Display->Transparent;
    }
    if (read.GeometryLine) {
        const TGeometryResult geometry =
            ApplyGeometryLine(*read.GeometryLine, width(), height(), WorkAreaOf(this));
        if (geometry.ClientHeight) {
            resize(width(), *geometry.ClientHeight);
            StretchToClientHeight();
        }
        if (geometry.Left) {
            WindowCentred = false;
            move(*geometry.Left, *geometry.Top);
        }
        if (geometry.WindowCentred)
            WindowCentred = true;
        if (geometry.GeometryChanged) {
            GeometryChanged = true;
            rewriteDue = true;
        }
    }
    if (rewriteDue)
        WriteSettings();
}

void TMainForm::WriteSettings() {
    const std::string path = AppDir + SettingsFileName;
    std::vector<std::string> lines;
    std::string decoded;
    if (const auto bytes = ReadFileBytes(path))
        lines = SplitLines(DecodeTextFile(*bytes, decoded));
    TSettingsWrite settings;
    settings.LastOpenDir = LastOpenDir;
    settings.ScheduleCodeInUse = !Schedule.ScheduleCode.empty();
    settings.Display = {VisMode, StayOnTop, Transparent};
    if (GeometryChanged) {
        std::optional<std::pair<int, int>> position;
        if (!WindowCentred) {
            if (VideoLayoutShown())
                position = {x() + (width() - 195) / 2,
                            y() + (height() - MListPanel->height() - 36) / 2};
            else
                position = {x(), y()};
        }
        const int listHeight = GaugeAtTopEdge() ? MListPanel->height() + 36 : height();
        settings.GeometryLine = ComposeGeometryLine(position, listHeight);
        GeometryChanged = false;
    }
    std::string error;
    if (!WriteLinesReplacing(path, ComposeSettings(std::move(lines), settings), &error))
        ReportSaveFailure(path, error);
}

bool TMainForm::ScheduleAllows(int mode) {
    return tavuro::ScheduleAllows(mode, Services.Clock->Now().Hour, Schedule, Random);
}

std::string TMainForm::PickStartPlaylist() {
    const QStringList names = StartPlaylistNames();
    if (names.isEmpty())
        return {};
    return AppDir + names[Random.Below(static_cast<int>(names.size()))].toStdString();
}

QStringList TMainForm::StartPlaylistNames() const {
    return QDir(QString::fromStdString(Services.AppDir))
        .entryList({"*.m3u"}, QDir::Files | QDir::Hidden, QDir::Unsorted)
        .mid(0, 100);
}

std::string TMainForm::LikelyStartPlaylist() const {
    const auto& arguments = Services.Arguments;
    if (arguments.size() == 1)
        return IsPlaylistPath(arguments.front()) ? arguments.front() : "";
    if (!arguments.empty())
        return {};
    const QStringList names = StartPlaylistNames();
    return names.size() == 1 ? Services.AppDir + names.front().toStdString() : "";
}

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!Shown) {
        Shown = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    if (WindowCentred) {
        const TRect area = WorkAreaOf(this);
        move(area.Left + (area.Width - width()) / 2, area.Top + (area.Height - height()) / 2);
    }
    if (Exists("libbass.so") && Services.CreateEngine) {
        Engine = Services.CreateEngine(*Services.Dialogs);
        if (!Engine || !Engine->BassReady()) {
            Engine.reset();
            close();
            return;
        }
        Transport->SetEngine(Engine.get());
        VisStyle = VisMode < 7 ? VisMode : Random.Below(6) + 1;
        Engine->SetSpectrumHandler([this](TBandOut& bandOut) { DrawSpectrumFrame(bandOut); });
        Engine->SetDownloadHandler([this] { LearnDownloadedLength(); });
        // The display and its title bar take clicks (the next style): they show a hand.
        VisPanel->setCursor(Qt::PointingHandCursor);
        pnTitle->setCursor(Qt::PointingHandCursor);
        VisBox->show();
        GiveDisplayItsOwnWindow();
    }
    const int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (scrollBarWidth >= 18)
        TitleColumnMinWidth = TitleColumnMaxWidth - scrollBarWidth;
    const auto& arguments = Services.Arguments;
    if (arguments.size() == 1) {
        if (RunMode != 1) {
            Schedule.HourGranted = true;
            if (!IsPlaylistPath(arguments.front())) {
                StartSingleFile(arguments.front());
                return;
            }
            PlaylistFile = arguments.front();
        } else {
            Schedule.HourGranted = Services.Clock->Now().Minute > 29;
        }
    }
    if (PlaylistFile.empty())
        PlaylistFile = PickStartPlaylist();
    const bool loaded = PlaylistFile.empty() || LoadPlaylist(PlaylistFile);
    if (loaded && Playlist->Count() == 0)
        ShowEmptyListDisplay();
    if (arguments.size() > 1 && UpperAscii(arguments.front()) != "/AUTO") {
        // Several files (not the schedule's start) join the start playlist; the first plays.
        StartWhenShown(arguments.front(), [this, files = arguments] { OpenAndPlay(files); });
    } else if (!loaded || !sbAbout->isHidden()) {
        return; // the empty-list display
    } else if (arguments.size() == 1) {
        StartWhenShown(CurrentEntry().Path(), [this] {
            if (PlayCurrent())
                SetPlayingButtons();
        });
    } else {
        ScrollIntoView(FirstSelected());
    }
}

// Window show runs before the window reaches the screen. An address may connect for seconds, so
// its start waits for the next turn of the event loop: the window shows "正在连接/Tavuro"
// meanwhile.
void TMainForm::StartWhenShown(const std::string& path, std::function<void()> start) {
    if (!IsNetworkAddress(path)) {
        start();
        return;
    }
    QTimer::singleShot(0, this, [this, start = std::move(start)] {
        if (!HasClosed)
            start();
    });
}

// A single media path from the command line plays alone; the program ends with it.
void TMainForm::StartSingleFile(const std::string& path) {
    RunMode = 2;
    if (MListPanel->height() > 72)
        MListPanel->resize(MListPanel->width(), 72);
    Playlist->Add({EntryCaption(path), {path}});
    CurrentIndex = 0;
    MediaClass = ClassifyMedia(path, EnginePresent(), Exists("libbasswma.so")).Class;
    bgLabel2->hide();
    const bool available = Exists("XGPlayer") && MediaClass == mcMidi;
    sbLevel->setEnabled(available);
    sbNormal->setEnabled(available);
    sbLevel->setVisible(available);
    sbNormal->setVisible(!available);
    if (!sbLevel->isHidden())
        BackUpXGRegistry();
    StartWhenShown(path, [this] {
        if (!PlayCurrent())
            return;
        sbPlay->hide();
        sbNext->show();
        Transport->SetPlaying();
        bgLabel3->setVisible(!sbNormal->isHidden());
    });
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // The window's own activation: at start and when one of its dialogs hands back the
        // focus. Activation from another program only focuses the list.
        if (!ActivatedOnce || ModalShown) {
            ModalShown = false;
            FormActivate();
        } else {
            ApplicationActivate();
        }
    } else if (event->type() == QEvent::StyleChange) {
        SettingChange();
    } else if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        if (MListPanel->isEnabled() && !MListPanel->isHidden())
            FocusList();
    }
}

void TMainForm::FormActivate() {
    if (StripMode())
        PlaceStrip();
    if (!StayOnTop)
        DropTopmost();
    if (RunMode == 1 && Playing() && !GaugeAtTopEdge())
        showMinimized();
    ActivatedOnce = true;
    Timer2->start();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!HasClosed) {
        HasClosed = true;
        CloseQuery();
    }
    if (StripMode())
        CloseXGPlayer();
    event->accept();
}

// The window manager asked the window to close while a dialog blocked it, which Qt would drop:
// the dialog goes with the window, and the window closes once the dialog's caller is done.
void TMainForm::CloseBlockedByDialog() {
    CloseAfterDialogs = true;
    if (QWidget* dialog = QApplication::activeModalWidget())
        dialog->close();
}

void TMainForm::CloseQuery() {
    if (StartingStream) {
        // The start beneath this close still runs: give its connect up; the start then ends
        // at once and runs the clean-up below (PlayCurrent).
        if (Engine)
            Engine->Close();
        return;
    }
    Timer1->stop();
    Timer2->stop();
    Player->SetFileName("");
    Transport->SetEngine(nullptr);
    Engine.reset();
    RestoreDesktopSettings();
    if (Services.ScreenSaver)
        Services.ScreenSaver->SetInhibited(false);
    SaveChangedSettingsAndPlaylist();
}

void TMainForm::RestoreDesktopSettings() {
    RestoreXGRegistry();
    if (ScreenSaverSuspended)
        Services.Registry->WriteString(TRegistryRoot::rrCurrentUser, DesktopKey, "ScreenSaveActive",
                                       "1", false);
}

void TMainForm::SaveChangedSettingsAndPlaylist() {
    if (GeometryChanged || StayOnTop != StartStayOnTop || Transparent != StartTransparent ||
        VisMode != StartVisMode)
        WriteSettings();
    if (PlaylistDirty || PlaylistFlagsDiffer() || sbLevel->isHidden() == PlaylistVisMidiFlag)
        SavePlaylist();
}

void TMainForm::BackUpXGRegistry() {
    TRegistry& registry = *Services.Registry;
    if (!registry.KeyExists(TRegistryRoot::rrCurrentUser, XGPlayerBackupKey) &&
        registry.KeyExists(TRegistryRoot::rrCurrentUser, XGPlayerKey))
        registry.MoveKey(TRegistryRoot::rrCurrentUser, XGPlayerKey, XGPlayerBackupKey);
}

void TMainForm::RestoreXGRegistry() {
    TRegistry& registry = *Services.Registry;
    if (registry.KeyExists(TRegistryRoot::rrCurrentUser, XGPlayerBackupKey)) {
        registry.DeleteKey(TRegistryRoot::rrCurrentUser, XGPlayerKey);
        registry.MoveKey(TRegistryRoot::rrCurrentUser, XGPlayerBackupKey, XGPlayerKey);
    }
}

// The screen saver stays off while a video plays and comes back afterwards.
void TMainForm::ScreenSaverSwitch() {
    ScreenSaverSuspended = Timer1->isActive() && VideoLayoutShown();
    Services.Registry->WriteString(TRegistryRoot::rrCurrentUser, DesktopKey, "ScreenSaveActive",
                                   ScreenSaverSuspended ? "0" : "1", false);
    // On this desktop the value has its effect through the session's screen saver.
    if (Services.ScreenSaver)
        Services.ScreenSaver->SetInhibited(ScreenSaverSuspended);
}

void TMainForm::ShowMessage(const std::string& text, const std::string& title) {
    ModalShown = true;
    Services.Dialogs->ShowMessage(CutForDisplay(text), CutForDisplay(title), TMessageIcon::miNone);
}

void TMainForm::RestoreAndBringToFront() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

bool TMainForm::Exists(const std::string& name) const {
    return FileExists(ProgramDir + name);
}

} // namespace tavuro
