// Entry points of the BASS 2.0 API that the player never calls: they exist so that a binding
// resolving every name succeeds, and fail with BASS_ERROR_NOTAVAIL.
#include "Error.h"
#include "bass.h"

using bass::Fail;

namespace {
constexpr DWORD kFailDword = 0xFFFFFFFF;
constexpr BOOL No = FALSE;
} // namespace

extern "C" {

BASSDEF(void*) BASS_GetDSoundObject(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<void*>(nullptr));
}
BASSDEF(BOOL) BASS_Update(void) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(float) BASS_GetCPU(void) {
    return Fail(BASS_ERROR_NOTAVAIL, -1.0f);
}
BASSDEF(BOOL) BASS_Start(void) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_Stop(void) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_Pause(void) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_SetVolume(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_GetVolume(void) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}

BASSDEF(BOOL) BASS_Set3DFactors(float, float, float) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL) BASS_Get3DFactors(float*, float*, float*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL)
BASS_Set3DPosition(const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                   const BASS_3DVECTOR*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL) BASS_Get3DPosition(BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(void) BASS_Apply3D(void) {
    bass::SetError(BASS_ERROR_NO3D);
}
BASSDEF(BOOL) BASS_SetEAXParameters(int, float, float, float) {
    return Fail(BASS_ERROR_NOEAX, No);
}
BASSDEF(BOOL) BASS_GetEAXParameters(DWORD*, float*, float*, float*) {
    return Fail(BASS_ERROR_NOEAX, No);
}

BASSDEF(const char*) BASS_MusicGetName(HMUSIC) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
}
BASSDEF(BOOL) BASS_MusicPreBuf(HMUSIC) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_MusicPlayEx(HMUSIC, DWORD, int, BOOL) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_MusicSetAmplify(HMUSIC, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_MusicSetPanSep(HMUSIC, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_MusicSetPositionScaler(HMUSIC, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_MusicSetVolume(HMUSIC, DWORD, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_MusicGetVolume(HMUSIC, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}

BASSDEF(HSAMPLE) BASS_SampleLoad(BOOL, const void*, DWORD, DWORD, DWORD, DWORD) {
    return Fail<HSAMPLE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(void*) BASS_SampleCreate(DWORD, DWORD, DWORD, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<void*>(nullptr));
}
BASSDEF(HSAMPLE) BASS_SampleCreateDone(void) {
    return Fail<HSAMPLE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_SampleFree(HSAMPLE) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_SampleGetInfo(HSAMPLE, BASS_SAMPLE*) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_SampleSetInfo(HSAMPLE, const BASS_SAMPLE*) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(HCHANNEL) BASS_SamplePlay(HSAMPLE) {
    return Fail<HCHANNEL>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HCHANNEL) BASS_SamplePlayEx(HSAMPLE, DWORD, int, int, int, BOOL) {
    return Fail<HCHANNEL>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HCHANNEL)
BASS_SamplePlay3D(HSAMPLE, const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*) {
    return Fail<HCHANNEL>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HCHANNEL)
BASS_SamplePlay3DEx(HSAMPLE, const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                    DWORD, int, int, BOOL) {
    return Fail<HCHANNEL>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_SampleStop(HSAMPLE) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}

BASSDEF(HSTREAM) BASS_StreamCreateFileUser(BOOL, DWORD, STREAMFILEPROC*, DWORD_PTR) {
    return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_StreamPreBuf(HSTREAM) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}

BASSDEF(const char*) BASS_RecordGetDeviceDescription(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
}
BASSDEF(BOOL) BASS_RecordInit(int) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_RecordSetDevice(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_RecordGetDevice(void) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}
BASSDEF(BOOL) BASS_RecordFree(void) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_RecordGetInfo(BASS_RECORDINFO*) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(const char*) BASS_RecordGetInputName(int) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
}
BASSDEF(BOOL) BASS_RecordSetInput(int, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_RecordGetInput(int) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}
BASSDEF(HRECORD) BASS_RecordStart(DWORD, DWORD, DWORD, RECORDPROC*, DWORD_PTR) {
    return Fail<HRECORD>(BASS_ERROR_NOTAVAIL, 0);
}

BASSDEF(DWORD) BASS_ChannelGetDevice(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}
BASSDEF(BOOL) BASS_ChannelSlideAttributes(DWORD, int, int, int, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_ChannelIsSliding(DWORD) {
    return Fail<DWORD>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_ChannelSet3DAttributes(DWORD, int, float, float, int, int, int) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL) BASS_ChannelGet3DAttributes(DWORD, DWORD*, float*, float*, DWORD*, DWORD*, DWORD*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL)
BASS_ChannelSet3DPosition(DWORD, const BASS_3DVECTOR*, const BASS_3DVECTOR*, const BASS_3DVECTOR*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(BOOL) BASS_ChannelGet3DPosition(DWORD, BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
    return Fail(BASS_ERROR_NO3D, No);
}
BASSDEF(DWORD) BASS_ChannelGetLevel(DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}
BASSDEF(HDSP) BASS_ChannelSetDSP(DWORD, DSPPROC*, DWORD_PTR, int) {
    return Fail<HDSP>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_ChannelRemoveDSP(DWORD, HDSP) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_ChannelSetEAXMix(DWORD, float) {
    return Fail(BASS_ERROR_NOEAX, No);
}
BASSDEF(BOOL) BASS_ChannelGetEAXMix(DWORD, float*) {
    return Fail(BASS_ERROR_NOEAX, No);
}
BASSDEF(BOOL) BASS_ChannelSetLink(DWORD, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_ChannelRemoveLink(DWORD, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(HFX) BASS_ChannelSetFX(DWORD, DWORD, DWORD) {
    return Fail<HFX>(BASS_ERROR_NOFX, 0);
}
BASSDEF(BOOL) BASS_ChannelRemoveFX(DWORD, HFX) {
    return Fail(BASS_ERROR_NOFX, No);
}
BASSDEF(BOOL) BASS_FXSetParameters(HFX, void*) {
    return Fail(BASS_ERROR_NOFX, No);
}
BASSDEF(BOOL) BASS_FXGetParameters(HFX, void*) {
    return Fail(BASS_ERROR_NOFX, No);
}

} // extern "C"
