#include "runtime/Form.h"

#include "runtime/ToolInfo.h"
#include "runtime/WindowTable.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace rt {
namespace {

constexpr wchar_t kFormClass[] = L"SoundBoardForm";
constexpr int kFirstControlId = 1000;

int liveForms = 0;

// The form's own procedures on the controls it makes, chained by hand. The
// common controls' subclassing looks its chain up with GetProp several times
// per message, and under Wine each lookup is a round trip to the window server:
// a click on a clip button passes through a page and a button of them.
struct Subclass {
    WNDPROC previous = nullptr;
    DWORD_PTR ref = 0; // the form or control the procedure serves
};

class SubclassTable {
  public:
    void add(HWND hwnd, WNDPROC proc, DWORD_PTR ref) {
        table_.update(hwnd, [ref](Subclass& s) { s = {nullptr, ref}; });
        const auto previous =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
        table_.update(hwnd, [previous](Subclass& s) { s.previous = previous; });
    }
    Subclass of(HWND hwnd) const { return table_.find(hwnd).value_or(Subclass{}); }
    // The procedure the window had before; the entry goes with the window.
    LRESULT passOn(const Subclass& s, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        const LRESULT result = s.previous ? CallWindowProcW(s.previous, hwnd, msg, wParam, lParam)
                                          : DefWindowProcW(hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) table_.erase(hwnd);
        return result;
    }

  private:
    WindowTable<Subclass> table_;
};

SubclassTable& subclasses() {
    static SubclassTable table;
    return table;
}

bool registerFormClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered;
}

struct KindClass {
    const wchar_t* className;
    DWORD style;
};

KindClass classFor(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return {L"STATIC", SS_LEFT | SS_NOTIFY};
    case ControlKind::PushButton: return {L"BUTTON", BS_PUSHBUTTON | BS_MULTILINE};
    case ControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX};
    case ControlKind::RadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON};
    case ControlKind::GroupBox: return {L"BUTTON", BS_GROUPBOX};
    case ControlKind::TabControl: return {WC_TABCONTROLW, TCS_TABS | TCS_FIXEDWIDTH | WS_CLIPSIBLINGS};
    case ControlKind::TrackBar: return {TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS};
    case ControlKind::DropDownList: return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL};
    case ControlKind::PictureBox: return {L"STATIC", SS_BITMAP | SS_NOTIFY};
    case ControlKind::Timer: break;
    }
    return {nullptr, 0};
}

// A drop-down list is created taller than its edit part so the list has room.
constexpr int kDropListHeight = 200;

std::wstring pageTitle(std::wstring_view titles, int page) {
    for (int i = 0; i < page; ++i) {
        const size_t bar = titles.find(L'|');
        if (bar == std::wstring_view::npos) return std::to_wstring(page + 1);
        titles.remove_prefix(bar + 1);
    }
    return std::wstring(titles.substr(0, titles.find(L'|')));
}

} // namespace

// ---- Control ----

std::wstring Control::caption() const {
    if (!hwnd_) return {};
    // A button's caption is the text the window holds, read without sending it
    // messages: a clip button's caption names its clip, and every message to it
    // passes several subclass procedures before the click can play. (An edit
    // keeps its text apart, so other kinds ask the window.)
    if (spec_.kind == ControlKind::PushButton) {
        wchar_t text[512];
        const int n = InternalGetWindowText(hwnd_, text, static_cast<int>(std::size(text)));
        if (n >= 0 && n < static_cast<int>(std::size(text)) - 1) return std::wstring(text, static_cast<size_t>(n));
    }
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), length + 1)));
    return text;
}

void Control::setCaption(std::wstring_view text) {
    if (hwnd_) SetWindowTextW(hwnd_, std::wstring(text).c_str());
}

bool Control::checked() const {
    return hwnd_ && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Control::setChecked(bool on) {
    if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int Control::position() const {
    return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, TBM_GETPOS, 0, 0)) : 0;
}

void Control::setPosition(int pos) {
    if (hwnd_) SendMessageW(hwnd_, TBM_SETPOS, TRUE, pos);
}

// ---- Form ----

Form::~Form() {
    if (hwnd_) SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
}

