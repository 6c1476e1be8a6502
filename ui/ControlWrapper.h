// The wrapper that creates child controls by class name; its one use is the
// hotkey field of the hotkey dialog.
#pragma once

#include <windows.h>

namespace ui {

class ControlWrapper {
  public:
    ControlWrapper();
    ControlWrapper(const ControlWrapper&) = delete;
    ControlWrapper& operator=(const ControlWrapper&) = delete;
    virtual ~ControlWrapper() = default;
};

} // namespace ui
