#include "ui/MainWindowLayout.h"

#include "app/ResourceIds.h"
#include "board/Catalogue.h"
#include "ui/BoardLayout.h"

#include <string>
#include <utility>
#include <vector>

namespace ui {
namespace {

using rt::ControlKind;
using rt::ControlSpec;

// 宋体, 9 pt bold, GB2312 character set.
constexpr rt::FontSpec kStopFont{L"宋体", -12, 700, 134};

const BoardButton& placeOf(std::span<const BoardButton> buttons, int number) {
    for (const BoardButton& b : buttons)
        if (b.number == number) return b;
    return buttons.front();
}

// The board's buttons are children of the tab control, in layout order.
void addBoardButtons(std::vector<ControlSpec>& c) {
    static std::vector<std::wstring> names;
    names.reserve(clipLayoutOrder().size() + customLayoutOrder().size()); // views into it must stay valid
    for (int n : clipLayoutOrder()) {
        const BoardButton& b = placeOf(clipButtons(), n);
        names.push_back(L"按钮_音效" + std::to_wstring(n));
        c.push_back({ControlKind::PushButton, names.back(), b.x, b.y, b.width, b.height, board::captionOf(n),
                     rt::kTabStop, L"高级选择夹1", b.page - 1});
    }
    for (int k : customLayoutOrder()) {
        const BoardButton& b = placeOf(customButtons(), k);
        names.push_back(L"按钮_自定义音效_" + std::to_wstring(k));
        c.push_back({ControlKind::PushButton, names.back(), b.x, b.y, b.width, b.height, L"自定义", rt::kTabStop,
                     L"高级选择夹1", b.page - 1});
    }
}

std::vector<ControlSpec> buildControls() {
    using enum rt::ControlKind;
    constexpr uint32_t tab = rt::kTabStop;
    std::vector<ControlSpec> c;
    c.push_back({Label, L"标签1", 16, 72, 456, 42, L"按钮组"});
    ControlSpec board{TabControl, L"高级选择夹1", 16, 88, 440, 360,
                      L"主持人专用|MC喊麦专用|搞笑类音效|人物类音效|生活类音效|自定义音效"};
    board.pages = 6;
    c.push_back(board);
    addBoardButtons(c);
    c.push_back({Label, L"标签2", 16, 460, 80, 14, L"透明皮肤选择："});
    ControlSpec transparency{TrackBar, L"滑块条2", 104, 460, 248, 16, L"", tab};
    transparency.rangeMax = 255;
    c.push_back(transparency);
    ControlSpec stop{PushButton, L"按钮_停止播放", 368, 464, 88, 64, L"停止播放", tab};
    stop.font = &kStopFont;
    c.push_back(stop);
    c.push_back({Label, L"标签4", 16, 491, 80, 14, L"输出通道选择："});
    c.push_back({DropDownList, L"组合框1", 104, 488, 248, 20, L"", tab});
    c.push_back({Label, L"标签12", 16, 519, 78, 16, L"输出音量大小："});
    ControlSpec volume{TrackBar, L"滑块条1", 104, 520, 248, 16, L"", tab};
    volume.rangeMax = 100;
    volume.position = 100;
    c.push_back(volume);
    c.push_back({PushButton, L"按钮3", 16, 552, 40, 24, L"←", tab});
    c.push_back({CheckBox, L"选择框1", 80, 552, 144, 24, L"靠边时自动隐藏软件", tab});
    c.push_back({RadioButton, L"单选框1", 232, 552, 88, 24, L"总在最前", tab});
    c.push_back({RadioButton, L"单选框2", 328, 552, 80, 24, L"取消最前", tab});
    c.push_back({PushButton, L"按钮4", 424, 552, 40, 24, L"→", tab});
    c.push_back({GroupBox, L"分组框1", -24, 584, 512, 56, L""});
    c.push_back({PushButton, L"按钮1", 40, 16, 128, 36, L"官方淘宝", tab, L"分组框1"});
    c.push_back({PushButton, L"按钮2", 176, 16, 128, 36, L"官方网站", tab, L"分组框1"});
    for (auto [name, x] : {std::pair{L"图片框1", 296}, std::pair{L"图片框3", 384}}) {
        ControlSpec badge{PictureBox, name, x, 608, 74, 22, L"", rt::kHandCursor};
        badge.imageResource = SB_RES_CONTACT_BADGE;
        c.push_back(badge);
    }
    c.push_back({Label, L"标签_热键", 872, 24, 32, 40, L"快捷键", rt::kHidden});
    ControlSpec timer{Timer, L"时钟1"};
    timer.rangeMax = 100;
    c.push_back(timer);
    return c;
}

} // namespace

const rt::WindowSpec& mainWindowLayout() {
    static const std::vector<ControlSpec> controls = buildControls();
    static const rt::WindowSpec spec{
        .name = L"MainWindow",
        .id = kMainWindowId,
        .width = 472,
        .height = 658,
        .caption = kMainWindowCaption,
        .minimizeBox = true,
        .maximizeBox = false,
        .frameless = true,
        .controls = controls,
    };
    return spec;
}

} // namespace ui
