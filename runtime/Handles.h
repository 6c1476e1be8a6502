// Move-only owners for the Win32 handles the program creates; each knows its
// own release call, so a DC can never be freed with the wrong function.
#pragma once

#include <windows.h>

#include <utility>

namespace rt {

template <typename Handle, typename Traits>
class UniqueHandle {
  public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::invalid()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    [[nodiscard]] explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }
    Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle h = Traits::invalid()) noexcept {
        if (handle_ != Traits::invalid()) Traits::close(handle_);
        handle_ = h;
    }

  private:
    Handle handle_ = Traits::invalid();
};

struct WindowTraits {
    static HWND invalid() noexcept { return nullptr; }
    static void close(HWND h) noexcept { DestroyWindow(h); }
};
struct GdiObjectTraits {
    static HGDIOBJ invalid() noexcept { return nullptr; }
    static void close(HGDIOBJ h) noexcept { DeleteObject(h); }
};
struct FontTraits {
    static HFONT invalid() noexcept { return nullptr; }
    static void close(HFONT h) noexcept { DeleteObject(h); }
};
struct MemoryDcTraits {
    static HDC invalid() noexcept { return nullptr; }
    static void close(HDC h) noexcept { DeleteDC(h); }
};
struct IconTraits {
    static HICON invalid() noexcept { return nullptr; }
    static void close(HICON h) noexcept { DestroyIcon(h); }
};
struct MenuTraits {
    static HMENU invalid() noexcept { return nullptr; }
    static void close(HMENU h) noexcept { DestroyMenu(h); }
};
struct ModuleTraits {
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE h) noexcept { FreeLibrary(h); }
};
struct KernelHandleTraits {
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { FindClose(h); }
};

using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, GdiObjectTraits>;
using UniqueFont = UniqueHandle<HFONT, FontTraits>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;

// GetDC/ReleaseDC need the window as well as the DC.
class WindowDc {
  public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    [[nodiscard]] HDC get() const noexcept { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

class PaintDc {
  public:
    explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd) { BeginPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    [[nodiscard]] HDC get() const noexcept { return ps_.hdc; }
    [[nodiscard]] const PAINTSTRUCT& paint() const noexcept { return ps_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// COM interface pointer released on destruction.
template <typename T>
class ComPtr {
  public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p) noexcept : p_(p) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }
    void reset() noexcept {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    [[nodiscard]] T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    // For the void** out-parameters of CoCreateInstance, Activate and GetService.
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    [[nodiscard]] explicit operator bool() const noexcept { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

} // namespace rt
