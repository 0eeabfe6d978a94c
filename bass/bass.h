/* libbass: a BASS 2.0 compatible audio library for Linux (C API).
 *
 * Handles are 32-bit numbers; 0 is never a valid handle. Every function sets the error code
 * that BASS_ErrorGetCode returns on the calling thread: BASS_OK on success, else the reason of
 * the failure. User values and a sync's data argument are pointer-wide. */
#ifndef BASS_H
#define BASS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define BASSDEF(type) __attribute__((visibility("default"))) type
#else
#define BASSDEF(type) type
#endif

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef uintptr_t DWORD_PTR; /* pointer-wide user values and sync data */
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
#define BASS_VERSION_VALUE 2 /* major 2 in the low word, minor 0 in the high word */

typedef DWORD HMUSIC;   /* module music */
typedef DWORD HSAMPLE;  /* sample */
typedef DWORD HCHANNEL; /* playing sample */
typedef DWORD HSTREAM;  /* stream */
typedef DWORD HRECORD;  /* recording */
typedef DWORD HSYNC;    /* synchroniser */
typedef DWORD HDSP;     /* DSP function */
typedef DWORD HFX;      /* effect */
typedef void* HWND_T;   /* window handle given to BASS_Init; kept, not used */

/* Error codes (BASS_ErrorGetCode) */
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_BUFLOST 4
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOPAUSE 16
#define BASS_ERROR_NOTAUDIO 17
#define BASS_ERROR_NOCHAN 18
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_NO3D 21
#define BASS_ERROR_NOEAX 22
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_FREQ 25
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_NOHW 29
#define BASS_ERROR_EMPTY 31
#define BASS_ERROR_NONET 32
#define BASS_ERROR_CREATE 33
#define BASS_ERROR_NOFX 34
#define BASS_ERROR_PLAYING 35
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_DX 39
#define BASS_ERROR_TIMEOUT 40
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_SPEAKER 42
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_UNKNOWN -1

/* BASS_SetConfig options */
#define BASS_CONFIG_BUFFER 0
#define BASS_CONFIG_UPDATEPERIOD 1
#define BASS_CONFIG_MAXVOL 3
#define BASS_CONFIG_GVOL_SAMPLE 4
#define BASS_CONFIG_GVOL_STREAM 5  /* 0..100, volume of every stream */
#define BASS_CONFIG_GVOL_MUSIC 6   /* 0..100, volume of every module music */
#define BASS_CONFIG_NET_TIMEOUT 11 /* ms to connect and to get an answer, default 5000 */
#define BASS_CONFIG_NET_BUFFER 12  /* ms of a live stream kept ahead, default 5000 */

/* BASS_Init flags */
#define BASS_DEVICE_8BITS 1
#define BASS_DEVICE_MONO 2
#define BASS_DEVICE_3D 4

/* Sample, stream and music flags */
#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_LOOP 4
#define BASS_SAMPLE_3D 8
#define BASS_SAMPLE_SOFTWARE 16
#define BASS_SAMPLE_FLOAT 256
#define BASS_STREAM_AUTOFREE 0x40000
#define BASS_STREAM_RESTRATE 0x80000
#define BASS_STREAM_BLOCK 0x100000
#define BASS_STREAM_DECODE 0x200000
#define BASS_STREAM_META 0x400000 /* ask a Shoutcast server for metadata */
#define BASS_STREAM_STATUS 0x800000
#define BASS_MUSIC_LOOP BASS_SAMPLE_LOOP
#define BASS_MUSIC_CALCLEN 0x8000 /* work out the playback length */

/* BASS_ChannelIsActive */
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

/* BASS_CHANNELINFO types */
#define BASS_CTYPE_SAMPLE 1
#define BASS_CTYPE_RECORD 2
#define BASS_CTYPE_STREAM 0x10000
#define BASS_CTYPE_STREAM_WAV 0x10001
#define BASS_CTYPE_STREAM_OGG 0x10002
#define BASS_CTYPE_STREAM_MP1 0x10003
#define BASS_CTYPE_STREAM_MP2 0x10004
#define BASS_CTYPE_STREAM_MP3 0x10005
#define BASS_CTYPE_STREAM_WMA 0x10300
/* Formats this library adds to those of BASS 2.0. */
#define BASS_CTYPE_STREAM_FLAC 0x10400
#define BASS_CTYPE_STREAM_OPUS 0x10401
#define BASS_CTYPE_STREAM_AAC 0x10402
#define BASS_CTYPE_STREAM_ALAC 0x10403
#define BASS_CTYPE_MUSIC_MOD 0x20000
#define BASS_CTYPE_MUSIC_MTM 0x20001
#define BASS_CTYPE_MUSIC_S3M 0x20002
#define BASS_CTYPE_MUSIC_XM 0x20003
#define BASS_CTYPE_MUSIC_IT 0x20004

