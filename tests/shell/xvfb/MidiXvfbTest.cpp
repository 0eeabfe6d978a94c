// The bridge with the real XGPlayer program on an X server with a window manager: its window is
// found by its title and closed, and its alert box about a broken song is closed before the
// media control takes the song over. Run by run-under-xvfb.sh.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "FakeMediaControl.h"
#include "XlibErrorHandler.h"
#include "desktop/XGBridge.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProcessLauncher.h"
#include "platform/Registry.h"
#include "platform/WindowSystem.h"
#include "shell/Main.h"

namespace tavuro {
namespace {

// A C major arpeggio, four quarter notes at 120 beats per minute: two and a half seconds.
constexpr unsigned char Arpeggio[] = {
    'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,    0,    1,    0,    0x60, 'M',  'T',
    'r',  'k',  0,    0,    0,    0x28, 0x00, 0xc0, 0x00, 0x00, 0x90, 0x3c, 0x64, 0x60, 0x80, 0x3c,
    0x40, 0x00, 0x90, 0x40, 0x64, 0x60, 0x80, 0x40, 0x40, 0x00, 0x90, 0x43, 0x64, 0x60, 0x80, 0x43,
    0x40, 0x00, 0x90, 0x48, 0x64, 0x81, 0x40, 0x80, 0x48, 0x40, 0x00, 0xff, 0x2f, 0x00};

// Waits, with this program's events flowing, until the condition holds; false after 15 seconds.
bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    return false;
}

// A window that answers every close request with no.
class TStubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

class X11WindowSystem : public testing::Test {
protected:
    std::unique_ptr<TWindowSystem> Windows = MakeX11WindowSystem();

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X server: run through run-under-xvfb.sh";
    }
    // The window's place from the top, -1 when it is not among the top-level windows.
    int PlaceOf(const QWidget& widget) const {
        const std::vector<TWindowId> windows = Windows->TopLevelWindows();
        for (std::size_t i = 0; i < windows.size(); ++i)
            if (windows[i] == widget.winId())
                return static_cast<int>(i);
        return -1;
    }
};

TEST_F(X11WindowSystem, WalksTheWindowsFromTheTopWithTheirTitles) {
    QWidget lower, upper;
    lower.setWindowTitle("Tavuro test window");
    upper.setWindowTitle(QString::fromUtf8("智能模式@暂停/Tavuro"));
    lower.show();
    ASSERT_TRUE(WaitUntil([&] { return PlaceOf(lower) >= 0; }));
    upper.show();
    ASSERT_TRUE(WaitUntil([&] { return PlaceOf(upper) >= 0; }));
    // Raised explicitly: the window manager may keep a new window below the focused one.
    upper.raise();
    EXPECT_TRUE(WaitUntil([&] { return PlaceOf(upper) < PlaceOf(lower); }))
        << "the raised window lies on top";
    EXPECT_EQ(Windows->WindowText(upper.winId()), "智能模式@暂停/Tavuro");
    lower.raise();
    EXPECT_TRUE(WaitUntil([&] { return PlaceOf(lower) < PlaceOf(upper); }));
    const std::string longTitle(300, 'x');
    upper.setWindowTitle(QString::fromStdString(longTitle));
    ASSERT_TRUE(WaitUntil([&] { return Windows->WindowText(upper.winId())[0] == 'x'; }));
    EXPECT_EQ(Windows->WindowText(upper.winId()), longTitle.substr(0, 254))
        << "read into a 255-character buffer";
}

TEST_F(X11WindowSystem, AWindowThatRefusesToCloseAnswersNonZero) {
    TStubbornWindow stubborn;
    stubborn.setWindowTitle("Stubborn");
    stubborn.show();
    ASSERT_TRUE(WaitUntil([&] { return PlaceOf(stubborn) >= 0; }));
    EXPECT_NE(Windows->SendClose(stubborn.winId()), 0);
    EXPECT_NE(Windows->SendClose(0x7ffffff), 0) << "no such window";
    QCoreApplication::processEvents();
    EXPECT_TRUE(stubborn.isVisible());
}

