// Small owners for the Windows resources the library holds, and the UTF-8
// conversions at its boundary.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace audiolib::win {

// A kernel handle closed with CloseHandle. INVALID_HANDLE_VALUE counts as none.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) noexcept : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }
    void reset() noexcept {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }
    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }

private:
    HANDLE h_ = nullptr;
};

// A COM interface pointer released with Release.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
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
        if (p_) p_->Release();
        p_ = nullptr;
    }
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    // For out-parameters; releases what was held.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// CoInitializeEx for the scope; a thread already in another apartment keeps it.
class ComScope {
public:
    ComScope() noexcept : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT hr_;
};

// Memory from CoTaskMemAlloc (mix formats, device ids).
template <class T>
class CoTaskPtr {
public:
    CoTaskPtr() = default;
    CoTaskPtr(const CoTaskPtr&) = delete;
    CoTaskPtr& operator=(const CoTaskPtr&) = delete;
    ~CoTaskPtr() { CoTaskMemFree(p_); }
    T* get() const noexcept { return p_; }
    T** put() noexcept {
        CoTaskMemFree(p_);
        p_ = nullptr;
        return &p_;
    }

private:
    T* p_ = nullptr;
};

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

inline int64_t ticksNow() noexcept {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

inline double ticksPerSecond() noexcept {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(f.QuadPart);
}

} // namespace audiolib::win
