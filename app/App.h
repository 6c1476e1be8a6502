// Start-up, the main window's created and close handlers, and shutdown.
#pragma once

namespace rt {
class Form;
}
namespace audio {
class SystemAudioWarmUp;
}

namespace app {

// Runs the program; returns the process exit code.
int run();
// audioWarmUp: the system's audio stack being readied meanwhile; the library starts once it is.
void onMainWindowCreated(rt::Form& form, audio::SystemAudioWarmUp& audioWarmUp);
void onMainWindowCloseQuery(rt::Form& form);

} // namespace app
