// libbasswma: WMA files and MMS streams, played as libbass channels.
#include "basswma.h"
#include "BassPrivate.h"

namespace {
constexpr DWORD kFailDword = 0xFFFFFFFF;
constexpr BOOL No = FALSE;

template <typename T> T Fail(int code, T failureValue) {
    BASS_Private_SetError(code);
    return failureValue;
}
} // namespace

extern "C" {

BASSDEF(HSTREAM)
BASS_WMA_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD) {
    if (!file)
        return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
    if (mem || offset || length)
        return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
    // libbass sets the calling thread's error code itself.
    return BASS_Private_StreamCreateWma(static_cast<const char*>(file));
}

BASSDEF(void*) BASS_WMA_GetIWMReader(HSTREAM) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<void*>(nullptr));
}
BASSDEF(const DWORD*) BASS_WMA_EncodeGetRates(DWORD, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<const DWORD*>(nullptr));
}
BASSDEF(HWMENCODE) BASS_WMA_EncodeOpen(DWORD, DWORD, DWORD, WMENCODEPROC*, DWORD_PTR) {
    return Fail<HWMENCODE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HWMENCODE) BASS_WMA_EncodeOpenFile(DWORD, DWORD, DWORD, const char*) {
    return Fail<HWMENCODE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HWMENCODE) BASS_WMA_EncodeOpenNetwork(DWORD, DWORD, DWORD, DWORD, DWORD) {
    return Fail<HWMENCODE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(HWMENCODE)
BASS_WMA_EncodeOpenPublish(DWORD, DWORD, DWORD, const char*, const char*, const char*) {
    return Fail<HWMENCODE>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(DWORD) BASS_WMA_EncodeGetPort(HWMENCODE) {
    return Fail<DWORD>(BASS_ERROR_NOTAVAIL, 0);
}
BASSDEF(BOOL) BASS_WMA_EncodeSetNotify(HWMENCODE, CLIENTCONNECTPROC*, DWORD_PTR) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(DWORD) BASS_WMA_EncodeGetClients(HWMENCODE) {
    return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
}
BASSDEF(BOOL) BASS_WMA_EncodeSetTag(HWMENCODE, const char*, const char*) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_WMA_EncodeWrite(HWMENCODE, const void*, DWORD) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}
BASSDEF(BOOL) BASS_WMA_EncodeClose(HWMENCODE) {
    return Fail(BASS_ERROR_NOTAVAIL, No);
}

} // extern "C"
