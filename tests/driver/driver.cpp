// sbdriver COMMAND ARGS... ; prints JSON lines on stdout, UTF-8.
//   windows                       every visible top-level window: caption, class, rect, pid
//   wait CAPTION [ms]             waits for a top-level window with this caption; prints it
//   gone CAPTION [ms]             waits until no such window exists
//   controls CAPTION              every descendant control: class, text, rect in the window's client coordinates,
//                                 and its state (check, slider position, list entries, tab header rects)
//   dialog [ms]                   waits for a message box (#32770); prints its title and texts
//   press CAPTION BUTTON          clicks a button of a dialog by its text, or by its id as #N (BM_CLICK)
//   close CAPTION                 asks the window to close (WM_CLOSE)
//   click-buttons CAPTION N TEXT...  N clicks (BM_CLICK) over the window's buttons with these texts, in turn
//   counts PID                    GDI, USER and kernel handle counts of a process
//   move CAPTION X Y              moves the window's top-left corner to screen X, Y (size and Z-order kept)
//   thread CAPTION                the id of the thread that owns the window
//   memory PID                    working set and peak working set of a process, in bytes
//   record FILE ARG...            appends the arguments, one line, UTF-8, to FILE (a stand-in URL handler)
//   pad                           a full-screen window under the others, caption "sbdriver pad", until closed:
//                                 the pointer over it reaches Wine, and clicking it takes the activation
//   link FILE                     target and show command of a shell link
//   hotkey CAPTION [VK FLAGS]     the hotkey field (msctls_hotkey32) of the window: its combination, place (client
//                                 and screen) and styles; with VK and FLAGS first sets it (HKM_SETHOTKEY)
//   settext CAPTION #ID TEXT      sets the text of the window's descendant control with this id (WM_SETTEXT)
//   post CAPTION MSG WPARAM LPARAM  posts a message (numbers in decimal) to the top-level window
//   tools CAPTION                 every tool of the tooltip controls owned by the window: the tool's window
//                                 handle (TTF_IDISHWND tools) and its text, read from the tooltip control itself
#include <windows.h>
#include <psapi.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string json(const std::wstring& w) {
    std::string out = "\"";
    for (char c : utf8(w)) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void emit(const std::string& line) {
    std::string s = line + "\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

std::wstring textOf(HWND h) {
    wchar_t buf[4096];
    // WM_GETTEXT rather than GetWindowText so controls of other processes answer too.
    // Not SMTO_ABORTIFHUNG: a program still starting up on a loaded machine has not
    // asked for a message for seconds, which the system takes for hung, although
    // it answers sent messages within moments. On such a machine an answer can
    // also take more than a second or two.
    LRESULT n = SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 10000, nullptr)
                    ? static_cast<LRESULT>(wcslen(buf))
                    : 0;
    return std::wstring(buf, static_cast<size_t>(n));
}

std::wstring classOf(HWND h) {
    wchar_t buf[256];
    int n = GetClassNameW(h, buf, 256);
    return std::wstring(buf, static_cast<size_t>(n));
}

std::string rectJson(const RECT& r) {
    char buf[128];
    snprintf(buf, sizeof buf, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return buf;
}

std::string windowJson(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char extra[200];
    snprintf(extra, sizeof extra, ",\"hwnd\":%llu,\"pid\":%lu,\"visible\":%s,\"style\":%lu,\"exstyle\":%lu",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)), pid, IsWindowVisible(h) ? "true" : "false",
             static_cast<unsigned long>(GetWindowLongPtrW(h, GWL_STYLE)),
             static_cast<unsigned long>(GetWindowLongPtrW(h, GWL_EXSTYLE)));
    return "{\"caption\":" + json(textOf(h)) + ",\"class\":" + json(classOf(h)) + ",\"rect\":" + rectJson(r) + extra +
           "}";
}

std::vector<HWND> topWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND findTop(const std::wstring& caption) {
    for (HWND h : topWindows())
        if (IsWindowVisible(h) && textOf(h) == caption) return h;
    return nullptr;
}

HWND waitTop(const std::wstring& caption, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = findTop(caption)) return h;
        if (GetTickCount() - start > ms) return nullptr;
        Sleep(50);
    }
}

HWND findDialog() {
    for (HWND h : topWindows())
        if (IsWindowVisible(h) && classOf(h) == L"#32770") return h;
    return nullptr;
}

