#include "audio/SystemAudioWarmUp.h"

#include <mmdeviceapi.h>
#include <objbase.h>

namespace audio {

SystemAudioWarmUp::SystemAudioWarmUp()
    : ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (!ready_.get() || !release_.get()) return;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        // No thread: the library does the work itself when it starts.
    }
}

SystemAudioWarmUp::~SystemAudioWarmUp() { finish(); }

void SystemAudioWarmUp::finish() {
    if (thread_.joinable()) {
        SetEvent(release_.get());
        thread_.join();
    }
}

void SystemAudioWarmUp::wait() const {
    if (thread_.joinable()) WaitForSingleObject(ready_.get(), INFINITE);
}

void SystemAudioWarmUp::run() {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        rt::ComPtr<IMMDeviceEnumerator> enumerator;
        if (SUCCEEDED(com) && SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                                         __uuidof(IMMDeviceEnumerator), enumerator.putVoid()))) {
            rt::ComPtr<IMMDeviceCollection> devices;
            enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, devices.put());
        }
        SetEvent(ready_.get());
        // The enumerator belongs to this thread's apartment: it is let go here,
        // once the library has started on its own.
        WaitForSingleObject(release_.get(), INFINITE);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

} // namespace audio
