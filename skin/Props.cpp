#include "skin/Props.h"

#include <array>
#include <cstdint>
#include <cwchar>
#include <optional>

#include "runtime/WindowTable.h"

namespace skin {
namespace {

// Only properties that no one but the engine sets are kept: a copy of one that
// others may change could go stale.
constexpr std::array<const wchar_t*, 8> kKept = {L"Hw_lbID", L"Hw_FuID", L"Hw_hProc", L"Kj_lbID",
                                                 L"Kj_FuID", L"Kj_hProc", L"Kj_Ztys",  L"Mb_zpf"};

int keptIndex(const wchar_t* name) {
    if (!name || IS_INTRESOURCE(name)) return -1;
    for (size_t i = 0; i < kKept.size(); ++i)
        if (std::wcscmp(name, kKept[i]) == 0) return static_cast<int>(i);
    return -1;
}

struct Kept {
    std::array<HANDLE, kKept.size()> values{};
    std::uint32_t known = 0; // bit i: values[i] is what the window holds
};

class Copies {
  public:
    bool find(HWND hwnd, int i, HANDLE& value) const {
        const std::optional<Kept> k = windows_.find(hwnd);
        if (!k || !(k->known & (1u << i))) return false;
        value = k->values[static_cast<size_t>(i)];
        return true;
    }
    void keep(HWND hwnd, int i, HANDLE value) {
        windows_.update(hwnd, [i, value](Kept& k) {
            k.values[static_cast<size_t>(i)] = value;
            k.known |= 1u << i;
        });
    }
    void drop(HWND hwnd, int i) {
        windows_.update(hwnd, [i](Kept& k) { k.known &= ~(1u << i); });
    }
    void forget(HWND hwnd) { windows_.erase(hwnd); }

  private:
    rt::WindowTable<Kept> windows_;
};

Copies& copies() {
    static Copies c;
    return c;
}

} // namespace

bool setProp(HWND hwnd, const wchar_t* name, HANDLE value) {
    const bool set = SetPropW(hwnd, name, value) != FALSE;
    if (const int i = keptIndex(name); i >= 0) {
        if (set) copies().keep(hwnd, i, value);
        else copies().drop(hwnd, i);
    }
    return set;
}

HANDLE prop(HWND hwnd, const wchar_t* name) {
    const int i = keptIndex(name);
    HANDLE value = nullptr;
    if (i < 0 || !hwnd) return GetPropW(hwnd, name);
    if (copies().find(hwnd, i, value)) return value;
    // Kept names are set and removed only through here, so what the window
    // holds now (often nothing: no colour was given) stays true until then.
    value = GetPropW(hwnd, name);
    if (IsWindow(hwnd)) copies().keep(hwnd, i, value);
    return value;
}

HANDLE removeProp(HWND hwnd, const wchar_t* name) {
    HANDLE old = RemovePropW(hwnd, name);
    if (const int i = keptIndex(name); i >= 0 && hwnd) copies().keep(hwnd, i, nullptr);
    return old;
}

void forgetProps(HWND hwnd) { copies().forget(hwnd); }

LRESULT callPreviousProc(HWND hwnd, const wchar_t* procName, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(prop(hwnd, procName));
    const LRESULT result =
        previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    // A handle can be given to a new window once this one is gone.
    if (msg == WM_NCDESTROY) forgetProps(hwnd);
    return result;
}

} // namespace skin
