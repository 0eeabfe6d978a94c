// Both libraries resolve every entry point a run-time binding asks for, and nothing else leaks.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const kBassNames[] = {"SetConfig",
                                  "GetConfig",
                                  "GetVersion",
                                  "GetDeviceDescription",
                                  "ErrorGetCode",
                                  "Init",
                                  "SetDevice",
                                  "GetDevice",
                                  "Free",
                                  "GetDSoundObject",
                                  "GetInfo",
                                  "Update",
                                  "GetCPU",
                                  "Start",
                                  "Stop",
                                  "Pause",
                                  "SetVolume",
                                  "GetVolume",
                                  "Set3DFactors",
                                  "Get3DFactors",
                                  "Set3DPosition",
                                  "Get3DPosition",
                                  "Apply3D",
                                  "SetEAXParameters",
                                  "GetEAXParameters",
                                  "MusicLoad",
                                  "MusicFree",
                                  "MusicGetName",
                                  "MusicGetLength",
                                  "MusicPreBuf",
                                  "MusicPlay",
                                  "MusicPlayEx",
                                  "MusicSetAmplify",
                                  "MusicSetPanSep",
                                  "MusicSetPositionScaler",
                                  "MusicSetVolume",
                                  "MusicGetVolume",
                                  "SampleLoad",
                                  "SampleCreate",
                                  "SampleCreateDone",
                                  "SampleFree",
                                  "SampleGetInfo",
                                  "SampleSetInfo",
                                  "SamplePlay",
                                  "SamplePlayEx",
                                  "SamplePlay3D",
                                  "SamplePlay3DEx",
                                  "SampleStop",
                                  "StreamCreate",
                                  "StreamCreateFile",
                                  "StreamCreateURL",
                                  "StreamCreateFileUser",
                                  "StreamFree",
                                  "StreamGetLength",
                                  "StreamGetTags",
                                  "StreamPreBuf",
                                  "StreamPlay",
                                  "StreamGetFilePosition",
                                  "RecordGetDeviceDescription",
                                  "RecordInit",
                                  "RecordSetDevice",
                                  "RecordGetDevice",
                                  "RecordFree",
                                  "RecordGetInfo",
                                  "RecordGetInputName",
                                  "RecordSetInput",
                                  "RecordGetInput",
                                  "RecordStart",
                                  "ChannelBytes2Seconds",
                                  "ChannelSeconds2Bytes",
                                  "ChannelGetDevice",
                                  "ChannelIsActive",
                                  "ChannelGetInfo",
                                  "ChannelStop",
                                  "ChannelPause",
                                  "ChannelResume",
                                  "ChannelSetAttributes",
                                  "ChannelGetAttributes",
                                  "ChannelSlideAttributes",
                                  "ChannelIsSliding",
                                  "ChannelSet3DAttributes",
                                  "ChannelGet3DAttributes",
                                  "ChannelSet3DPosition",
                                  "ChannelGet3DPosition",
                                  "ChannelSetPosition",
                                  "ChannelGetPosition",
                                  "ChannelGetLevel",
                                  "ChannelGetData",
                                  "ChannelSetSync",
                                  "ChannelRemoveSync",
                                  "ChannelSetDSP",
                                  "ChannelRemoveDSP",
                                  "ChannelSetEAXMix",
                                  "ChannelGetEAXMix",
                                  "ChannelSetLink",
                                  "ChannelRemoveLink",
                                  "ChannelSetFX",
                                  "ChannelRemoveFX",
                                  "FXSetParameters",
                                  "FXGetParameters"};

const char* const kWmaNames[] = {"StreamCreateFile",  "GetIWMReader",   "EncodeGetRates",
                                 "EncodeOpen",        "EncodeOpenFile", "EncodeOpenNetwork",
                                 "EncodeOpenPublish", "EncodeGetPort",  "EncodeSetNotify",
                                 "EncodeGetClients",  "EncodeSetTag",   "EncodeWrite",
                                 "EncodeClose"};

std::vector<std::string> Missing(const std::string& library, const std::string& prefix,
                                 const char* const* names, size_t count) {
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return {dlerror()};
    std::vector<std::string> missing;
    for (size_t i = 0; i < count; ++i)
        if (!dlsym(handle, (prefix + names[i]).c_str()))
            missing.push_back(prefix + names[i]);
    dlclose(handle);
    return missing;
}

} // namespace

TEST(BassExports, LibbassResolvesAllHundredEntryPoints) {
    ASSERT_EQ(std::size(kBassNames), 100u);
    EXPECT_EQ(Missing(std::string(TAVURO_PROGRAM_DIR) + "/libbass.so", "BASS_", kBassNames,
                      std::size(kBassNames)),
              std::vector<std::string>{});
}

TEST(BassExports, LibbasswmaResolvesAllThirteenEntryPoints) {
    ASSERT_EQ(std::size(kWmaNames), 13u);
    EXPECT_EQ(Missing(std::string(TAVURO_PROGRAM_DIR) + "/libbasswma.so", "BASS_WMA_", kWmaNames,
                      std::size(kWmaNames)),
              std::vector<std::string>{});
}

TEST(BassExports, InternalsStayHidden) {
    void* handle =
        dlopen((std::string(TAVURO_PROGRAM_DIR) + "/libbass.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(dlsym(handle, "_ZN4bass8SetErrorEi"), nullptr); // bass::SetError(int)
    dlclose(handle);
}
