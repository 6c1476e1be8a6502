// Raw data the program carries inside its executable (RCDATA resources).
#pragma once

#include <cstddef>
#include <span>

namespace rt {

// The bytes of the named RCDATA resource of the executable; empty when it is missing.
// Resources stay mapped for the life of the process.
std::span<const std::byte> resourceBytes(const wchar_t* name);

} // namespace rt