bool Form::load(const WindowSpec& spec, Events events, HWND owner) {
    if (!registerFormClass(windowProc)) return false;
    spec_ = &spec;
    events_ = std::move(events);

    DWORD style = WS_CLIPCHILDREN;
    DWORD exStyle = 0;
    if (spec.frameless) {
        style |= WS_POPUP;
        exStyle |= WS_EX_APPWINDOW;
    } else {
        style |= WS_CAPTION | WS_SYSMENU;
    }
    if (spec.minimizeBox) style |= WS_MINIMIZEBOX;
    if (spec.maximizeBox) style |= WS_MAXIMIZEBOX;
    if (spec.toolWindow) exStyle |= WS_EX_TOOLWINDOW;
    if (spec.topmost) exStyle |= WS_EX_TOPMOST;

    const int left = (GetSystemMetrics(SM_CXSCREEN) - spec.width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - spec.height) / 2;
    HWND hwnd = CreateWindowExW(exStyle, kFormClass, std::wstring(spec.caption).c_str(), style, left, top,
                                spec.width, spec.height, owner, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd) return false;
    hwnd_.reset(hwnd);
    ++liveForms;
    if (!createControls()) return false;
    if (events_.created) events_.created(*this);
    if (hwnd_) ShowWindow(hwnd_.get(), SW_SHOW);
    return static_cast<bool>(hwnd_);
}

HFONT Form::fontFor(const FontSpec* font) {
    if (!font) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (auto& [spec, handle] : fonts_)
        if (spec == font) return handle.get();
    LOGFONTW lf{};
    lf.lfHeight = font->height;
    lf.lfWeight = font->weight;
    lf.lfCharSet = static_cast<BYTE>(font->charset);
    lf.lfQuality = DEFAULT_QUALITY;
    const size_t n = std::min(font->face.size(), static_cast<size_t>(LF_FACESIZE - 1));
    std::copy_n(font->face.data(), n, lf.lfFaceName);
    fonts_.emplace_back(font, UniqueFont(CreateFontIndirectW(&lf)));
    return fonts_.back().second.get();
}

bool Form::createControls() {
    controls_.reserve(spec_->controls.size());
    int id = kFirstControlId;
    for (const ControlSpec& cs : spec_->controls) {
        auto control = std::make_unique<Control>(*this, cs, id++);
        byName_.emplace(std::wstring(cs.name), control.get());
        controls_.push_back(std::move(control));
    }
    for (auto& control : controls_) {
        if (control->kind() == ControlKind::Timer) {
            SetTimer(hwnd_.get(), static_cast<UINT_PTR>(control->id()), static_cast<UINT>(control->spec().rangeMax),
                     nullptr);
            continue;
        }
        control->hwnd_ = createControl(*control);
        if (!control->hwnd_) {
            // Nobody sees this on a desktop; under a test harness it says why the program ended.
            std::fprintf(stderr, "control %ls could not be created (error %lu)\n",
                         std::wstring(control->spec().name).c_str(), GetLastError());
            std::fflush(stderr);
            return false;
        }
    }
    for (auto& control : controls_)
        if (control->kind() == ControlKind::TabControl) showPageChildren(*control);
    return true;
}

HWND Form::createControl(Control& control) {
    const ControlSpec& cs = control.spec();
    const KindClass kc = classFor(cs.kind);
    HWND parent = hwnd_.get();
    Control* container = cs.parent.empty() ? nullptr : find(cs.parent);
    if (container && container->hwnd_) parent = container->hwnd_;

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kc.style;
    // Controls of tab pages other than the first start hidden rather than being hidden after creation.
    const bool onHiddenPage = container && container->kind() == ControlKind::TabControl && cs.page > 0;
    if (!(cs.flags & kHidden) && !onHiddenPage) style |= WS_VISIBLE;
    if (cs.flags & kTabStop) style |= WS_TABSTOP;
    if (cs.flags & kBorder) style |= WS_BORDER;
    int height = cs.height;
    if (cs.kind == ControlKind::DropDownList) height += kDropListHeight;

    const int x = cs.x, y = cs.y;
    const std::wstring text = cs.kind == ControlKind::TabControl ? std::wstring() : std::wstring(cs.caption);
    HWND hwnd = CreateWindowExW(0, kc.className, text.c_str(), style, x, y, cs.width, height,
                                parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id())),
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return nullptr;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(cs.font)), FALSE);

    switch (cs.kind) {
    case ControlKind::TrackBar:
        SendMessageW(hwnd, TBM_SETRANGEMIN, FALSE, cs.rangeMin);
        SendMessageW(hwnd, TBM_SETRANGEMAX, FALSE, cs.rangeMax);
        SendMessageW(hwnd, TBM_SETLINESIZE, 0, cs.lineStep);
        SendMessageW(hwnd, TBM_SETPAGESIZE, 0, cs.pageStep);
        SendMessageW(hwnd, TBM_SETPOS, TRUE, cs.position);
        break;
    case ControlKind::TabControl:
        // The caption holds the page titles separated by '|'.
        for (int page = 0; page < cs.pages; ++page) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            std::wstring title = pageTitle(cs.caption, page);
            item.pszText = title.data();
            SendMessageW(hwnd, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
        }
        if (cs.pages > 0) {
            // Every header fits in one row: a header strip that scrolls hides pages from the user.
            RECT first{};
            SendMessageW(hwnd, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
            SendMessageW(hwnd, TCM_SETITEMSIZE, 0, MAKELPARAM((cs.width - 6) / cs.pages, first.bottom - first.top));
        }
        [[fallthrough]];
    case ControlKind::GroupBox:
        // Child controls report to their container; pass their notifications on to the form.
        subclasses().add(hwnd, containerProc, reinterpret_cast<DWORD_PTR>(this));
        break;
    case ControlKind::PictureBox:
        if (cs.imageResource) {
            HANDLE bitmap = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(cs.imageResource), IMAGE_BITMAP, 0,
                                       0, LR_DEFAULTCOLOR);
            // The static control owns the bitmap it is given.
            if (bitmap) SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
        }
        subclasses().add(hwnd, mouseProc, reinterpret_cast<DWORD_PTR>(&control));
        break;
    case ControlKind::PushButton:
    case ControlKind::Label:
        subclasses().add(hwnd, mouseProc, reinterpret_cast<DWORD_PTR>(&control));
        break;
    default: break;
    }
    return hwnd;
}

