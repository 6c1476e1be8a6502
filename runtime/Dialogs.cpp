#include "runtime/Dialogs.h"

#include "runtime/Handles.h"

#include <commdlg.h>

#include <cstring>

namespace rt {
namespace {

// Builds an in-memory dialog template: DLGTEMPLATE, then items, each DWORD aligned.
class DialogTemplate {
  public:
    DialogTemplate(std::wstring_view title, DWORD style, short width, short height) {
        DLGTEMPLATE t{};
        t.style = style | DS_SETFONT;
        t.cx = width;
        t.cy = height;
        put(t);
        putWord(0); // no menu
        putWord(0); // default class
        putString(title);
        putWord(9); // point size
        putString(L"MS Shell Dlg");
        countOffset_ = offsetof(DLGTEMPLATE, cdit);
    }

    void item(WORD atom, std::wstring_view text, DWORD style, short x, short y, short cx, short cy, WORD id) {
        align();
        DLGITEMTEMPLATE it{};
        it.style = style | WS_CHILD | WS_VISIBLE;
        it.x = x;
        it.y = y;
        it.cx = cx;
        it.cy = cy;
        it.id = id;
        put(it);
        putWord(0xFFFF);
        putWord(atom);
        putString(text);
        putWord(0); // no creation data
        WORD count;
        std::memcpy(&count, bytes_.data() + countOffset_, sizeof count);
        ++count;
        std::memcpy(bytes_.data() + countOffset_, &count, sizeof count);
    }

    [[nodiscard]] const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

  private:
    template <typename T>
    void put(const T& value) {
        const auto* p = reinterpret_cast<const unsigned char*>(&value);
        bytes_.insert(bytes_.end(), p, p + sizeof value);
    }
    void putWord(WORD w) { put(w); }
    void putString(std::wstring_view s) {
        for (wchar_t c : s) putWord(static_cast<WORD>(c));
        putWord(0);
    }
    void align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }

    std::vector<unsigned char> bytes_;
    size_t countOffset_ = 0;
};

constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;
constexpr int kEditId = 100;

struct InputState {
    std::wstring initial;
    std::wstring result;
};

INT_PTR CALLBACK inputProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        state = reinterpret_cast<InputState*>(lParam);
        SetDlgItemTextW(dlg, kEditId, state->initial.c_str());
        // Centre on the owner, or on the screen without one.
        RECT r{}, o{};
        GetWindowRect(dlg, &r);
        HWND owner = GetWindow(dlg, GW_OWNER);
        if (owner) GetWindowRect(owner, &o);
        else SetRect(&o, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        SetWindowPos(dlg, nullptr, o.left + ((o.right - o.left) - (r.right - r.left)) / 2,
                     o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            HWND edit = GetDlgItem(dlg, kEditId);
            const int n = GetWindowTextLengthW(edit);
            state->result.assign(static_cast<size_t>(n) + 1, L'\0');
            state->result.resize(static_cast<size_t>(GetWindowTextW(edit, state->result.data(), n + 1)));
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

} // namespace

std::optional<std::wstring> inputBox(HWND owner, std::wstring_view prompt, std::wstring_view title,
                                     std::wstring_view initial) {
    DialogTemplate t(title, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 220, 70);
    t.item(kStaticAtom, prompt, SS_LEFT, 7, 7, 206, 10, 101);
    t.item(kEditAtom, L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 206, 13, kEditId);
    t.item(kButtonAtom, L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 110, 48, 50, 14, IDOK);
    t.item(kButtonAtom, L"取消", BS_PUSHBUTTON | WS_TABSTOP, 163, 48, 50, 14, IDCANCEL);
    InputState state{std::wstring(initial), {}};
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, inputProc,
                                              reinterpret_cast<LPARAM>(&state));
    if (r != IDOK) return std::nullopt;
    return state.result;
}

std::optional<std::wstring> openFileDialog(HWND owner, std::wstring_view title, std::wstring_view filter,
                                           std::wstring_view initialFolder) {
    // The filter's separators become NULs, and the whole ends with two.
    std::wstring filterz(filter);
    for (wchar_t& c : filterz)
        if (c == L'|') c = L'\0';
    filterz.push_back(L'\0');
    filterz.push_back(L'\0');
    std::wstring folder(initialFolder);
    for (wchar_t& c : folder)
        if (c == L'/') c = L'\\';
    std::wstring titlez(title);
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filterz.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = titlez.empty() ? nullptr : titlez.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return std::wstring(file.data());
}

void PopupMenu::add(std::wstring text, std::function<void()> onClick) {
    entries_.push_back({std::move(text), std::move(onClick), false});
}

void PopupMenu::setHandler(size_t index, std::function<void()> onClick) {
    if (index < entries_.size()) entries_[index].onClick = std::move(onClick);
}

void PopupMenu::setChecked(size_t index, bool on) {
    if (index < entries_.size()) entries_[index].checked = on;
}

int PopupMenu::show(HWND owner, POINT screenPoint) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return -1;
    for (size_t i = 0; i < entries_.size(); ++i)
        AppendMenuW(menu.get(), MF_STRING | (entries_[i].checked ? MF_CHECKED : MF_UNCHECKED), i + 1,
                    entries_[i].text.c_str());
    // The owner must be foreground or the menu does not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    const int chosen = static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                       screenPoint.x, screenPoint.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen <= 0) return -1;
    const size_t index = static_cast<size_t>(chosen - 1);
    if (auto handler = entries_[index].onClick) handler();
    return static_cast<int>(index);
}

} // namespace rt
