#include "plugins/PluginHost.h"

#include "common/Text.h"
#include "plugins/MessageWindow.h"
#include "plugins/OutputEmulator.h"

#include <array>
#include <filesystem>
#include <system_error>

#include <dlfcn.h>

namespace tavuro {

namespace {

struct THostState {
    std::array<In_Module*, kPluginSlotCount> Modules{};
    std::array<TPluginInfo, kPluginSlotCount> Infos{};
    std::int32_t Current = -1;
};

THostState& Host() {
    static THostState host;
    return host;
}

bool IsSlot(std::int32_t index) { return index >= 0 && index < kPluginSlotCount; }

// The plug-ins' PostMessage: C linkage, callable from any of their threads.
extern "C" int HostPostMessage(TWindowHandle window, unsigned int message, uintptr_t wParam,
                               intptr_t lParam) {
    return PostWindowMessage(window, message, wParam, lParam) ? 1 : 0;
}

} // namespace

bool InitPluginHost(const TBassLibrary& bass, TDialogs& dialogs) {
    THostState& host = Host();
    host.Modules.fill(nullptr);
    host.Infos.fill(TPluginInfo{});
    const bool initialised = ReserveRingBuffer();
    if (initialised) {
        FillOutputModule(bass, dialogs);
        GetOutputModule()->Init();
    }
    host.Current = -1;
    return initialised;
}

void QuitPluginHost() {
    THostState& host = Host();
    for (int slot = 0; slot < kPluginSlotCount; ++slot) {
        In_Module* module = host.Modules[slot];
        if (!module)
            continue;
        if (module->Quit)
            module->Quit();
        if (host.Infos[slot].LibraryHandle)
            dlclose(host.Infos[slot].LibraryHandle);
        host.Modules[slot] = nullptr;
        host.Infos[slot] = TPluginInfo{};
    }
    // The modules are gone: nothing may call the current one any more.
    host.Current = -1;
    if (Out_Module* output = GetOutputModule())
        output->Quit();
    FreeRingBuffer();
}

bool InstallPlugin(std::int32_t slot, In_Module* module, TPluginInfo info) {
    THostState& host = Host();
    if (!IsSlot(slot) || !module || host.Modules[slot])
        return false;
    module->hMainWindow = GetHostWindow();
    module->hDllInstance = info.LibraryHandle;
    module->outMod = GetOutputModule();
    if (info.LibraryHandle) {
        if (auto setPostMessage = reinterpret_cast<winampSetPostMessageProc>(
                dlsym(info.LibraryHandle, "winampSetPostMessage")))
            setPostMessage(HostPostMessage);
    }
    host.Modules[slot] = module;
    host.Infos[slot] = std::move(info);
    if (module->Init)
        module->Init();
    return true;
}

In_Module* GetPluginModule(std::int32_t index) {
    return IsSlot(index) ? Host().Modules[index] : nullptr;
}

TPluginInfo GetPluginInfo(std::int32_t index) {
    if (!GetPluginModule(index))
        return {};
    return Host().Infos[index];
}

std::int32_t FindPluginForExtension(std::string_view ext) {
    if (ext.empty())
        return -1;
    const std::string wanted = UpperAscii(ext);
    for (std::int32_t slot = 0; slot < kPluginSlotCount; ++slot) {
        const In_Module* module = Host().Modules[slot];
        if (!module || !module->FileExtensions)
            continue;
        const std::string extensions = UpperAscii(module->FileExtensions); // up to the first NUL
        if (extensions.find(wanted) != std::string::npos)
            return slot;
    }
    return -1;
}

std::int32_t SelectPlugin(std::int32_t index) {
    if (index != -1 && !GetPluginModule(index))
        return -1;
    Host().Current = index;
    return 0;
}

std::int32_t CurrentPlugin() { return Host().Current; }

std::int32_t GetPlayedTime(bool fromOutput) {
    if (fromOutput) {
        const Out_Module* output = GetOutputModule();
        return output ? output->GetOutputTime() : 0;
    }
    const In_Module* module = GetPluginModule(Host().Current);
    return module && module->GetOutputTime ? module->GetOutputTime() : 0;
}

std::string GetProgramDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    std::string directory = program.parent_path().string();
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

TWindowHandle GetHostWindow() { return GetOutputHostWindow(); }
void SetNotifyWindow(TWindowHandle window) { SetOutputNotifyWindow(window); }
void SetStreamLength(std::int32_t milliseconds) { SetOutputStreamLength(milliseconds); }
void SetSeekPending() { SetOutputSeekPending(); }

} // namespace tavuro
