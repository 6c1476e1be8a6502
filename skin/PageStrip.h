// The page selector strip drawn over a label above the board.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace skin {

class PageStrip {
  public:
    PageStrip() = default;
    PageStrip(const PageStrip&) = delete;
    PageStrip& operator=(const PageStrip&) = delete;
    virtual ~PageStrip() = default;

    struct Style {
        int itemWidth = 70;
        int itemStyle = 2;
        int frameStyle = 2;
        bool radioMode = true;
        COLORREF colour = 0;
        int alpha = 0;
    };
    virtual bool attach(HWND label, const Style& style);
    virtual void addItem(std::wstring_view text);
    // handler receives the 1-based item number.
    virtual void setChangeHandler(std::function<void(int)> handler);
    [[nodiscard]] const std::vector<std::wstring>& items() const { return items_; }

  private:
    HWND label_ = nullptr;
    Style style_;
    std::vector<std::wstring> items_;
    std::function<void(int)> onChange_;
};

} // namespace skin
