// What the skin engine keeps for each control it takes over, by control kind.
// Each window's record holds one list per kind (1-based indexes, kept in the
// control's Hw_lbID property).
#pragma once

#include "draw/Drawing.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

namespace skin {

// A picture decoded once and kept ready to draw; shared by the settings that use it.
using Picture = std::shared_ptr<const draw::Image>;

// The look of a font as the drawing layer sees it.
struct FontInfo {
    std::wstring face = L"宋体";
    int size = 12;
    int style = 0;
};
// The control's font (WM_GETFONT) through the drawing layer; "宋体" 12 when it yields nothing.
FontInfo captureFont(HWND control);

struct ControlRecord {
    HWND hwnd = nullptr;
    WNDPROC previousProc = nullptr;
};

enum class ButtonKind { Push = 0, Icon = 1, Image = 3, Radio = 4, CheckBox = 5 };

struct ButtonRecord : ControlRecord {
    ButtonKind kind = ButtonKind::Push;
    Picture image, hoverImage, pressedImage, disabledImage;
    int iconLayout = 0;
    std::wstring text;
    bool focused = false;
    bool releasing = false; // a mouse release is being handled: the released look waits for WM_PAINT
    bool checkedAtAttach = false;
    HWND ownerWindow = nullptr;
    std::unique_ptr<draw::Tooltip> tooltip; // made when the button is given a tip text
    FontInfo font;
};

struct EditRecord : ControlRecord {
    bool focused = false;
    bool hot = false;
    bool mouseDown = false;
};

struct ComboRecord : ControlRecord {
    bool focused = false;
};

struct ListRecord : ControlRecord {
    bool focused = false;
    bool hot = false;
};

struct TrackbarRecord : ControlRecord {
    bool vertical = false;
    int tickMode = 1;
    bool hot = false;
    bool selectionRange = false;
};

struct ProgressRecord : ControlRecord {
    bool vertical = false;
};

struct UpDownRecord : ControlRecord {
    bool hot = false;
    int hotPart = 0; // 1: the left or upper arrow button, 2: the right or lower one
    bool pressed = false;
    bool horizontal = false;
    POINT lastPoint{};
};

struct HeaderRecord : ControlRecord {
    bool hot = false;
    int hotItem = 0;     // 1-based item under the pointer, 0 for none
    int pressedItem = 0; // 1-based item the left button went down on, 0 while none is pressed
    bool buttons = false;
    HIMAGELIST imageList = nullptr;
};

struct TransparentControlRecord : ControlRecord {
    COLORREF keyColour = 0;
};

// hotList codes: which list WindowRecord::hotControl counts in.
enum HotList { kHotButtons = 0, kHotEdits = 1, kHotTrackbars = 2, kHotCombos = 3, kHotLists = 4, kHotUpDowns = 8,
               kHotHeaders = 9 };

} // namespace skin
