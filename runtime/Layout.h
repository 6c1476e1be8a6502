// Window and control layouts as plain tables. Plain C++: the same tables are
// checked by host-side tests and turned into windows by Form.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace rt {

enum class ControlKind {
    Label,
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    TabControl,
    TrackBar,
    DropDownList,
    PictureBox,
    Timer,
};

struct FontSpec {
    std::wstring_view face;
    int height = 0; // logical units, negative = character height
    int weight = 400;
    int charset = 1; // DEFAULT_CHARSET
};

enum ControlFlags : uint32_t {
    kHidden = 1u << 0,
    kTabStop = 1u << 1,
    kHandCursor = 1u << 2,
    kBorder = 1u << 3,
};

struct ControlSpec {
    ControlKind kind;
    std::wstring_view name;
    int x = 0, y = 0, width = 0, height = 0;
    std::wstring_view caption;
    uint32_t flags = 0;
    // Parent control by name (a group box or the tab control); empty = the window.
    std::wstring_view parent = {};
    // 0-based page of the tab control parent; -1 when the parent is no tab control.
    int page = -1;
    const FontSpec* font = nullptr;
    // Track bar: range and initial position; timer: period in ms (in rangeMax).
    int rangeMin = 0, rangeMax = 0, position = 0;
    int lineStep = 1, pageStep = 10;
    // Tab control: number of pages.
    int pages = 0;
    // Picture box: resource id of its bitmap.
    int imageResource = 0;
};

struct WindowSpec {
    std::wstring_view name;
    uint32_t id = 0;
    int width = 0, height = 0;
    std::wstring_view caption;
    bool minimizeBox = false;
    bool maximizeBox = false;
    bool frameless = false;
    bool toolWindow = false;
    bool topmost = false;
    bool escapeCloses = false; // the Esc key closes the window, as in a dialog
    std::span<const ControlSpec> controls;
};

} // namespace rt
