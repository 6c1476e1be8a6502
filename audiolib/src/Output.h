// A running output: a render thread that pulls the mix from the mixer and
// hands it to a device (or, for the no-sound device, to nobody, at the pace
// of real time). Destroying it stops and joins the thread.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "audiolib/core/Mixer.h"

namespace audiolib {

struct OutputStats {
    uint32_t rate = 0;
    uint32_t channels = 0;
    uint32_t periodFrames = 0;
    uint32_t bufferFrames = 0;
    uint64_t framesWritten = 0;
    uint32_t glitches = 0; // times the device ran dry before we refilled it
};

class Output {
  public:
    virtual ~Output() = default;
    // Asks the render thread to mix now instead of at its next period.
    virtual void wake() noexcept = 0;
    virtual OutputStats stats() const noexcept = 0;
};

// Both return nullptr with *error set (a BASS_ERROR_* code) on failure.
std::unique_ptr<Output> startNullOutput(Mixer& mixer, int* error);
std::unique_ptr<Output> startWasapiOutput(Mixer& mixer, const std::wstring& endpointId, int* error);

} // namespace audiolib