// Reads a RECT that a control writes through a pointer, by lending it memory in its own process.
bool remoteRect(HWND h, UINT msg, WPARAM wParam, RECT& out) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    bool ok = false;
    if (remote) {
        ok = SendMessageW(h, msg, wParam, reinterpret_cast<LPARAM>(remote)) &&
             ReadProcessMemory(process, remote, &out, sizeof out, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return ok;
}

// What a test needs to know of a control beyond its text: check state,
// slider position, list entries, tab headers (in the root window's client coordinates).
std::string controlState(HWND h, HWND root) {
    const std::wstring cls = classOf(h);
    char buf[160];
    if (cls == L"Button") {
        snprintf(buf, sizeof buf, ",\"checked\":%d", static_cast<int>(SendMessageW(h, BM_GETCHECK, 0, 0)));
        return buf;
    }
    if (cls == L"msctls_trackbar32") {
        snprintf(buf, sizeof buf, ",\"pos\":%d,\"min\":%d,\"max\":%d", static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0)),
                 static_cast<int>(SendMessageW(h, TBM_GETRANGEMIN, 0, 0)),
                 static_cast<int>(SendMessageW(h, TBM_GETRANGEMAX, 0, 0)));
        return buf;
    }
    if (cls == L"ComboBox") {
        std::string items = ",\"items\":[";
        const int count = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            if (i) items += ",";
            items += json(text);
        }
        snprintf(buf, sizeof buf, "],\"sel\":%d,\"itemHeight\":%d", static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0)),
                 static_cast<int>(SendMessageW(h, CB_GETITEMHEIGHT, 0, 0)));
        return items + buf;
    }
    if (cls == L"SysTabControl32") {
        std::string tabs = ",\"tabs\":[";
        const int count = static_cast<int>(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            RECT r{};
            remoteRect(h, TCM_GETITEMRECT, static_cast<WPARAM>(i), r);
            MapWindowPoints(h, root, reinterpret_cast<POINT*>(&r), 2);
            if (i) tabs += ",";
            tabs += rectJson(r);
        }
        snprintf(buf, sizeof buf, "],\"sel\":%d", static_cast<int>(SendMessageW(h, TCM_GETCURSEL, 0, 0)));
        return tabs + buf;
    }
    return {};
}