/* BASS_StreamGetTags kinds */
#define BASS_TAG_ID3 0   /* the 128-byte ID3v1 block */
#define BASS_TAG_ID3V2 1 /* the whole ID3v2 block */
#define BASS_TAG_OGG 2   /* Ogg comments: NUL-terminated strings ended by an empty one */
#define BASS_TAG_HTTP 3  /* HTTP response headers, the same form */
#define BASS_TAG_ICY 4   /* ICY (Shoutcast) response headers, the same form */
#define BASS_TAG_META 5  /* the last Shoutcast metadata block */

/* BASS_StreamGetFilePosition modes */
#define BASS_FILEPOS_DECODE 0
#define BASS_FILEPOS_DOWNLOAD 1
#define BASS_FILEPOS_END 2 /* the file size; 0xFFFFFFFF when not known */
#define BASS_FILEPOS_START 3

/* BASS_ChannelSetSync types */
#define BASS_SYNC_POS 0
#define BASS_SYNC_END 2  /* the last sample has been heard */
#define BASS_SYNC_META 4 /* new Shoutcast metadata; data = its text */
#define BASS_SYNC_SLIDE 5
#define BASS_SYNC_STALL 6
#define BASS_SYNC_DOWNLOAD 7 /* the whole net file is in */
#define BASS_SYNC_MIXTIME 0x40000000
#define BASS_SYNC_ONETIME 0x80000000

/* BASS_ChannelGetData lengths */
#define BASS_DATA_FFT512 0x80000000  /* 256 floats */
#define BASS_DATA_FFT1024 0x80000001 /* 512 floats */
#define BASS_DATA_FFT2048 0x80000002 /* 1024 floats */

/* BASS_StreamCreate: a return with this bit ends the stream after the bytes delivered */
#define BASS_STREAMPROC_END 0x80000000

typedef struct {
    DWORD freq;  /* default playback rate */
    DWORD chans; /* channels */
    DWORD flags; /* BASS_SAMPLE_8BITS when the source has 8-bit samples */
    DWORD ctype; /* BASS_CTYPE_... */
} BASS_CHANNELINFO;

typedef struct {
    DWORD flags, hwsize, hwfree, freesam, free3d, minrate, maxrate, eax, minbuf, dsver, latency,
        initflags, speakers, driver;
} BASS_INFO;

typedef struct {
    DWORD flags, hwsize, hwfree, freesam, free3d, minrate, maxrate, eax, minbuf, dsver, latency,
        initflags, speakers, driver;
} BASS_RECORDINFO;

typedef struct {
    DWORD freq, volume;
    int pan;
    DWORD flags, length, max, mode3d;
    float mindist, maxdist;
    DWORD iangle, oangle, outvol, vam, priority;
} BASS_SAMPLE;

typedef struct {
    float x, y, z;
} BASS_3DVECTOR;

/* Called on a library thread (never the mixing thread) when a sync is met. */
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD_PTR data, DWORD_PTR user);
/* Pulled by a library thread while the stream plays: fill up to length bytes of buffer and
 * return the count, with BASS_STREAMPROC_END added at the end of the stream. */
typedef DWORD STREAMPROC(HSTREAM handle, void* buffer, DWORD length, DWORD_PTR user);
typedef void DOWNLOADPROC(const void* buffer, DWORD length, DWORD_PTR user);
typedef void DSPPROC(HDSP handle, DWORD channel, void* buffer, DWORD length, DWORD_PTR user);
typedef BOOL RECORDPROC(HRECORD handle, const void* buffer, DWORD length, DWORD_PTR user);
typedef DWORD STREAMFILEPROC(DWORD action, DWORD param1, DWORD param2, DWORD_PTR user);

/* Configuration and device */
BASSDEF(DWORD) BASS_SetConfig(DWORD option, DWORD value);
BASSDEF(DWORD) BASS_GetConfig(DWORD option);
BASSDEF(DWORD) BASS_GetVersion(void);
BASSDEF(const char*) BASS_GetDeviceDescription(DWORD device);
BASSDEF(int) BASS_ErrorGetCode(void);
/* device 0: no sound, channels advance in real time; 1 (or -1): the default output. */
BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD flags, HWND_T window, const void* dsguid);
BASSDEF(BOOL) BASS_SetDevice(DWORD device);
BASSDEF(DWORD) BASS_GetDevice(void);
BASSDEF(BOOL) BASS_Free(void);
BASSDEF(void*) BASS_GetDSoundObject(DWORD object);
BASSDEF(BOOL) BASS_GetInfo(BASS_INFO* info);
BASSDEF(BOOL) BASS_Update(void);
BASSDEF(float) BASS_GetCPU(void);
BASSDEF(BOOL) BASS_Start(void);
BASSDEF(BOOL) BASS_Stop(void);
BASSDEF(BOOL) BASS_Pause(void);
BASSDEF(BOOL) BASS_SetVolume(DWORD volume);
BASSDEF(DWORD) BASS_GetVolume(void);

