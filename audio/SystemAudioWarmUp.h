// Readies the system's audio stack while the window is being built.
#pragma once

#include "runtime/Handles.h"

#include <windows.h>

#include <thread>

namespace audio {

// On a thread of its own, creates the system's device enumerator and lists
// the output devices once: that loads the audio driver and reads its
// configuration, the larger part of initialising the library at start-up.
// The enumerator is held until this object goes, so that the library finds
// it ready. Nothing observable happens here; a failure just leaves the work
// to the library, as without it.
class SystemAudioWarmUp {
  public:
    SystemAudioWarmUp();
    ~SystemAudioWarmUp();
    SystemAudioWarmUp(const SystemAudioWarmUp&) = delete;
    SystemAudioWarmUp& operator=(const SystemAudioWarmUp&) = delete;

    // Waits until the stack is ready (or the attempt failed). The library is
    // initialised after this, never beside it.
    void wait() const;
    // Lets the enumerator go and ends the thread; once the library has started.
    void finish();

  private:
    void run();

    rt::UniqueKernelHandle ready_;
    rt::UniqueKernelHandle release_;
    std::thread thread_;
};

} // namespace audio
