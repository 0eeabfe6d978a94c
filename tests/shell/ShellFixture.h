#pragma once

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "FakeMediaControl.h"
#include "FakeScreenSaver.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProcessLauncher.h"
#include "platform/Registry.h"
#include "platform/WindowSystem.h"
#include "shell/Main.h"

namespace tavuro {

// A main window over a temporary program folder, with every seam replaced by a double.
class ShellFixture : public testing::Test {
protected:
    QTemporaryDir Folder;
    std::string AppDir = Folder.path().toStdString() + "/";
    std::unique_ptr<TRegistry> Registry = MakeMemoryRegistry();
    TFixedClock Clock;
    TRecordingDialogs Dialogs;
    TRecordingLauncher Launcher;
    TFakeWindowSystem Windows;
    TFakeMediaControl Media;
    TFakeScreenSaver ScreenSaver;
    TFakeEngine* Engine = nullptr; // set when the program folder holds the audio library
    std::unique_ptr<TMainForm> Form;

    ShellFixture() { Clock.Set(10, 30, 15); }

    // The window's services, every one a double of this fixture.
    TShellServices Services(std::vector<std::string> arguments, std::uint32_t seed) {
        TShellServices services;
        services.Registry = Registry.get();
        services.Clock = &Clock;
        services.Dialogs = &Dialogs;
        services.Launcher = &Launcher;
        services.ScreenSaver = &ScreenSaver;
        services.WindowSystem = &Windows;
        services.CreateMediaControl = [this](QWidget*) { return &Media; };
        services.CreateEngine = [this](TDialogs&) -> std::unique_ptr<TEngineControl> {
            auto engine = std::make_unique<TFakeEngine>();
            Engine = engine.get();
            return engine;
        };
        services.AppDir = AppDir;
        services.Arguments = std::move(arguments);
        services.RandomSeed = seed;
        return services;
    }

    TMainForm& Make(std::vector<std::string> arguments = {}, bool show = true,
                    std::uint32_t seed = 1) {
        Form = std::make_unique<TMainForm>(Services(std::move(arguments), seed));
        if (show && Form->ShouldRun())
            Form->show();
        return *Form;
    }

    void Write(const std::string& name, const std::string& content) {
        std::ofstream(AppDir + name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(AppDir + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) const { return std::ifstream(AppDir + name).good(); }

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (int row = 0; row < Form->Playlist->Count(); ++row)
            captions.push_back(Form->Playlist->Entry(row).Caption);
        return captions;
    }
    // Plays on: the fake control moves one second, then Timer1 ticks.
    void Tick() {
        Media.Position += 1;
        Form->Timer1Timer();
    }
};

// A seed whose first draw below n is the given value.
inline std::uint32_t SeedForFirstDraw(int n, int value) {
    for (std::uint32_t seed = 0;; ++seed)
        if (TRandom(seed).Below(n) == value)
            return seed;
}

} // namespace tavuro
