// Small owners for the Windows resources the library holds, and the UTF-8
// conversions at its boundary.
#pragma once
#include <windows.h>

#include "runtime/Handles.h"

#include <string>
#include <string_view>
#include <utility>

namespace audiolib::win {

// The program's own owners serve the library too.
using UniqueHandle = rt::UniqueKernelHandle;
using UniqueFile = rt::UniqueFile;
using UniqueFind = rt::UniqueFind;
template <class T> using ComPtr = rt::ComPtr<T>;

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
template <class T> class CoTaskPtr {
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
