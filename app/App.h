// Start-up, the main window's created and close handlers, and shutdown.
#pragma once

namespace rt {
class Form;
}

namespace app {

// Runs the program; returns the process exit code.
int run();
void onMainWindowCreated(rt::Form& form);
void onMainWindowCloseQuery(rt::Form& form);

} // namespace app
