// The program entry: one instance at a time, then the main window and its message loop.
#include <QApplication>

#include <cstdlib>

#include "desktop/NSPlay.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/SingleInstance.h"
#include "shell/Main.h"

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
    TShellServices services;
    services.Registry = registry.get();
    services.Clock = clock.get();
    services.Launcher = launcher.get();
    services.ScreenSaver = screenSaver.get();
    services.CreateMediaControl = [](QWidget* videoPanel) -> TMediaControl* {
        return new TNSPlay(videoPanel);
    };
    services.AppDir = QCoreApplication::applicationDirPath().toStdString() + "/";
    for (int i = 1; i < argc; ++i)
        services.Arguments.emplace_back(argv[i]);

    TMainForm form(std::move(services));
    if (!form.ShouldRun())
        return 0;
    form.show();
    if (form.Closed())
        return 0;
    return application.exec();
}
