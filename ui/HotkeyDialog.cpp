#include "ui/HotkeyDialog.h"

#include "app/Globals.h"
#include "board/HotkeyCodes.h"
#include "runtime/Form.h"
#include "ui/ControlWrapper.h"

#include <string>
#include <utility>

namespace ui {
namespace {

constexpr rt::ControlSpec kControls[] = {
    {rt::ControlKind::Label, L"标签1", 8, 16, 80, 22, L"设置快捷键:"},
    {rt::ControlKind::PushButton, L"按钮1", 24, 56, 88, 24, L"确定", rt::kTabStop},
    {rt::ControlKind::PushButton, L"按钮2", 176, 56, 88, 24, L"取消", rt::kTabStop},
};

} // namespace

const rt::WindowSpec& hotkeyDialogLayout() {
    static const rt::WindowSpec spec{
        .name = L"HotkeyDialog",
        .id = kHotkeyDialogId,
        .width = 301,
        .height = 119,
        .caption = L"设置快捷键",
        .toolWindow = true,
        .topmost = true,
        .escapeCloses = true,
        .controls = kControls,
    };
    return spec;
}

void openHotkeyDialog(rt::Form& owner, rt::Control& button, const HotkeyDialogOk& onOk) {
    // One dialog at a time: a second request while one is open is dropped.
    static bool open = false;
    if (open || !app::controlWrapper) return;
    open = true;
    struct Reset {
        ~Reset() { open = false; }
    } reset;

    HotkeyField field(*app::controlWrapper);
    rt::Form dialog;
    rt::Form::Events events;
    events.created = [&](rt::Form& form) {
        form.bind(L"按钮1", rt::EventKind::Click, [&](rt::Control&, const rt::EventArgs&) {
            if (onOk(form, field)) form.close();
        });
        form.bind(L"按钮2", rt::EventKind::Click, [&form](rt::Control&, const rt::EventArgs&) { form.close(); });
        SetWindowTextW(form.hwnd(), (kHotkeyDialogTitlePrefix + button.caption()).c_str());
        // The tag holds "id,key,modifiers"; missing fields are 0 and leave the field empty.
        const board::HotkeyTag tag = board::parseHotkeyTag(button.tag());
        field.create(form.hwnd());
        const app::HotkeyValue value{static_cast<uint32_t>(tag.keyCode) & 0xFF,
                                     board::fieldFlagsFromBits(tag.modifierBits)};
        if (app::hotkeyValue) *app::hotkeyValue = value;
        field.set(value);
    };
    if (!dialog.load(hotkeyDialogLayout(), std::move(events), owner.hwnd())) return;
    // The user types the combination straight away.
    if (field.hwnd()) SetFocus(field.hwnd());
    dialog.runModal();
}

} // namespace ui
