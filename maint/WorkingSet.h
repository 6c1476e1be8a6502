// Trimming the program's own memory whenever it loses activation.
#pragma once

namespace maint {

// Empties the program's working set on a short-lived thread of its own and
// returns at once; the caller never waits. Failures are silent.
void trimWorkingSet() noexcept;

} // namespace maint
