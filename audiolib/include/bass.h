// Public interface of our audio library, built as bass.dll.
//
// Conventions chosen where the program's needs leave room:
//  - Text crossing this boundary (file paths, device names, tags) is UTF-8.
//  - Byte positions and lengths count bytes of the stream's decoded 16-bit
//    PCM at the stream's own sample rate and channel count.
//  - Every call that can fail records a reason that BASS_LastError() returns
//    on the calling thread.
//  - Unless a function says otherwise it may be called from any thread; calls
//    are serialised inside the library and never wait on file I/O of another
//    stream.
#ifndef AUDIOLIB_BASS_H
#define AUDIOLIB_BASS_H

#include <stdint.h>

#ifdef _WIN32
#define BASSAPI __stdcall
#ifdef AUDIOLIB_BUILDING
#define BASSDEF __declspec(dllexport)
#else
#define BASSDEF
#endif
#else
#define BASSAPI
#define BASSDEF
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t BASS_DWORD;
typedef uint64_t BASS_QWORD;
typedef int BASS_BOOL;
typedef BASS_DWORD HSTREAM;

// Position modes, tag kinds, attributes and data requests.
#define BASS_POS_BYTE 0
#define BASS_TAG_ID3 0
#define BASS_ATTRIB_VOL 2
#define BASS_DATA_FFT256 0x80000000u

// BASS_ChannelIsActive results.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// Error codes returned by BASS_LastError().
#define BASS_OK 0
#define BASS_ERROR_MEM 1           // out of memory
#define BASS_ERROR_FILEOPEN 2      // the file could not be opened
#define BASS_ERROR_DRIVER 3        // no usable output driver
#define BASS_ERROR_HANDLE 5        // not a valid stream handle
#define BASS_ERROR_FORMAT 6        // sample format not supported by the device
#define BASS_ERROR_POSITION 7      // position out of range
#define BASS_ERROR_INIT 8          // BASS_Init has not succeeded
#define BASS_ERROR_ALREADY 14      // already initialised
#define BASS_ERROR_ILLPARAM 20     // an argument is invalid
#define BASS_ERROR_DEVICE 23       // no such device
#define BASS_ERROR_NOTAVAIL 37     // the requested data is not available
#define BASS_ERROR_FILEFORM 41     // the content is not audio we can decode
#define BASS_ERROR_NOTSUPPORTED 43 // the operation is not supported (URLs)
#define BASS_ERROR_CODEC 44        // no system codec for this format
#define BASS_ERROR_UNKNOWN -1

typedef struct BASS_DEVICEINFO {
    const char* name;   // friendly name, UTF-8
    const char* driver; // endpoint id, UTF-8
    BASS_DWORD flags;   // BASS_DEVICE_* below
} BASS_DEVICEINFO;

#define BASS_DEVICE_ENABLED 1
#define BASS_DEVICE_DEFAULT 2
#define BASS_DEVICE_INIT 4

// Devices. device: -1 the system default (the no-sound device when the
// system has no output), 0 no sound (streams advance in real time, nothing
// is heard), 1.. the active render endpoints with the default first.
// freq, flags, win and clsid are accepted and ignored: output runs at the
// device's own mix rate through WASAPI shared mode.
// Init and Free may be called any number of times; a second Init without a
// Free fails with BASS_ERROR_ALREADY. Free stops (with a short fade) and
// frees every stream. Thread safety: any thread; serialised with all other
// calls.
BASSDEF BASS_BOOL BASSAPI BASS_Init(int device, BASS_DWORD freq, BASS_DWORD flags, void* win,
                                    const void* clsid);
BASSDEF BASS_BOOL BASSAPI BASS_Free(void);
// The initialised device, or (BASS_DWORD)-1 when none. Any thread.
BASSDEF BASS_DWORD BASSAPI BASS_GetDevice(void);
// Device 0 is "No sound". The strings stay valid until the library is
// unloaded. Works without Init. Any thread.
BASSDEF BASS_BOOL BASSAPI BASS_GetDeviceInfo(BASS_DWORD device, BASS_DEVICEINFO* info);
// Master volume 0..1 of our output, kept across Free and Init. Any thread.
BASSDEF BASS_BOOL BASSAPI BASS_SetVolume(float volume);
BASSDEF float BASSAPI BASS_GetVolume(void);
// The reason the calling thread's last failed call failed (BASS_OK after a
// success). Per thread, never blocks.
BASSDEF int BASSAPI BASS_LastError(void);

// Streams, after a successful Init. The format (WAV or MP3) is found from the
// content, never from the name.
// mem FALSE: file is a UTF-8 path; offset and length (0: to the end) select
// the part of the file that holds the audio. The file is read while the
// stream lives and may be deleted meanwhile.
// mem TRUE: file points at length bytes that the caller keeps alive while the
// stream exists; the audio starts at offset within them.
// The stream is decoded ahead at creation so that a play starts at once.
// Any thread; may read the file, never waits for another stream's file.
BASSDEF HSTREAM BASSAPI BASS_StreamCreateFile(BASS_BOOL mem, const void* file, BASS_QWORD offset,
                                              BASS_QWORD length, BASS_DWORD flags);
// Network streams are not supported: always 0 with BASS_ERROR_NOTSUPPORTED.
BASSDEF HSTREAM BASSAPI BASS_StreamCreateURL(const char* url, BASS_DWORD offset, BASS_DWORD flags, void* proc,
                                             void* user);
