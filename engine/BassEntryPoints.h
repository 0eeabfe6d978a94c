#pragma once

// The entry points the engine resolves by name, all or nothing. One list makes both the
// function-pointer members and the table of names to resolve.

#define TAVURO_BASS_ENTRY_POINTS(X) \
    X(BASS_SetConfig) \
    X(BASS_GetConfig) \
    X(BASS_GetVersion) \
    X(BASS_GetDeviceDescription) \
    X(BASS_ErrorGetCode) \
    X(BASS_Init) \
    X(BASS_SetDevice) \
    X(BASS_GetDevice) \
    X(BASS_Free) \
    X(BASS_GetDSoundObject) \
    X(BASS_GetInfo) \
    X(BASS_Update) \
    X(BASS_GetCPU) \
    X(BASS_Start) \
    X(BASS_Stop) \
    X(BASS_Pause) \
    X(BASS_SetVolume) \
    X(BASS_GetVolume) \
    X(BASS_Set3DFactors) \
    X(BASS_Get3DFactors) \
    X(BASS_Set3DPosition) \
    X(BASS_Get3DPosition) \
    X(BASS_Apply3D) \
    X(BASS_SetEAXParameters) \
    X(BASS_GetEAXParameters) \
    X(BASS_MusicLoad) \
    X(BASS_MusicFree) \
    X(BASS_MusicGetName) \
    X(BASS_MusicGetLength) \
    X(BASS_MusicPreBuf) \
    X(BASS_MusicPlay) \
    X(BASS_MusicPlayEx) \
    X(BASS_MusicSetAmplify) \
    X(BASS_MusicSetPanSep) \
    X(BASS_MusicSetPositionScaler) \
    X(BASS_MusicSetVolume) \
    X(BASS_MusicGetVolume) \
    X(BASS_SampleLoad) \
    X(BASS_SampleCreate) \
    X(BASS_SampleCreateDone) \
    X(BASS_SampleFree) \
    X(BASS_SampleGetInfo) \
    X(BASS_SampleSetInfo) \
    X(BASS_SamplePlay) \
    X(BASS_SamplePlayEx) \
    X(BASS_SamplePlay3D) \
    X(BASS_SamplePlay3DEx) \
    X(BASS_SampleStop) \
    X(BASS_StreamCreate) \
    X(BASS_StreamCreateFile) \
    X(BASS_StreamCreateURL) \
    X(BASS_StreamCreateFileUser) \
    X(BASS_StreamFree) \
    X(BASS_StreamGetLength) \
    X(BASS_StreamGetTags) \
    X(BASS_StreamPreBuf) \
    X(BASS_StreamPlay) \
    X(BASS_StreamGetFilePosition) \
    X(BASS_RecordGetDeviceDescription) \
    X(BASS_RecordInit) \
    X(BASS_RecordSetDevice) \
    X(BASS_RecordGetDevice) \
    X(BASS_RecordFree) \
    X(BASS_RecordGetInfo) \
    X(BASS_RecordGetInputName) \
    X(BASS_RecordSetInput) \
    X(BASS_RecordGetInput) \
    X(BASS_RecordStart) \
    X(BASS_ChannelBytes2Seconds) \
    X(BASS_ChannelSeconds2Bytes) \
    X(BASS_ChannelGetDevice) \
    X(BASS_ChannelIsActive) \
    X(BASS_ChannelGetInfo) \
    X(BASS_ChannelStop) \
    X(BASS_ChannelPause) \
    X(BASS_ChannelResume) \
    X(BASS_ChannelSetAttributes) \
    X(BASS_ChannelGetAttributes) \
    X(BASS_ChannelSlideAttributes) \
    X(BASS_ChannelIsSliding) \
    X(BASS_ChannelSet3DAttributes) \
    X(BASS_ChannelGet3DAttributes) \
    X(BASS_ChannelSet3DPosition) \
    X(BASS_ChannelGet3DPosition) \
    X(BASS_ChannelSetPosition) \
    X(BASS_ChannelGetPosition) \
    X(BASS_ChannelGetLevel) \
    X(BASS_ChannelGetData) \
    X(BASS_ChannelSetSync) \
    X(BASS_ChannelRemoveSync) \
    X(BASS_ChannelSetDSP) \
    X(BASS_ChannelRemoveDSP) \
    X(BASS_ChannelSetEAXMix) \
    X(BASS_ChannelGetEAXMix) \
    X(BASS_ChannelSetLink) \
    X(BASS_ChannelRemoveLink) \
    X(BASS_ChannelSetFX) \
    X(BASS_ChannelRemoveFX) \
    X(BASS_FXSetParameters) \
    X(BASS_FXGetParameters)

#define TAVURO_BASS_WMA_ENTRY_POINTS(X) \
    X(BASS_WMA_StreamCreateFile) \
    X(BASS_WMA_GetIWMReader) \
    X(BASS_WMA_EncodeGetRates) \
    X(BASS_WMA_EncodeOpen) \
    X(BASS_WMA_EncodeOpenFile) \
    X(BASS_WMA_EncodeOpenNetwork) \
    X(BASS_WMA_EncodeOpenPublish) \
    X(BASS_WMA_EncodeGetPort) \
    X(BASS_WMA_EncodeSetNotify) \
    X(BASS_WMA_EncodeGetClients) \
    X(BASS_WMA_EncodeSetTag) \
    X(BASS_WMA_EncodeWrite) \
    X(BASS_WMA_EncodeClose)

#define TAVURO_COUNT_ENTRY_POINT(name) +1
constexpr int kBassEntryPointCount = 0 TAVURO_BASS_ENTRY_POINTS(TAVURO_COUNT_ENTRY_POINT);
constexpr int kBassWmaEntryPointCount = 0 TAVURO_BASS_WMA_ENTRY_POINTS(TAVURO_COUNT_ENTRY_POINT);
#undef TAVURO_COUNT_ENTRY_POINT
