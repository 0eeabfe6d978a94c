#include "plugins/PluginHost.h"

#include "common/Text.h"
#include "plugins/MessageWindow.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <dlfcn.h>

namespace tavuro {

namespace {

struct THostState {
    std::array<In_Module*, kPluginSlotCount> Modules{};
    std::array<TPluginInfo, kPluginSlotCount> Infos{};
    std::int32_t Current = -1;
    TWindowHandle NotifyWindow = 0;
    std::unique_ptr<TMessageWindow> HostWindow;
    std::int32_t StreamLength = 0;
    bool SeekPending = false;
};

THostState& Host() {
    static THostState host;
    return host;
}

bool IsSlot(std::int32_t index) { return index >= 0 && index < kPluginSlotCount; }

void HandleHostMessage(std::uint32_t message, std::uintptr_t, std::intptr_t) {
    if (message == kMsgPluginStopped)
        Host().Current = -1;
}

} // namespace

bool InitPluginHost() {
    THostState& host = Host();
    host.Modules.fill(nullptr);
    host.Infos.fill(TPluginInfo{});
    if (!host.HostWindow)
        host.HostWindow = std::make_unique<TMessageWindow>(HandleHostMessage);
    host.Current = -1;
    return false; // no output emulator yet
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
    host.HostWindow.reset();
}

bool InstallPlugin(std::int32_t slot, In_Module* module, TPluginInfo info) {
    THostState& host = Host();
    if (!IsSlot(slot) || !module || host.Modules[slot])
        return false;
    host.Modules[slot] = module;
    host.Infos[slot] = std::move(info);
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
    if (fromOutput)
        return 0; // the output emulator is not built yet
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

TWindowHandle GetHostWindow() {
    const THostState& host = Host();
    return host.HostWindow ? host.HostWindow->Handle() : 0;
}

void SetNotifyWindow(TWindowHandle window) { Host().NotifyWindow = window; }
TWindowHandle GetNotifyWindow() { return Host().NotifyWindow; }

void SetStreamLength(std::int32_t milliseconds) { Host().StreamLength = milliseconds; }
std::int32_t GetStreamLength() { return Host().StreamLength; }
void SetSeekPending() { Host().SeekPending = true; }
bool IsSeekPending() { return Host().SeekPending; }

} // namespace tavuro
