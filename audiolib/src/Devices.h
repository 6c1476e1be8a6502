// The active render endpoints, the system default first.
#pragma once
#include <string>
#include <vector>

namespace audiolib {

struct Endpoint {
    std::wstring id;
    std::string name; // friendly name, UTF-8
};

std::vector<Endpoint> listEndpoints();

} // namespace audiolib
