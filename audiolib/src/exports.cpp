// The C boundary. Every function catches everything (an exception must never
// unwind into the caller) and records the outcome for BASS_LastError.
#include <new>

#include "Library.h"
#include "bass.h"

using audiolib::Library;

namespace {

thread_local int lastError = BASS_OK;

// Runs f(err) and stores err; an exception becomes `failed` with an error.
template <class R, class F> R guarded(R failed, F&& f) noexcept {
    int err = BASS_OK;
    try {
        R r = f(err);
        lastError = err;
        return r;
    } catch (const std::bad_alloc&) {
        lastError = BASS_ERROR_MEM;
    } catch (...) {
        lastError = BASS_ERROR_UNKNOWN;
    }
    return failed;
}

Library& lib() {
    return Library::instance();
}

} // namespace

extern "C" {

BASS_BOOL BASSAPI BASS_Init(int device, BASS_DWORD, BASS_DWORD, void*, const void*) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().init(device, e); });
}

BASS_BOOL BASSAPI BASS_Free(void) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().free(e); });
}

BASS_DWORD BASSAPI BASS_GetDevice(void) {
    return guarded<BASS_DWORD>(BASS_DWORD(-1), [&](int& e) {
        const int d = lib().device();
        e = d == -1 ? BASS_ERROR_INIT : BASS_OK;
        return BASS_DWORD(d);
    });
}

BASS_BOOL BASSAPI BASS_GetDeviceInfo(BASS_DWORD device, BASS_DEVICEINFO* info) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().deviceInfo(device, info, e); });
}

BASS_BOOL BASSAPI BASS_SetVolume(float volume) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().setVolume(volume, e); });
}

float BASSAPI BASS_GetVolume(void) {
    return guarded<float>(-1.0f, [&](int&) { return lib().volume(); });
}

int BASSAPI BASS_LastError(void) {
    return lastError;
}

HSTREAM BASSAPI BASS_StreamCreateFile(BASS_BOOL mem, const void* file, BASS_QWORD offset, BASS_QWORD length,
                                      BASS_DWORD) {
    return guarded<HSTREAM>(0, [&](int& e) { return lib().createStream(mem != 0, file, offset, length, e); });
}

HSTREAM BASSAPI BASS_StreamCreateURL(const char*, BASS_DWORD, BASS_DWORD, void*, void*) {
    lastError = BASS_ERROR_NOTSUPPORTED;
    return 0;
}

BASS_BOOL BASSAPI BASS_StreamFree(HSTREAM handle) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().freeStream(handle, e); });
}

BASS_BOOL BASSAPI BASS_ChannelPlay(BASS_DWORD handle, BASS_BOOL restart) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().play(handle, restart != 0, e); });
}

BASS_BOOL BASSAPI BASS_ChannelPause(BASS_DWORD handle) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().pause(handle, e); });
}

BASS_BOOL BASSAPI BASS_ChannelStop(BASS_DWORD handle) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().stop(handle, e); });
}

BASS_DWORD BASSAPI BASS_ChannelIsActive(BASS_DWORD handle) {
    return guarded<BASS_DWORD>(BASS_ACTIVE_STOPPED, [&](int& e) { return lib().isActive(handle, e); });
}

BASS_QWORD BASSAPI BASS_ChannelGetPosition(BASS_DWORD handle, BASS_DWORD mode) {
    return guarded<BASS_QWORD>(BASS_QWORD(-1), [&](int& e) {
        if (mode != BASS_POS_BYTE) {
            e = BASS_ERROR_ILLPARAM;
            return BASS_QWORD(-1);
        }
        return lib().position(handle, e);
    });
}

BASS_BOOL BASSAPI BASS_ChannelSetPosition(BASS_DWORD handle, BASS_QWORD pos, BASS_DWORD mode) {
    return guarded<BASS_BOOL>(0, [&](int& e) {
        if (mode != BASS_POS_BYTE) {
            e = BASS_ERROR_ILLPARAM;
            return false;
        }
        return lib().setPosition(handle, pos, e);
    });
}

BASS_QWORD BASSAPI BASS_ChannelGetLength(BASS_DWORD handle, BASS_DWORD mode) {
    return guarded<BASS_QWORD>(BASS_QWORD(-1), [&](int& e) {
        if (mode != BASS_POS_BYTE) {
            e = BASS_ERROR_ILLPARAM;
            return BASS_QWORD(-1);
        }
        return lib().length(handle, e);
    });
}

const char* BASSAPI BASS_ChannelGetTags(BASS_DWORD handle, BASS_DWORD tags) {
    return guarded<const char*>(nullptr, [&](int& e) { return lib().tags(handle, tags, e); });
}

BASS_DWORD BASSAPI BASS_ChannelGetData(BASS_DWORD handle, void* buffer, BASS_DWORD length) {
    return guarded<BASS_DWORD>(BASS_DWORD(-1), [&](int& e) { return lib().data(handle, buffer, length, e); });
}

BASS_BOOL BASSAPI BASS_ChannelSetAttribute(BASS_DWORD handle, BASS_DWORD attrib, float value) {
    return guarded<BASS_BOOL>(0, [&](int& e) {
        if (attrib != BASS_ATTRIB_VOL) {
            e = BASS_ERROR_ILLPARAM;
            return false;
        }
        return lib().setVolumeAttribute(handle, value, e);
    });
}

BASS_BOOL BASSAPI BASS_ChannelGetAttribute(BASS_DWORD handle, BASS_DWORD attrib, float* value) {
    return guarded<BASS_BOOL>(0, [&](int& e) {
        if (attrib != BASS_ATTRIB_VOL) {
            e = BASS_ERROR_ILLPARAM;
            return false;
        }
        return lib().volumeAttribute(handle, value, e);
    });
}

double BASSAPI BASS_ChannelBytes2Seconds(BASS_DWORD handle, BASS_QWORD pos) {
    return guarded<double>(-1.0, [&](int& e) { return lib().bytesToSeconds(handle, pos, e); });
}

BASS_QWORD BASSAPI BASS_ChannelSeconds2Bytes(BASS_DWORD handle, double pos) {
    return guarded<BASS_QWORD>(BASS_QWORD(-1), [&](int& e) { return lib().secondsToBytes(handle, pos, e); });
}

BASS_BOOL BASSAPI BASSX_ChannelGetStartDelay(HSTREAM handle, double* seconds) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().startDelay(handle, seconds, e); });
}

BASS_BOOL BASSAPI BASSX_ChannelGetStartTimes(HSTREAM handle, BASS_QWORD* requested, BASS_QWORD* firstOutput) {
    return guarded<BASS_BOOL>(0, [&](int& e) {
        if (!requested || !firstOutput) {
            e = BASS_ERROR_ILLPARAM;
            return false;
        }
        int64_t asked = 0, first = 0;
        if (!lib().startTimes(handle, &asked, &first, e)) return false;
        *requested = BASS_QWORD(asked);
        *firstOutput = BASS_QWORD(first);
        return true;
    });
}

BASS_BOOL BASSAPI BASSX_GetOutputInfo(BASSX_OUTPUTINFO* info) {
    return guarded<BASS_BOOL>(0, [&](int& e) { return lib().outputInfo(info, e); });
}

} // extern "C"