void Form::showPageChildren(Control& tab) {
    const int page = static_cast<int>(SendMessageW(tab.hwnd_, TCM_GETCURSEL, 0, 0));
    for (auto& control : controls_) {
        if (control->spec().parent != tab.name() || !control->hwnd_) continue;
        const bool visible = control->spec().page == page && !(control->spec().flags & kHidden);
        ShowWindow(control->hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    }
}

void Form::setTooltip(Control& control, std::wstring_view text) {
    if (!control.hwnd_ || !hwnd_) return;
    if (!tooltipWindow_) {
        tooltipWindow_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_.get(),
                                         nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!tooltipWindow_) return;
    }
    std::wstring copy(text);
    TOOLINFOW info{};
    info.cbSize = kToolInfoSize;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    // The window that holds the tool is the control's own parent: the tooltip asks it for the
    // notification format when each tool is added, and the form's window answers every message
    // through a chain of subclasses (the skin, the caption tooltip) that costs far more.
    info.hwnd = GetParent(control.hwnd_);
    info.uId = reinterpret_cast<UINT_PTR>(control.hwnd_);
    info.lpszText = copy.data();
    const bool known = tooltips_.contains(&control);
    if (text.empty()) {
        if (known) SendMessageW(tooltipWindow_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        tooltips_.erase(&control);
        return;
    }
    SendMessageW(tooltipWindow_, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    tooltips_[&control] = std::move(copy);
}

std::wstring Form::tooltip(const Control& control) const {
    auto it = tooltips_.find(&control);
    return it == tooltips_.end() ? std::wstring() : it->second;
}

void Form::selectPage(std::wstring_view tabControl, int page) {
    Control* tab = find(tabControl);
    if (!tab || !tab->hwnd_) return;
    SendMessageW(tab->hwnd_, TCM_SETCURSEL, page, 0);
    showPageChildren(*tab);
}

Control* Form::find(std::wstring_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

std::vector<Control*> Form::withPrefix(std::wstring_view prefix) const {
    std::vector<Control*> found;
    for (auto& control : controls_)
        if (control->name().starts_with(prefix)) found.push_back(control.get());
    return found;
}

Control* Form::byId(int id) const {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(controls_.size())) return nullptr;
    return controls_[static_cast<size_t>(index)].get();
}

void Form::bind(std::wstring_view control, EventKind event, EventHandler handler) {
    if (Control* c = find(control)) handlers_[{c, event}] = std::move(handler);
}

void Form::route(std::wstring_view from, std::wstring_view to) {
    Control* source = find(from);
    Control* target = find(to);
    if (source && target && source != target) source->routedTo_ = target;
}

void Form::raise(Control& source, EventKind event, const EventArgs& args) {
    // Follow the route while it leads to a control of the same kind; the
    // handler still sees the control that raised the event.
    Control* target = &source;
    for (int hops = 0; target->routedTo_ && target->routedTo_->kind() == target->kind() && hops < 64; ++hops)
        target = target->routedTo_;
    auto it = handlers_.find({target, event});
    if (it == handlers_.end()) return;
    EventHandler handler = it->second; // the handler may rebind itself
    handler(source, args);
}

RECT Form::rect() const {
    RECT r{};
    if (hwnd_) GetWindowRect(hwnd_.get(), &r);
    return r;
}

void Form::moveTo(int left, int top) {
    if (hwnd_) SetWindowPos(hwnd_.get(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::topmost() const {
    return hwnd_ && (GetWindowLongPtrW(hwnd_.get(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

void Form::setTopmost(bool on) {
    if (hwnd_)
        SetWindowPos(hwnd_.get(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::dispatch(MSG& msg) {
    if (msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && IsDialogMessageW(root, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int Form::runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void Form::close() {
    if (hwnd_) PostMessageW(hwnd_.get(), WM_CLOSE, 0, 0);
}

void Form::runModal() {
    if (!hwnd_) return;
    HWND owner = GetWindow(hwnd_.get(), GW_OWNER);
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        modalOwner_ = owner;
    }
    MSG msg;
    while (hwnd_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The outer loop must see the quit request too.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        dispatch(msg);
    }
    releaseModalOwner();
}

void Form::releaseModalOwner() {
    // Enabled again before this window goes, so that the activation returns to the owner.
    if (modalOwner_) EnableWindow(std::exchange(modalOwner_, nullptr), TRUE);
}

LRESULT CALLBACK Form::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return form->handleMessage(hwnd, msg, wParam, lParam);
}

LRESULT Form::handleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        // The dialog manager turns Esc into IDCANCEL; no control of a form has that id.
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED && spec_ && spec_->escapeCloses) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return 0;
        }
        Control* control = byId(LOWORD(wParam));
        if (!control) break;
        const WORD code = HIWORD(wParam);
        if (code == BN_CLICKED &&
            (control->kind() == ControlKind::PushButton || control->kind() == ControlKind::CheckBox ||
             control->kind() == ControlKind::RadioButton))
            raise(*control, EventKind::Click);
        else if (code == CBN_SELCHANGE && control->kind() == ControlKind::DropDownList)
            raise(*control, EventKind::SelectionChanged);
        return 0;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        Control* control = byId(static_cast<int>(header->idFrom));
        if (control && control->kind() == ControlKind::TabControl && header->code == TCN_SELCHANGE)
            showPageChildren(*control);
        break;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
        if (!lParam) break;
        Control* control = byId(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        // TB_ENDTRACK follows every user move; the position itself changed with the earlier codes.
        if (control && control->kind() == ControlKind::TrackBar && LOWORD(wParam) != TB_ENDTRACK)
            raise(*control, EventKind::PositionChanged);
        return 0;
    }
    case WM_TIMER:
        if (Control* control = byId(static_cast<int>(wParam)); control && control->kind() == ControlKind::Timer) {
            raise(*control, EventKind::Tick);
            return 0;
        }
        break;
    case WM_HOTKEY:
        for (auto& [key, handler] : handlers_) {
            if (key.second != EventKind::Hotkey) continue;
            EventHandler h = handler;
            h(*key.first, EventArgs{wParam, lParam});
            return 0;
        }
        return 0;
    case WM_ACTIVATEAPP:
        if (!wParam && events_.deactivated) events_.deactivated(*this);
        break;
    case WM_QUERYENDSESSION:
        if (events_.closeQuery) events_.closeQuery(*this);
        return TRUE;
    case WM_CLOSE:
        if (!closing_) {
            closing_ = true;
            if (events_.closeQuery) events_.closeQuery(*this);
        }
        releaseModalOwner();
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        releaseModalOwner();
        for (auto& control : controls_)
            if (control->kind() == ControlKind::Timer) KillTimer(hwnd, static_cast<UINT_PTR>(control->id()));
        break;
    case WM_NCDESTROY:
        hwnd_.release();
        for (auto& control : controls_) control->hwnd_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (--liveForms == 0) PostQuitMessage(0);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default: break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::containerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Subclass s = subclasses().of(hwnd);
    auto* form = reinterpret_cast<Form*>(s.ref);
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (form && form->hwnd_) return SendMessageW(form->hwnd_.get(), msg, wParam, lParam);
        break;
    case WM_ERASEBKGND: {
        // A group box paints only its frame; with the window clipping its
        // children, nothing else would paint the area inside it.
        RECT r{};
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    default: break;
    }
    return subclasses().passOn(s, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Form::mouseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Subclass s = subclasses().of(hwnd);
    auto* control = reinterpret_cast<Control*>(s.ref);
    if (!control) return subclasses().passOn(s, hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_LBUTTONDOWN: control->form().raise(*control, EventKind::LeftDown); break;
    case WM_RBUTTONDOWN: control->form().raise(*control, EventKind::RightDown); break;
    case WM_RBUTTONUP: control->form().raise(*control, EventKind::RightUp); break;
    case WM_SETCURSOR:
        if (control->spec().flags & kHandCursor) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default: break;
    }
    return subclasses().passOn(s, hwnd, msg, wParam, lParam);
}

int messageBox(std::wstring_view text, std::wstring_view title, unsigned flags, HWND owner) {
    return MessageBoxW(owner, std::wstring(text).c_str(), std::wstring(title).c_str(), flags);
}

} // namespace rt
