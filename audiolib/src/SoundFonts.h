// The instruments MIDI streams play: the SoundFont in the library's own
// folder, read once on a thread of its own as soon as the library is first
// initialised, so that no MIDI click waits for it. A .sf2 that the user puts
// beside ours is preferred; when none can be read the built-in fallback
// voices play instead.
#pragma once
#include <memory>

#include "audiolib/core/SoundBank.h"

namespace audiolib {

// Starts reading the SoundFont; later calls do nothing. Thread safe.
void startLoadingSoundBank();
// The instruments, once read (waits for the reading thread when it is still
// at work, and starts it if nobody has). Never null. Thread safe.
std::shared_ptr<const SoundBank> soundBank();

} // namespace audiolib
