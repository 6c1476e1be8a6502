// Start-up phase marks for the start-up benchmark. When the environment
// variable SB_STARTUP_TRACE names a file, each mark records the performance
// counter (one clock for every process on the machine, so the benchmark can
// set its own start against it) and the last mark writes them all there as
// "name ticks" lines after a "frequency N" line. Without it a mark costs one
// flag test.
#pragma once

namespace maint {

void markStartup(const wchar_t* phase);
// The last mark: writes the file.
void finishStartupTrace(const wchar_t* phase);

} // namespace maint
