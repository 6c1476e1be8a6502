// Data this process keeps per window, looked up without asking the system:
// under Wine every GetProp is a round trip to the window server, too slow for
// what a window procedure needs on every message. The owner drops an entry
// when its window is destroyed, since a handle can be given to a new window.
#pragma once

#include <windows.h>

#include <mutex>
#include <optional>
#include <unordered_map>

namespace rt {

template <typename T>
class WindowTable {
  public:
    [[nodiscard]] std::optional<T> find(HWND hwnd) const {
        const std::lock_guard<std::mutex> guard(mutex_);
        const auto it = table_.find(hwnd);
        if (it == table_.end()) return std::nullopt;
        return it->second;
    }
    // Calls change on the window's entry, made first when there is none.
    template <typename Change>
    void update(HWND hwnd, Change change) {
        const std::lock_guard<std::mutex> guard(mutex_);
        change(table_[hwnd]);
    }
    void erase(HWND hwnd) {
        const std::lock_guard<std::mutex> guard(mutex_);
        table_.erase(hwnd);
    }

  private:
    mutable std::mutex mutex_;
    std::unordered_map<HWND, T> table_;
};

} // namespace rt
