/* libbasswma: the WMA add-on of libbass (C API). Its streams play on libbass's device and
 * answer every BASS_Channel... and BASS_Stream... call. */
#ifndef BASSWMA_H
#define BASSWMA_H

#include "bass.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef DWORD HWMENCODE;

#define BASS_ERROR_WMA_LICENSE 1000
#define BASS_ERROR_WMA_WM9 1001
#define BASS_ERROR_WMA_DENIED 1002
#define BASS_ERROR_WMA_INDIVIDUAL 1004
#define BASS_ERROR_WMA_PUBINIT 1005

/* BASS_WMA_StreamCreateFile flag: file is an mms:// (or http://) address */
#define BASS_WMA_STREAM_URL 4

typedef void CLIENTCONNECTPROC(HWMENCODE handle, BOOL connect, const char* ip, DWORD_PTR user);
typedef void WMENCODEPROC(HWMENCODE handle, DWORD type, const void* buffer, DWORD length,
                          DWORD_PTR user);

/* A WMA file, or with BASS_WMA_STREAM_URL an mms:// stream. */
BASSDEF(HSTREAM)
BASS_WMA_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
BASSDEF(void*) BASS_WMA_GetIWMReader(HSTREAM handle);
BASSDEF(const DWORD*) BASS_WMA_EncodeGetRates(DWORD freq, DWORD flags);
BASSDEF(HWMENCODE)
BASS_WMA_EncodeOpen(DWORD freq, DWORD flags, DWORD bitrate, WMENCODEPROC* proc, DWORD_PTR user);
BASSDEF(HWMENCODE)
BASS_WMA_EncodeOpenFile(DWORD freq, DWORD flags, DWORD bitrate, const char* file);
BASSDEF(HWMENCODE)
BASS_WMA_EncodeOpenNetwork(DWORD freq, DWORD flags, DWORD bitrate, DWORD port, DWORD clients);
BASSDEF(HWMENCODE)
BASS_WMA_EncodeOpenPublish(DWORD freq, DWORD flags, DWORD bitrate, const char* url,
                           const char* user, const char* pass);
BASSDEF(DWORD) BASS_WMA_EncodeGetPort(HWMENCODE handle);
BASSDEF(BOOL) BASS_WMA_EncodeSetNotify(HWMENCODE handle, CLIENTCONNECTPROC* proc, DWORD_PTR user);
BASSDEF(DWORD) BASS_WMA_EncodeGetClients(HWMENCODE handle);
BASSDEF(BOOL) BASS_WMA_EncodeSetTag(HWMENCODE handle, const char* tag, const char* text);
BASSDEF(BOOL) BASS_WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length);
BASSDEF(BOOL) BASS_WMA_EncodeClose(HWMENCODE handle);

#ifdef __cplusplus
}
#endif

#endif