// Frees a stream (a playing one fades out over a few ms). 0 is harmless
// (returns FALSE with BASS_ERROR_HANDLE). Any thread.
BASSDEF BASS_BOOL BASSAPI BASS_StreamFree(HSTREAM handle);

// Channel operations. All: any thread, serialised, never wait on file I/O of
// another stream. An unknown or freed handle fails with BASS_ERROR_HANDLE.
// Play: restart TRUE starts from the beginning; FALSE resumes where the
// stream was stopped or paused. Sound reaches the device within one period.
BASSDEF BASS_BOOL BASSAPI BASS_ChannelPlay(BASS_DWORD handle, BASS_BOOL restart);
// Pause keeps the position (FALSE with BASS_ERROR_NOTAVAIL if not playing).
BASSDEF BASS_BOOL BASSAPI BASS_ChannelPause(BASS_DWORD handle);
// Stop silences within one period; the stream stays valid and keeps its position.
BASSDEF BASS_BOOL BASSAPI BASS_ChannelStop(BASS_DWORD handle);
// BASS_ACTIVE_*; STALLED when playing but decoding has fallen behind.
BASSDEF BASS_DWORD BASSAPI BASS_ChannelIsActive(BASS_DWORD handle);
// Positions and lengths in bytes of decoded 16-bit PCM (mode BASS_POS_BYTE
// only; others fail with BASS_ERROR_ILLPARAM). Errors return (BASS_QWORD)-1.
// The length of an MP3 without a frame count is an estimate from its bit
// rate until it has been decoded to the end. Seeking within an MP3 decodes
// from the start of the file up to the target.
BASSDEF BASS_QWORD BASSAPI BASS_ChannelGetPosition(BASS_DWORD handle, BASS_DWORD mode);
BASSDEF BASS_BOOL BASSAPI BASS_ChannelSetPosition(BASS_DWORD handle, BASS_QWORD pos, BASS_DWORD mode);
BASSDEF BASS_QWORD BASSAPI BASS_ChannelGetLength(BASS_DWORD handle, BASS_DWORD mode);
// BASS_TAG_ID3: the 128-byte ID3v1 block ("TAG" ...) followed by a NUL, or
// NULL (BASS_ERROR_NOTAVAIL) when the file has none. Valid while the stream exists.
BASSDEF const char* BASSAPI BASS_ChannelGetTags(BASS_DWORD handle, BASS_DWORD tags);
// length BASS_DATA_FFT256: buffer receives 128 floats, the magnitudes of a
// Hann-windowed 256-point FFT of the stream's most recent output (a full-scale
// sine on a bin reads 1.0); returns 512.
// Any other length (no flag bits): buffer receives that many bytes of decoded
// 16-bit PCM of a stream that is not playing, advancing its position; returns
// the bytes copied. Failure returns (BASS_DWORD)-1.
BASSDEF BASS_DWORD BASSAPI BASS_ChannelGetData(BASS_DWORD handle, void* buffer, BASS_DWORD length);
// BASS_ATTRIB_VOL: 0..1 (values outside are clamped); a playing stream
// changes within one period, ramped over it so that nothing clicks.
BASSDEF BASS_BOOL BASSAPI BASS_ChannelSetAttribute(BASS_DWORD handle, BASS_DWORD attrib, float value);
BASSDEF BASS_BOOL BASSAPI BASS_ChannelGetAttribute(BASS_DWORD handle, BASS_DWORD attrib, float* value);
// Conversions at the stream's own rate and channel count; -1 / (BASS_QWORD)-1 on error.
BASSDEF double BASSAPI BASS_ChannelBytes2Seconds(BASS_DWORD handle, BASS_QWORD pos);
BASSDEF BASS_QWORD BASSAPI BASS_ChannelSeconds2Bytes(BASS_DWORD handle, double pos);

// Our own measurements, for benchmarks and diagnostics.

// Time from the last BASS_ChannelPlay of the stream to the moment its first
// sample was written into the device buffer. FALSE (BASS_ERROR_NOTAVAIL)
// until that has happened. Any thread.
BASSDEF BASS_BOOL BASSAPI BASSX_ChannelGetStartDelay(HSTREAM handle, double* seconds);
// The same two moments as QueryPerformanceCounter values, so that a caller can
// measure from an event of its own (a click) to the first sample. Any thread.
BASSDEF BASS_BOOL BASSAPI BASSX_ChannelGetStartTimes(HSTREAM handle, BASS_QWORD* requested, BASS_QWORD* firstOutput);

typedef struct BASSX_OUTPUTINFO {
    BASS_DWORD rate; // the device's mix rate
    BASS_DWORD channels;
    BASS_DWORD periodFrames;    // the engine's period
    BASS_DWORD bufferFrames;    // the device buffer we keep filled
    BASS_QWORD framesWritten;   // frames handed to the device since Init
    BASS_DWORD deviceUnderruns; // periods the device found its buffer empty
    BASS_DWORD streamUnderruns; // blocks a playing stream had no decoded data for
} BASSX_OUTPUTINFO;

// The current output's format and counters. FALSE (BASS_ERROR_INIT) without Init.
BASSDEF BASS_BOOL BASSAPI BASSX_GetOutputInfo(BASSX_OUTPUTINFO* info);

#ifdef __cplusplus
}
#endif

#endif
