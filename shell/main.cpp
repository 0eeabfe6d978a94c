// The program entry: one instance at a time, then the main window and its message loop.
#include <QApplication>

#include <cstdlib>

#include "desktop/NSPlay.h"
#include "engine/AudioEngine.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"
#include "shell/Main.h"
#include "shell/SessionEnd.h"

int main(int argc, char** argv) {
    using namespace tavuro;
    TSingleInstanceLock instance("Tavuro 2008");
    if (!instance.TryAcquire())
        return 0; // another instance runs: end at once and silently
    QApplication application(argc, argv);

    const auto registry = MakeFileRegistry(DefaultRegistryDirectory());
    const auto clock = MakeSystemClock();
    const auto launcher = MakeSpawnLauncher();
    const auto screenSaver = MakeDesktopScreenSaverInhibitor();
    const auto windowSystem = MakeX11WindowSystem();
    TShellServices services;
    services.Registry = registry.get();
    services.Clock = clock.get();
    services.Launcher = launcher.get();
    services.ScreenSaver = screenSaver.get();
    services.WindowSystem = windowSystem.get();
    services.CreateMediaControl = [](QWidget* videoPanel) -> TMediaControl* {
        return new TNSPlay(videoPanel);
    };
    services.AppDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    services.CreateEngine = [appDir = services.AppDir](TDialogs& dialogs) {
        return std::make_unique<TAudioEngine>(dialogs, appDir);
    };
    for (int i = 1; i < argc; ++i)
        services.Arguments.emplace_back(argv[i]);

    TMainForm form(std::move(services));
    if (!form.ShouldRun())
        return 0;
    TSessionEnd sessionEnd(form);
    form.show();
    if (form.Closed())
        return 0;
    return application.exec();
}