int usage() {
    emit("{\"error\":\"usage\"}");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    const std::wstring cmd = argv[1];
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    auto ms = [&](int i, DWORD def) { return i < argc ? static_cast<DWORD>(_wtoi(argv[i])) : def; };

    if (cmd == L"windows") {
        for (HWND h : topWindows())
            if (IsWindowVisible(h)) emit(windowJson(h));
        return 0;
    }
    if (cmd == L"wait") {
        HWND h = waitTop(arg(2), ms(3, 20000));
        if (!h) return 1;
        emit(windowJson(h));
        return 0;
    }
    if (cmd == L"gone") {
        const DWORD start = GetTickCount();
        while (findTop(arg(2))) {
            if (GetTickCount() - start > ms(3, 20000)) return 1;
            Sleep(50);
        }
        return 0;
    }
    if (cmd == L"controls") {
        HWND top = findTop(arg(2));
        if (!top) return 1;
        struct Ctx {
            HWND top;
        } ctx{top};
        EnumChildWindows(
            top,
            [](HWND h, LPARAM p) -> BOOL {
                HWND root = reinterpret_cast<Ctx*>(p)->top;
                RECT r;
                GetWindowRect(h, &r);
                MapWindowPoints(nullptr, root, reinterpret_cast<POINT*>(&r), 2);
                char extra[160];
                snprintf(extra, sizeof extra, ",\"id\":%d,\"visible\":%s,\"style\":%lu,\"parent\":%llu,\"hwnd\":%llu",
                         GetDlgCtrlID(h), IsWindowVisible(h) ? "true" : "false",
                         static_cast<unsigned long>(GetWindowLongPtrW(h, GWL_STYLE)),
                         static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(GetParent(h))),
                         static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
                emit("{\"class\":" + json(classOf(h)) + ",\"text\":" + json(textOf(h)) + ",\"rect\":" + rectJson(r) +
                     extra + controlState(h, root) + "}");
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&ctx));
        return 0;
    }
    if (cmd == L"dialog") {
        const DWORD start = GetTickCount();
        HWND dlg = nullptr;
        while (!(dlg = findDialog())) {
            if (GetTickCount() - start > ms(2, 20000)) return 1;
            Sleep(50);
        }
        std::string texts = "[";
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (texts.size() > 1) texts += ",";
            texts += "{\"class\":" + json(classOf(c)) + ",\"text\":" + json(textOf(c)) + "}";
        }
        texts += "]";
        emit("{\"title\":" + json(textOf(dlg)) + ",\"controls\":" + texts + ",\"window\":" + windowJson(dlg) + "}");
        return 0;
    }
    if (cmd == L"press") {
        HWND dlg = findTop(arg(2));
        if (!dlg) dlg = findDialog();
        if (!dlg) return 1;
        for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            const std::wstring want = arg(3);
            const bool byId = !want.empty() && want[0] == L'#';
            if (classOf(c) == L"Button" && (byId ? GetDlgCtrlID(c) == _wtoi(want.c_str() + 1) : textOf(c) == want)) {
                PostMessageW(c, BM_CLICK, 0, 0);
                return 0;
            }
        }
        return 1;
    }
    if (cmd == L"close") {
        HWND h = findTop(arg(2));
        if (!h) return 1;
        PostMessageW(h, WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == L"click-buttons") {
        // click-buttons CAPTION COUNT TEXT... : clicks the named buttons of the window in turn, COUNT clicks in
        // all, each sent and handled before the next (BM_CLICK).
        HWND top = findTop(arg(2));
        if (!top) return 1;
        const int count = _wtoi(arg(3).c_str());
        std::vector<HWND> buttons;
        for (int i = 4; i < argc; ++i) {
            struct Find {
                const wchar_t* text;
                HWND found;
            } find{argv[i], nullptr};
            EnumChildWindows(
                top,
                [](HWND h, LPARAM p) -> BOOL {
                    auto* f = reinterpret_cast<Find*>(p);
                    if (classOf(h) == L"Button" && textOf(h) == f->text) {
                        f->found = h;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&find));
            if (!find.found) return 1;
            buttons.push_back(find.found);
        }
        if (buttons.empty()) return 1;
        for (int i = 0; i < count; ++i) {
            DWORD_PTR result;
            SendMessageTimeoutW(buttons[static_cast<size_t>(i) % buttons.size()], BM_CLICK, 0, 0, SMTO_NORMAL, 10000,
                                &result);
        }
        return 0;
    }
    if (cmd == L"counts") {
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(_wtoi(argv[2])));
        if (!p) return 1;
        DWORD handles = 0;
        GetProcessHandleCount(p, &handles);
        char buf[160];
        snprintf(buf, sizeof buf, "{\"gdi\":%lu,\"user\":%lu,\"kernel\":%lu}", GetGuiResources(p, GR_GDIOBJECTS),
                 GetGuiResources(p, GR_USEROBJECTS), handles);
        emit(buf);
        CloseHandle(p);
        return 0;
    }
    if (cmd == L"move") {
        HWND h = findTop(arg(2));
        if (!h) return 1;
        SetWindowPos(h, nullptr, _wtoi(arg(3).c_str()), _wtoi(arg(4).c_str()), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT r;
        GetWindowRect(h, &r);
        emit("{\"rect\":" + rectJson(r) + "}");
        return 0;
    }
    if (cmd == L"thread") {
        HWND h = findTop(arg(2));
        if (!h) return 1;
        char buf[64];
        snprintf(buf, sizeof buf, "{\"tid\":%lu}", GetWindowThreadProcessId(h, nullptr));
        emit(buf);
        return 0;
    }
    if (cmd == L"memory") {
        HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, static_cast<DWORD>(_wtoi(argv[2])));
        if (!p) return 1;
        PROCESS_MEMORY_COUNTERS c{};
        c.cb = sizeof c;
        const BOOL ok = GetProcessMemoryInfo(p, &c, sizeof c);
        CloseHandle(p);
        if (!ok) return 1;
        char buf[128];
        snprintf(buf, sizeof buf, "{\"workingSet\":%llu,\"peak\":%llu}",
                 static_cast<unsigned long long>(c.WorkingSetSize), static_cast<unsigned long long>(c.PeakWorkingSetSize));
        emit(buf);
        return 0;
    }
    if (cmd == L"record") {
        std::wstring line;
        for (int i = 3; i < argc; ++i) line += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
        const std::string text = utf8(line) + "\n";
        HANDLE f = CreateFileW(arg(2).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return 1;
        DWORD written;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        return 0;
    }
    if (cmd == L"pad") {
        WNDCLASSW wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_DESTROY) PostQuitMessage(0);
            return DefWindowProcW(h, m, w, l);
        };
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
        wc.lpszClassName = L"SbDriverPad";
        RegisterClassW(&wc);
        HWND h = CreateWindowExW(0, wc.lpszClassName, L"sbdriver pad", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
        if (!h) return 1;
        SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        return 0;
    }
    if (cmd == L"link") {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IShellLinkW* link = nullptr;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link))))
            return 1;
        IPersistFile* file = nullptr;
        int rc = 1;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            SUCCEEDED(file->Load(arg(2).c_str(), STGM_READ))) {
            wchar_t target[MAX_PATH] = {}, args[MAX_PATH] = {}, dir[MAX_PATH] = {};
            int show = 0;
            link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(args, MAX_PATH);
            link->GetWorkingDirectory(dir, MAX_PATH);
            link->GetShowCmd(&show);
            emit("{\"target\":" + json(target) + ",\"arguments\":" + json(args) + ",\"workingDir\":" + json(dir) +
                 ",\"show\":" + std::to_string(show) + "}");
            rc = 0;
        }
        if (file) file->Release();
        link->Release();
        return rc;
    }
    if (cmd == L"hotkey") {
        HWND top = findTop(arg(2));
        if (!top) return 1;
        HWND field = FindWindowExW(top, nullptr, HOTKEY_CLASSW, nullptr);
        if (!field) return 1;
        if (argc >= 5)
            SendMessageW(field, HKM_SETHOTKEY, MAKEWORD(_wtoi(argv[3]) & 0xFF, _wtoi(argv[4]) & 0xFF), 0);
        const auto value = static_cast<WORD>(SendMessageW(field, HKM_GETHOTKEY, 0, 0));
        RECT r, screen;
        GetWindowRect(field, &r);
        screen = r;
        MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
        char buf[200];
        snprintf(buf, sizeof buf, "{\"vk\":%d,\"flags\":%d,\"id\":%d,\"focused\":%s,\"style\":%lu,\"exstyle\":%lu,\"rect\":",
                 LOBYTE(value), HIBYTE(value), GetDlgCtrlID(field),
                 GetWindowThreadProcessId(field, nullptr) == GetWindowThreadProcessId(top, nullptr) &&
                         [&] {
                             GUITHREADINFO info{};
                             info.cbSize = sizeof info;
                             return GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) &&
                                    info.hwndFocus == field;
                         }()
                     ? "true"
                     : "false",
                 static_cast<unsigned long>(GetWindowLongPtrW(field, GWL_STYLE)),
                 static_cast<unsigned long>(GetWindowLongPtrW(field, GWL_EXSTYLE)));
        emit(buf + rectJson(r) + ",\"screen\":" + rectJson(screen) + "}");
        return 0;
    }
    if (cmd == L"settext") {
        HWND top = findTop(arg(2));
        if (!top) top = findDialog();
        const std::wstring want = arg(3);
        if (!top || want.size() < 2 || want[0] != L'#') return 1;
        struct Find {
            int id;
            HWND found;
        } find{_wtoi(want.c_str() + 1), nullptr};
        EnumChildWindows(
            top,
            [](HWND h, LPARAM p) -> BOOL {
                auto* f = reinterpret_cast<Find*>(p);
                if (GetDlgCtrlID(h) != f->id) return TRUE;
                f->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        if (!find.found) return 1;
        const std::wstring text = arg(4);
        DWORD_PTR result;
        SendMessageTimeoutW(find.found, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                            &result);
        emit("{\"text\":" + json(textOf(find.found)) + "}");
        return 0;
    }
    if (cmd == L"post") {
        if (argc < 6) return usage();
        HWND top = findTop(arg(2));
        if (!top) return 1;
        return PostMessageW(top, static_cast<UINT>(_wtoi(argv[3])), static_cast<WPARAM>(_wtoi(argv[4])),
                            static_cast<LPARAM>(_wtoi(argv[5])))
                   ? 0
                   : 1;
    }
    if (cmd == L"tools") {
        HWND top = findTop(arg(2));
        if (!top) return 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(top, &pid);
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process) return 1;
        constexpr size_t kTextUnits = 1024;
        const size_t bytes = sizeof(TOOLINFOW) + kTextUnits * sizeof(wchar_t);
        auto* remote = static_cast<unsigned char*>(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE));
        if (!remote) {
            CloseHandle(process);
            return 1;
        }
        auto* remoteText = reinterpret_cast<wchar_t*>(remote + sizeof(TOOLINFOW));
        for (HWND tip : topWindows()) {
            if (GetWindow(tip, GW_OWNER) != top || _wcsicmp(classOf(tip).c_str(), TOOLTIPS_CLASSW) != 0) continue;
            const int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                TOOLINFOW info{};
                info.cbSize = sizeof info;
                info.lpszText = remoteText;
                const wchar_t empty = 0;
                WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
                WriteProcessMemory(process, remoteText, &empty, sizeof empty, nullptr);
                if (!SendMessageW(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote))) continue;
                ReadProcessMemory(process, remote, &info, sizeof info, nullptr);
                info.lpszText = remoteText;
                WriteProcessMemory(process, remote, &info, sizeof info, nullptr);
                SendMessageW(tip, TTM_GETTEXTW, kTextUnits, reinterpret_cast<LPARAM>(remote));
                std::wstring text(kTextUnits, L'\0');
                ReadProcessMemory(process, remoteText, text.data(), kTextUnits * sizeof(wchar_t), nullptr);
                text.resize(wcsnlen(text.c_str(), kTextUnits - 1));
                emit("{\"tool\":" + std::to_string(static_cast<unsigned long long>(info.uId)) + ",\"text\":" +
                     json(text) + "}");
            }
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        CloseHandle(process);
        return 0;
    }
    return usage();
}
