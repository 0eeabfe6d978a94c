/* Entry points of libbass meant for its add-ons only (not part of the BASS API). */
#ifndef BASS_PRIVATE_H
#define BASS_PRIVATE_H

#include "bass.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sets the calling thread's BASS_ErrorGetCode value. */
BASSDEF(void) BASS_Private_SetError(int code);

/* A stream of the WMA add-on: a local WMA file, or an mms:// address. 0 with an error code. */
BASSDEF(HSTREAM) BASS_Private_StreamCreateWma(const char* path);

#ifdef __cplusplus
}
#endif

#endif