/* 3D and EAX (not available) */
BASSDEF(BOOL) BASS_Set3DFactors(float distf, float rollf, float doppf);
BASSDEF(BOOL) BASS_Get3DFactors(float* distf, float* rollf, float* doppf);
BASSDEF(BOOL)
BASS_Set3DPosition(const BASS_3DVECTOR* pos, const BASS_3DVECTOR* vel, const BASS_3DVECTOR* front,
                   const BASS_3DVECTOR* top);
BASSDEF(BOOL)
BASS_Get3DPosition(BASS_3DVECTOR* pos, BASS_3DVECTOR* vel, BASS_3DVECTOR* front,
                   BASS_3DVECTOR* top);
BASSDEF(void) BASS_Apply3D(void);
BASSDEF(BOOL) BASS_SetEAXParameters(int env, float vol, float decay, float damp);
BASSDEF(BOOL) BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp);

/* Module music (MOD, S3M, XM, IT, MTM) */
BASSDEF(HMUSIC)
BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags, DWORD freq);
BASSDEF(BOOL) BASS_MusicFree(HMUSIC handle);
BASSDEF(const char*) BASS_MusicGetName(HMUSIC handle);
/* playlen TRUE: the playback length in bytes of the 16-bit output; (QWORD)-1 on failure. */
BASSDEF(QWORD) BASS_MusicGetLength(HMUSIC handle, BOOL playlen);
BASSDEF(BOOL) BASS_MusicPreBuf(HMUSIC handle);
BASSDEF(BOOL) BASS_MusicPlay(HMUSIC handle);
BASSDEF(BOOL) BASS_MusicPlayEx(HMUSIC handle, DWORD pos, int flags, BOOL reset);
BASSDEF(BOOL) BASS_MusicSetAmplify(HMUSIC handle, DWORD amp);
BASSDEF(BOOL) BASS_MusicSetPanSep(HMUSIC handle, DWORD pan);
BASSDEF(BOOL) BASS_MusicSetPositionScaler(HMUSIC handle, DWORD scale);
BASSDEF(BOOL) BASS_MusicSetVolume(HMUSIC handle, DWORD chanins, DWORD volume);
BASSDEF(DWORD) BASS_MusicGetVolume(HMUSIC handle, DWORD chanins);

/* Samples (not available) */
BASSDEF(HSAMPLE)
BASS_SampleLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD max, DWORD flags);
BASSDEF(void*) BASS_SampleCreate(DWORD length, DWORD freq, DWORD max, DWORD flags);
BASSDEF(HSAMPLE) BASS_SampleCreateDone(void);
BASSDEF(BOOL) BASS_SampleFree(HSAMPLE handle);
BASSDEF(BOOL) BASS_SampleGetInfo(HSAMPLE handle, BASS_SAMPLE* info);
BASSDEF(BOOL) BASS_SampleSetInfo(HSAMPLE handle, const BASS_SAMPLE* info);
BASSDEF(HCHANNEL) BASS_SamplePlay(HSAMPLE handle);
BASSDEF(HCHANNEL)
BASS_SamplePlayEx(HSAMPLE handle, DWORD start, int freq, int volume, int pan, BOOL loop);
BASSDEF(HCHANNEL)
BASS_SamplePlay3D(HSAMPLE handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient,
                  const BASS_3DVECTOR* vel);
BASSDEF(HCHANNEL)
BASS_SamplePlay3DEx(HSAMPLE handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient,
                    const BASS_3DVECTOR* vel, DWORD start, int freq, int volume, BOOL loop);
BASSDEF(BOOL) BASS_SampleStop(HSAMPLE handle);

/* Streams */
BASSDEF(HSTREAM)
BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, DWORD_PTR user);
/* MP1, MP2, MP3, Ogg Vorbis and WAV files, decoded to 16-bit samples at the file's rate.
 * With BASS_STREAM_DECODE the stream is not played but read with BASS_ChannelGetData. */
