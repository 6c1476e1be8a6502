// The page selector strip: a row of equal-width items drawn over a host
// control (a label above the board). Pointing at an item lights it, pressing
// it selects it and calls the program back with its number. Drawn like the
// rest of the skin: on a copy of the skin behind the host, in one blit.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace skin {

class SkinEngine;

class PageStrip {
  public:
    explicit PageStrip(SkinEngine& engine) : engine_(engine) {}
    PageStrip(const PageStrip&) = delete;
    PageStrip& operator=(const PageStrip&) = delete;
    ~PageStrip();

    struct Style {
        int itemWidth = 60;
        int itemStyle = 1;  // 1 gradient body, 2 glow, 3 filled tab shape
        int frameStyle = 3; // 1 none, 2 rounded top corners, 3 rounded
        bool radioMode = true;
        COLORREF colour = 0xDDCA22;
        int alpha = 160;
        COLORREF backgroundFill = 0;
    };
    struct Item {
        RECT rect{};
        int number = 0;
        std::wstring text;
        COLORREF textColour = 0;
        bool pressed = false;
        bool hot = false;
        bool selected = false;
    };

    bool attach(HWND host, const Style& style);
    // Appends an item; in radio mode the first one becomes selected. Answers the new strip width.
    int addItem(std::wstring_view text, COLORREF textColour = 0);
    bool removeItem(int number);
    // handler receives the item number (0 for a press between items).
    void setChangeHandler(std::function<void(int)> handler);
    // Radio mode: selects an item as a press on it would.
    void selectItem(int number);
    [[nodiscard]] int selectedItem() const;
    [[nodiscard]] int hitTest(int x, int y) const;
    [[nodiscard]] RECT itemRect(int number) const;
    [[nodiscard]] const std::vector<Item>& items() const { return items_; }
    [[nodiscard]] int stripWidth() const { return stripWidth_; }
    // Repaints over the current skin (after a skin or opacity change).
    void refresh();
    void setOption(int value = 1) { option_ = value; }

  private:
    static LRESULT CALLBACK procEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void layoutItems();
    void render(HDC dc, bool present);
    void drawItem(int number, bool present, void* graphics = nullptr);
    void releaseCapture();
    void mark(int number, bool Item::*flag, bool on);

    SkinEngine& engine_;
    HWND host_ = nullptr;
    WNDPROC previousProc_ = nullptr;
    Style style_;
    std::vector<Item> items_;
    int originX_ = 0, originY_ = 0, margin_ = 2;
    int stripWidth_ = 0, stripHeight_ = 0;
    int hotItem_ = 0, selectedItem_ = 0, hitItem_ = 0;
    std::function<void(int)> changeHandler_;
    HDC captureDC_ = nullptr;
    bool needsRender_ = true;
    int option_ = 0;
};

} // namespace skin
