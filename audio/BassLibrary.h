// The program's binding to the audio library bass.dll. The library is loaded
// and all its functions are bound at the first call, so a library that lacks
// a function is reported at start-up rather than in the middle of a show.
#pragma once

#include "bass.h"

#include <string>

namespace audio {

struct BassApi {
#define SB_BASS_FUNCTIONS(X)                                                                                           \
    X(BASS_Init)                                                                                                       \
    X(BASS_Free)                                                                                                       \
    X(BASS_GetDevice)                                                                                                  \
    X(BASS_GetDeviceInfo)                                                                                              \
    X(BASS_StreamCreateFile)                                                                                           \
    X(BASS_StreamCreateURL)                                                                                            \
    X(BASS_StreamFree)                                                                                                 \
    X(BASS_ChannelPlay)                                                                                                \
    X(BASS_ChannelPause)                                                                                               \
    X(BASS_ChannelStop)                                                                                                \
    X(BASS_ChannelIsActive)                                                                                            \
    X(BASS_ChannelGetPosition)                                                                                         \
    X(BASS_ChannelSetPosition)                                                                                         \
    X(BASS_ChannelGetLength)                                                                                           \
    X(BASS_ChannelGetTags)                                                                                             \
    X(BASS_ChannelGetData)                                                                                             \
    X(BASS_ChannelSetAttribute)                                                                                        \
    X(BASS_ChannelGetAttribute)                                                                                        \
    X(BASS_ChannelBytes2Seconds)                                                                                       \
    X(BASS_ChannelSeconds2Bytes)                                                                                       \
    X(BASS_SetVolume)                                                                                                  \
    X(BASS_GetVolume)
#define SB_BASS_POINTER(name) decltype(&::name) name = nullptr;
    SB_BASS_FUNCTIONS(SB_BASS_POINTER)
#undef SB_BASS_POINTER
};

// The folder looked in first, with a trailing backslash; set before the first call.
void setBassSearchFolder(std::wstring folder);

// The bound library. `calling` names the function about to be called: when the
// library itself cannot be loaded, the fatal message names that function. On
// failure this shows the fatal message and ends the process with exit code -1.
const BassApi& bass(const char* calling);

// The fatal message text for a library and function that could not be bound.
std::wstring bindFailureMessage(std::wstring_view library, std::wstring_view function);

} // namespace audio

// Calls a library function through the binding: SB_BASS(BASS_Init)(-1, 44100, 0, nullptr, nullptr).
#define SB_BASS(name) (::audio::bass(#name).name)
