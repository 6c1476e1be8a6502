// The layout of the main window: its properties and every control in layout order.
#pragma once

#include "runtime/Layout.h"

namespace ui {

inline constexpr wchar_t kMainWindowCaption[] = L"鸣川声板,支持多通道选择播放，支持音量大小调节！";
inline constexpr uint32_t kMainWindowId = 0x52010001;

const rt::WindowSpec& mainWindowLayout();

} // namespace ui