BASSDEF(HSTREAM)
BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
/* http:// and ftp:// addresses; returns within the net timeout. */
BASSDEF(HSTREAM)
BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                     DWORD_PTR user);
BASSDEF(HSTREAM)
BASS_StreamCreateFileUser(BOOL buffered, DWORD flags, STREAMFILEPROC* proc, DWORD_PTR user);
/* Once this returns, no callback of the stream runs any more. */
BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle);
/* Bytes of the 16-bit output; (QWORD)-1 while not known. */
BASSDEF(QWORD) BASS_StreamGetLength(HSTREAM handle);
/* Tag data owned by the stream (valid until it is freed), or NULL. */
BASSDEF(const char*) BASS_StreamGetTags(HSTREAM handle, DWORD tags);
BASSDEF(BOOL) BASS_StreamPreBuf(HSTREAM handle);
/* flush TRUE starts the stream from its beginning (a user stream drops what it buffered). */
BASSDEF(BOOL) BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);
BASSDEF(DWORD) BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);

/* Recording (not available) */
BASSDEF(const char*) BASS_RecordGetDeviceDescription(DWORD device);
BASSDEF(BOOL) BASS_RecordInit(int device);
BASSDEF(BOOL) BASS_RecordSetDevice(DWORD device);
BASSDEF(DWORD) BASS_RecordGetDevice(void);
BASSDEF(BOOL) BASS_RecordFree(void);
BASSDEF(BOOL) BASS_RecordGetInfo(BASS_RECORDINFO* info);
BASSDEF(const char*) BASS_RecordGetInputName(int input);
BASSDEF(BOOL) BASS_RecordSetInput(int input, DWORD setting);
BASSDEF(DWORD) BASS_RecordGetInput(int input);
BASSDEF(HRECORD)
BASS_RecordStart(DWORD freq, DWORD chans, DWORD flags, RECORDPROC* proc, DWORD_PTR user);

/* Channels (streams and music) */
BASSDEF(float) BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, float pos);
BASSDEF(DWORD) BASS_ChannelGetDevice(DWORD handle);
BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle);
BASSDEF(BOOL) BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
BASSDEF(BOOL) BASS_ChannelStop(DWORD handle);
BASSDEF(BOOL) BASS_ChannelPause(DWORD handle);
BASSDEF(BOOL) BASS_ChannelResume(DWORD handle);
/* freq 100..100000 Hz, volume 0..100, pan -100..100; -1 keeps a value. */
BASSDEF(BOOL) BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
BASSDEF(BOOL) BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan);
BASSDEF(BOOL) BASS_ChannelSlideAttributes(DWORD handle, int freq, int volume, int pan, DWORD time);
BASSDEF(DWORD) BASS_ChannelIsSliding(DWORD handle);
BASSDEF(BOOL)
BASS_ChannelSet3DAttributes(DWORD handle, int mode, float min, float max, int iangle, int oangle,
                            int outvol);
BASSDEF(BOOL)
BASS_ChannelGet3DAttributes(DWORD handle, DWORD* mode, float* min, float* max, DWORD* iangle,
                            DWORD* oangle, DWORD* outvol);
BASSDEF(BOOL)
BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient,
                          const BASS_3DVECTOR* vel);
BASSDEF(BOOL)
BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                          BASS_3DVECTOR* vel);
BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD pos);
/* The bytes already heard, (QWORD)-1 on failure. */
BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle);
BASSDEF(DWORD) BASS_ChannelGetLevel(DWORD handle);
/* BASS_DATA_FFT512/1024/2048: spectrum magnitudes as floats; (DWORD)-1 when not playing.
 * Any other length on a BASS_STREAM_DECODE stream: that many bytes of its PCM, waiting for the
 * decoder; the count delivered, (DWORD)-1 with BASS_ERROR_ENDED at its end. */
BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
BASSDEF(HSYNC)
BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, DWORD_PTR user);
BASSDEF(BOOL) BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
BASSDEF(HDSP) BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, DWORD_PTR user, int priority);
BASSDEF(BOOL) BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp);
BASSDEF(BOOL) BASS_ChannelSetEAXMix(DWORD handle, float mix);
BASSDEF(BOOL) BASS_ChannelGetEAXMix(DWORD handle, float* mix);
BASSDEF(BOOL) BASS_ChannelSetLink(DWORD handle, DWORD chan);
BASSDEF(BOOL) BASS_ChannelRemoveLink(DWORD handle, DWORD chan);
BASSDEF(HFX) BASS_ChannelSetFX(DWORD handle, DWORD type, DWORD priority);
BASSDEF(BOOL) BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BASSDEF(BOOL) BASS_FXSetParameters(HFX handle, void* params);
BASSDEF(BOOL) BASS_FXGetParameters(HFX handle, void* params);

#ifdef __cplusplus
}
#endif

#endif
