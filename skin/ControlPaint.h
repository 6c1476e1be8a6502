// Small pieces the control painters share: a background capture that gives
// itself back, the geometry of a control's window and client areas, and the
// few drawing-layer figures every control kind is made of.
#pragma once

#include "draw/Colour.h"
#include "draw/PathShapes.h"
#include "skin/SkinEngine.h"

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace skin::paint {

inline constexpr COLORREF kKeyColour = 0xFF00FF; // (255,0,255): pixels the colour-keyed copy leaves out
inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kBlack = 0x000000;

inline std::wstring classOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 255);
    return name;
}

inline LONG_PTR styleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

inline SIZE windowSize(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// Where the client area lies in the control's window rectangle, counting 17 units for each scroll bar.
inline RECT clientPlace(HWND hwnd) {
    const SIZE s = windowSize(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const auto style = styleOf(hwnd);
    const int left = (s.cx - client.right - ((style & WS_VSCROLL) ? 17 : 0)) / 2;
    const int top = (s.cy - client.bottom - ((style & WS_HSCROLL) ? 17 : 0)) / 2;
    return {left, top, left + client.right, top + client.bottom};
}

// A picture of what lies behind part of a control, lent by the engine for one paint.
class Capture {
  public:
    Capture(SkinEngine& engine, HWND control, const RECT& area)
        : engine_(engine), dc_(engine.captureBackground(control, area)), width_(area.right - area.left),
          height_(area.bottom - area.top) {}
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    ~Capture() { engine_.releaseCaptureDC(dc_); }
    [[nodiscard]] HDC dc() const { return dc_; }
    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    [[nodiscard]] draw::RectF bounds() const { return {0, 0, float(width_), float(height_)}; }

  private:
    SkinEngine& engine_;
    HDC dc_;
    int width_, height_;
};

// Lays white over an area: the veil that keeps text legible on the skin.
inline void wash(draw::Graphics& g, draw::RectF area, int alpha) {
    draw::Brush veil;
    veil.createSolid(draw::toArgb(kWhite, alpha));
    g.fillRectangle(veil, area);
}

// The veil of frames and faces: the engine's overlay alpha, or opaque white when none was given.
inline int veilAlpha(const SkinEngine& engine) { return engine.overlayAlphaGiven ? engine.overlayAlpha : 255; }

// The background of the control's client area washed with white at the overlay alpha.
inline void washCapture(const SkinEngine& engine, const Capture& capture) {
    draw::Graphics g;
    g.create(capture.dc());
    wash(g, capture.bounds(), engine.overlayAlpha);
}

inline void fillSolid(draw::Graphics& g, const draw::GraphicsPath& shape, draw::Argb colour) {
    draw::Brush b;
    b.createSolid(colour);
    g.fillPath(b, shape);
}

inline void outline(draw::Graphics& g, const draw::GraphicsPath& shape, draw::Argb colour, float width = 1) {
    draw::Pen p;
    p.create(colour, width);
    g.drawPath(p, shape);
}

// A gradient across the short axis of a box: top to bottom on a horizontal control, left to right on a vertical one.
inline void fillAcross(draw::Graphics& g, const draw::GraphicsPath& shape, draw::RectF box, bool vertical,
                       draw::Argb from, draw::Argb to) {
    draw::Brush b;
    if (vertical) b.createLinear({box.x, box.y}, {box.x + box.width, box.y}, from, to);
    else b.createLinear({box.x, box.y}, {box.x, box.y + box.height}, from, to);
    g.fillPath(b, shape);
}

inline draw::GraphicsPath roundedRect(float x, float y, float w, float h, float radius) {
    return draw::makePath(draw::addRoundedRect, x, y, w, h, radius);
}

// Draws a built-in glyph at its own size; nothing when it does not decode.
inline void drawGlyph(draw::Graphics& g, std::span<const std::byte> glyph, float x, float y) {
    if (const Picture image = glyphPicture(glyph))
        g.drawImage(*image, draw::RectF{x, y, float(image->width()), float(image->height())});
}

// A window DC (GetWindowDC: origin at the window rectangle's corner), released with ReleaseDC.
class WholeWindowDc {
  public:
    explicit WholeWindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) {}
    WholeWindowDc(const WholeWindowDc&) = delete;
    WholeWindowDc& operator=(const WholeWindowDc&) = delete;
    ~WholeWindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    [[nodiscard]] HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// Copies a finished capture onto the control's whole window area in one blit.
inline void blitToWindow(HWND hwnd, const Capture& capture) {
    WholeWindowDc dc(hwnd);
    if (dc.get()) BitBlt(dc.get(), 0, 0, capture.width(), capture.height(), capture.dc(), 0, 0, SRCCOPY);
}

// A control's whole window area composed off screen: the picture of what lies behind it and a smoothed
// graphics on it; show() copies the result to the control in one blit.
struct Face {
    Face(SkinEngine& engine, HWND control)
        : hwnd(control), size(windowSize(control)), W(float(size.cx)), H(float(size.cy)),
          capture(engine, control, {0, 0, size.cx, size.cy}) {
        g.create(capture.dc());
        g.setSmoothing(draw::kSmoothingAntiAlias);
    }
    void show() {
        g.remove(); // everything drawn reaches the bitmap before it is copied
        blitToWindow(hwnd, capture);
    }
    HWND hwnd;
    SIZE size;
    float W, H;
    Capture capture;
    draw::Graphics g;
};

// Tracks the mouse leaving the control, so the hover look is taken back.
inline void trackLeave(HWND hwnd) {
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&t);
}

struct Message {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Runs a control kind's handler on the control's record; whatever it does not answer (nullopt), and every
// message of a control without a record, goes on to the control's previous procedure. No exception leaves.
template <typename Record, typename Handler>
LRESULT dispatch(std::vector<Record> WindowRecord::*list, const Message& m, Handler handler) {
    try {
        if (SkinEngine* engine = SkinEngine::instance()) {
            int windowIndex = 0, index = 0;
            if (Record* r = engine->controlRecord(m.hwnd, list, &windowIndex, &index))
                if (const std::optional<LRESULT> answer = handler(*engine, *r, windowIndex, index, m)) return *answer;
        }
    } catch (...) {
    }
    return SkinEngine::passOn(m.hwnd, m.msg, m.wParam, m.lParam);
}

// A control kind's window procedure: the kind's handler runs on the control's record (see dispatch).
template <auto list, auto handler>
LRESULT CALLBACK kindWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return dispatch(list, {hwnd, msg, wParam, lParam}, handler);
}

inline LRESULT passOn(const Message& m) { return SkinEngine::passOn(m.hwnd, m.msg, m.wParam, m.lParam); }

inline POINT pointOf(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Marks the control as the window's hot one (and asks for the leave notice); true when it has just become hot,
// so its hover look is due.
inline bool becomeHot(WindowRecord& w, HWND hwnd, int index, int list) {
    trackLeave(hwnd);
    w.controlUnderMouse = index;
    if (w.hotControl == index && w.hotList == list) return false;
    w.hotControl = index;
    w.hotList = list;
    return true;
}

enum class NonClient { Paint, Swallow, PassOn };

// The painting messages of the kinds the engine paints whole: the face is composed off screen and copied once,
// the system never erases or paints under it. nullopt where the message goes on to the control.
template <typename Paint>
std::optional<LRESULT> answerPainting(const Message& m, Paint paint, NonClient nonClient) {
    switch (m.msg) {
    case WM_MOVE: paint(); break;
    case WM_PAINT: {
        rt::PaintDc validate(m.hwnd);
        paint();
        return 0;
    }
    case WM_ERASEBKGND: SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT); return 1;
    case WM_NCPAINT:
        if (nonClient == NonClient::PassOn) break;
        if (nonClient == NonClient::Paint) paint();
        return 1;
    default: break;
    }
    return std::nullopt;
}

// Appends one record per direct child of the class that `init` accepts to the window's list and takes the child over.
template <typename Record, typename Init>
void attachChildren(SkinEngine& engine, HWND parent, int windowIndex, const wchar_t* className,
                    std::vector<Record> WindowRecord::*list, WNDPROC proc, Init init) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w) return;
    for (HWND child = FindWindowExW(parent, nullptr, className, nullptr); child;
         child = FindWindowExW(parent, child, className, nullptr)) {
        Record r;
        r.hwnd = child;
        if (!init(r)) continue;
        (w->*list).push_back(std::move(r));
        const int index = static_cast<int>((w->*list).size());
        (w->*list).back().previousProc = SkinEngine::subclass(child, windowIndex, index, proc);
    }
}

} // namespace skin::paint
