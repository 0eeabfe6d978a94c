// The program entry: one instance at a time, then the main window and its message loop.
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QTimer>

#include <cstdlib>
#include <iostream>

#include "desktop/NSPlay.h"
#include "engine/AudioEngine.h"
#include "platform/ConsoleDialogs.h"
#include "platform/DataFolder.h"
#include "platform/LibraryPreload.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "platform/Translations.h"
#include "platform/WindowSystem.h"
#include "shell/HandOver.h"
#include "shell/Main.h"
#include "shell/Mpris.h"
#include "shell/SessionEnd.h"
#include "shell/StartOptions.h"

namespace {

using namespace tavuro;

// "--help" and "--version" answer here; a switch not understood ends with status 2.
std::optional<int> AnswerSwitches(const std::vector<std::string>& arguments) {
    const TStartChoice choice = ChooseStartAction(arguments);
    switch (choice.Action) {
    case TStartAction::saHelp:
        std::cout << UsageText();
        return 0;
    case TStartAction::saVersion:
        std::cout << VersionText();
        return 0;
    case TStartAction::saRefuse:
        std::cerr << TranslateUtf8("tavuro", "tavuro: 未知选项 ") << choice.Refused << "\n\n"
                  << UsageText();
        return 2;
    case TStartAction::saRun:
        break;
    }
    return std::nullopt;
}

// Without a display the player still plays, on Qt's offscreen platform (also when the X display
// named cannot be reached); a platform the user chose is kept. True when the choice was ours.
bool ChoosePlatform() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM",
            qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb;offscreen");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    LoadTranslations(); // the usage may be the first text shown
    if (const auto status = AnswerSwitches(arguments))
        return *status;
    TSingleInstanceLock instance("Tavuro 2008");
    if (!instance.TryAcquire()) // another instance runs: hand over what there is, and end
        return HandOverToRunningPlayer(argc, argv, arguments);
    KeepQtFromStartingASessionBus();
    const bool platformChosen = ChoosePlatform();
    QApplication application(argc, argv);
    InstallTranslations();
    const bool headless = QGuiApplication::platformName() == "offscreen";
    if (headless && platformChosen)
        std::cerr << TranslateUtf8(
            "tavuro", "tavuro: 找不到显示器: 在 Qt 的 offscreen 平台上运行,只有声音。\n");
    const std::string programDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    // The audio library, with SDL and its thirty libraries, loads while the window is built. A
    // thread cannot start while the loader works, so the session bus's connection thread, which
    // the window's accessibility bridge waits for, is started before the load.
    const TLibraryPreload audioLibrary(programDir + "libbass.so",
                                       [] { QDBusConnection::sessionBus(); });

    const auto registry = MakeFileRegistry(DefaultRegistryDirectory());
    const auto clock = MakeSystemClock();
    const auto launcher = MakeSpawnLauncher();
    const auto screenSaver = MakeDesktopScreenSaverInhibitor();
    const auto windowSystem = MakeX11WindowSystem();
    // Message boxes no one can see would wait for ever.
    const auto consoleDialogs = headless ? MakeConsoleDialogs(std::cerr) : nullptr;
    TShellServices services;
    services.Registry = registry.get();
    services.Clock = clock.get();
    services.Dialogs = consoleDialogs.get();
    services.Launcher = launcher.get();
    services.ScreenSaver = screenSaver.get();
    services.WindowSystem = windowSystem.get();
    services.CreateMediaControl = [](QWidget* videoPanel) -> TMediaControl* {
        return new TNSPlay(videoPanel);
    };
    services.ProgramDir = programDir;
    services.AppDir = ChooseDataFolder(services.ProgramDir);
    services.CreateEngine = [programDir = services.ProgramDir](TDialogs& dialogs) {
        return std::make_unique<TAudioEngine>(dialogs, programDir);
    };
    services.Arguments = StartArguments(arguments, QDir::currentPath().toStdString());

    TMainForm form(std::move(services));
    if (!form.ShouldRun())
        return 0;
    TSessionEnd sessionEnd(form);
    form.show();
    if (form.Closed())
        return 0;
    // The bus hears of the player only once its window is up: the window comes first.
    std::unique_ptr<TMprisService> mpris;
    QTimer::singleShot(0, &form, [&mpris, &form] { mpris = TMprisService::Start(form); });
    return application.exec();
}
