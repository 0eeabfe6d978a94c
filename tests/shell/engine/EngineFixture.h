// The window with the real audio engine over libbass.so (from the program folder, linked into
// the fixture's own), heard through SDL's disk driver, with the fake media control.
#pragma once

#include "BassTestSupport.h"
#include "ShellFixture.h"
#include "engine/AudioEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <dlfcn.h>

#include <filesystem>

namespace tavuro {

inline bool PumpUntil(const std::function<bool()>& condition, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class EngineEndToEnd : public ShellFixture {
protected:
    basstest::TempDir Clips;
    std::unique_ptr<basstest::DiskOutput> Output;

    void SetUp() override {
        Output = std::make_unique<basstest::DiskOutput>(Clips);
        for (const char* library : {"libbass.so", "libbasswma.so"})
            std::filesystem::create_symlink(std::string(TAVURO_PROGRAM_DIR) + "/" + library,
                                            AppDir + library);
    }
    void TearDown() override {
        Form.reset();
        if (Library != nullptr)
            dlclose(Library);
    }

    // The window with the real engine and the fake media control; the seed picks the entry a
    // playlist starts with.
    TMainForm& MakeWithEngine(std::vector<std::string> arguments, std::uint32_t seed = 1) {
        TShellServices services = Services(std::move(arguments), seed);
        services.CreateEngine = [this](TDialogs& dialogs) {
            return std::make_unique<TAudioEngine>(dialogs, AppDir);
        };
        Form = std::make_unique<TMainForm>(std::move(services));
        Form->show();
        return *Form;
    }

    // The library's network timeout for the engine the window will load, which finds the same
    // library already loaded.
    void SetNetworkTimeout(DWORD milliseconds) {
        Library = dlopen((AppDir + "libbass.so").c_str(), RTLD_NOW);
        ASSERT_NE(Library, nullptr);
        const auto setConfig =
            reinterpret_cast<decltype(&BASS_SetConfig)>(dlsym(Library, "BASS_SetConfig"));
        ASSERT_NE(setConfig, nullptr);
        setConfig(BASS_CONFIG_NET_TIMEOUT, milliseconds);
    }

    std::string Tone(const std::string& name, double frequency, double seconds = 1.0) {
        return basstest::MakeSineWav(Clips, name, frequency, seconds, 0.5,
                                     "-b 16 -e signed-integer");
    }

    void* Library = nullptr;
};

} // namespace tavuro