TEST_F(X11WindowSystem, AVanishedWindowIsNoErrorWhateverXlibsErrorHandlerIs) {
    ResetXlibErrorHandler();
    const TWindowId vanished = 0x7ffffff;
    EXPECT_EQ(Windows->WindowText(vanished), "");
    EXPECT_NE(Windows->SendClose(vanished), 0);
    QWidget window;
    window.setWindowTitle("Still here");
    window.show();
    EXPECT_TRUE(WaitUntil([&] { return PlaceOf(window) >= 0; }));
}

class MidiBridgeOnX11 : public testing::Test {
protected:
    QTemporaryDir Folder;
    std::string AppDir = Folder.path().toStdString() + "/";
    std::unique_ptr<TRegistry> Registry = MakeMemoryRegistry();
    TFixedClock Clock;
    TRecordingDialogs Dialogs;
    TFakeMediaControl Media;
    std::unique_ptr<TProcessLauncher> Launcher = MakeSpawnLauncher();
    std::unique_ptr<TWindowSystem> Windows = MakeX11WindowSystem();
    std::unique_ptr<TMainForm> Form;

    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr)
            GTEST_SKIP() << "needs an X server: run through run-under-xvfb.sh";
        std::filesystem::create_symlink(TAVURO_PROGRAM_DIR "/XGPlayer", AppDir + "XGPlayer");
        Clock.Set(10, 30, 15);
    }

    // Plays the one MIDI song of a VisMIDI playlist; the fake media control measures it.
    void Play(const std::string& path, double seconds) {
        Media.Durations[path] = seconds;
        std::ofstream(AppDir + "playlist.m3u") << "#EXTM3U VisMIDI\n" << path << "\n";
        TShellServices services;
        services.Registry = Registry.get();
        services.Clock = &Clock;
        services.Dialogs = &Dialogs;
        services.Launcher = Launcher.get();
        services.WindowSystem = Windows.get();
        services.CreateMediaControl = [this](QWidget*) { return &Media; };
        services.AppDir = AppDir;
        services.RandomSeed = 1;
        Form = std::make_unique<TMainForm>(std::move(services));
        Form->show();
        Form->PlaySelected();
    }

    bool WaitForWindow(const std::string& title) {
        return WaitUntil([&] { return HasWindow(title); });
    }
    bool HasWindow(const std::string& title) const {
        for (const TWindowId window : Windows->TopLevelWindows())
            if (Windows->WindowText(window) == title)
                return true;
        return false;
    }
};

TEST_F(MidiBridgeOnX11, ThePlayerWindowIsFoundByItsTitleAndClosed) {
    const std::string path = AppDir + "Arpeggio song.mid";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Arpeggio), sizeof Arpeggio);
    Play(path, 2.5);
    ASSERT_TRUE(Form->StripMode());
    const std::string title = std::string(XGPlayerTitlePrefix) + "Arpeggio song.mid";
    ASSERT_TRUE(WaitForWindow(title)) << "XGPlayer did not open its window";
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 1) << "no alert box: the song is counted";
    Form->StopClick();
    EXPECT_FALSE(HasWindow(title)) << "the close request has been served when Stop returns";
    EXPECT_FALSE(Form->StripMode());
}

TEST_F(MidiBridgeOnX11, TheAlertBoxIsClosedAndTheMediaControlTakesOver) {
    const std::string path = AppDir + "broken.mid";
    std::ofstream(path, std::ios::binary) << "not a MIDI file at all";
    Play(path, 30);
    ASSERT_TRUE(Form->StripMode());
    ASSERT_TRUE(WaitForWindow(std::string(XGAlertTitle))) << "XGPlayer showed no alert box";
    Form->Timer1Timer();
    EXPECT_FALSE(HasWindow(std::string(XGAlertTitle)));
    EXPECT_EQ(Form->MediaClass, mcMidiFallback);
    EXPECT_EQ(Media.FileName(), path);
    EXPECT_EQ(Media.PlayState(), 2);
    EXPECT_FALSE(Form->StripMode());
    EXPECT_EQ(Form->ApplicationTitle(), "broken/Tavuro");
}

} // namespace
} // namespace tavuro
