#include "skin/PageStrip.h"

#include "draw/Colour.h"
#include "draw/PathShapes.h"
#include "skin/Paint.h"
#include "skin/SkinEngine.h"

#include <windowsx.h>

namespace skin {
namespace {

using namespace paint;

// The one strip whose host a message is for; the program has a single strip.
PageStrip* stripOf(HWND host) { return reinterpret_cast<PageStrip*>(GetPropW(host, L"SB_PageStrip")); }


} // namespace

PageStrip::~PageStrip() {
    releaseCapture();
    if (host_ && IsWindow(host_)) RemovePropW(host_, L"SB_PageStrip");
}

bool PageStrip::attach(HWND host, const Style& style) {
    if (!host) return false;
    host_ = host;
    style_ = style;
    originX_ = originY_ = 0;
    margin_ = 2;
    RECT client{};
    GetClientRect(host, &client);
    stripHeight_ = client.bottom;
    SetPropW(host, L"SB_PageStrip", this);
    previousProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageStrip::procEntry)));
    return true;
}

int PageStrip::addItem(std::wstring_view text, COLORREF textColour) {
    Item item;
    item.text = text;
    item.textColour = textColour;
    items_.push_back(std::move(item));
    if (style_.radioMode && items_.size() == 1) {
        items_[0].selected = true;
        selectedItem_ = 1;
    }
    layoutItems();
    return stripWidth_;
}

bool PageStrip::removeItem(int number) {
    if (number < 1 || number > static_cast<int>(items_.size())) return false;
    items_.erase(items_.begin() + (number - 1));
    if (selectedItem_ == number) selectedItem_ = 0;
    if (hotItem_ == number) hotItem_ = 0;
    layoutItems();
    return true;
}

void PageStrip::layoutItems() {
    const int n = static_cast<int>(items_.size());
    for (int k = 1; k <= n; ++k) {
        Item& item = items_[static_cast<size_t>(k - 1)];
        const int left = margin_ + originX_ + (k - 1) * style_.itemWidth + (k - 1) * 3;
        item.rect = RECT{left, margin_ + originY_, left + style_.itemWidth, originY_ + stripHeight_ - 3};
        item.number = k;
    }
    stripWidth_ = 2 * margin_ + n * style_.itemWidth + (n > 0 ? n - 1 : 0) * 3;
}

void PageStrip::setChangeHandler(std::function<void(int)> handler) { changeHandler_ = std::move(handler); }

int PageStrip::selectedItem() const {
    if (!style_.radioMode) return 0;
    for (const Item& item : items_)
        if (item.selected) return item.number;
    return 0;
}

int PageStrip::hitTest(int x, int y) const {
    for (const Item& item : items_)
        if (x >= item.rect.left && x <= item.rect.right && y <= item.rect.bottom) return item.number;
    return 0;
}

RECT PageStrip::itemRect(int number) const {
    if (number < 1 || number > static_cast<int>(items_.size())) return RECT{};
    return items_[static_cast<size_t>(number - 1)].rect;
}

void PageStrip::mark(int number, bool Item::*flag, bool on) {
    if (number < 1 || number > static_cast<int>(items_.size())) return;
    items_[static_cast<size_t>(number - 1)].*flag = on;
    drawItem(number, true);
}

void PageStrip::selectItem(int number) {
    if (!style_.radioMode || number < 1 || number > static_cast<int>(items_.size()) || number == selectedItem_) return;
    if (selectedItem_) mark(selectedItem_, &Item::selected, false);
    mark(number, &Item::selected, true);
    selectedItem_ = number;
    if (changeHandler_) changeHandler_(number);
}

void PageStrip::refresh() {
    if (!host_) return;
    needsRender_ = true;
    hotItem_ = 0;
    for (Item& item : items_) item.hot = false;
    InvalidateRect(host_, nullptr, FALSE);
}

void PageStrip::releaseCapture() {
    if (captureDC_) engine_.releaseCaptureDC(std::exchange(captureDC_, nullptr));
}

void PageStrip::render(HDC dc, bool present) {
    releaseCapture();
    RECT client{};
    GetClientRect(host_, &client);
    captureDC_ = engine_.captureBackground(host_, client);
    if (!captureDC_) return;
    {
        draw::Graphics g;
        g.create(captureDC_);
        if (style_.backgroundFill) g.clear(toArgb(style_.backgroundFill));
        if (style_.frameStyle == 2 || style_.frameStyle == 3) {
            const float x = float(originX_), y = float(originY_), w = float(stripWidth_), h = float(stripHeight_);
            const bool rounded = style_.frameStyle == 3;
            auto shape = [rounded](float sx, float sy, float sw, float sh, float r) {
                return rounded ? draw::makePath(draw::addRoundedRect, sx, sy, sw, sh, r)
                               : draw::makePath(draw::addTopRoundedShape, sx, sy, sw, sh, r);
            };
            draw::Pen dark, light;
            dark.create(toArgb(0x000000, 40), 1);
            light.create(toArgb(0xFFFFFF, 130), 1);
            g.drawPath(dark, shape(x, y, w - 1, h - 1, 5));
            const draw::GraphicsPath inner = shape(x + 1, y + 1, w - 3, h - 3, 3);
            g.drawPath(light, inner);
            g.fillPath(gradient(x + 2, y + 1, x + 2, y + h - 3, toArgb(0xFFFFFF, 120), toArgb(0xFFFFFF, 0)), inner);
        }
        for (int k = 2; k <= static_cast<int>(items_.size()); ++k) {
            const float sx = float(originX_ + (k - 1) * (style_.itemWidth + 3));
            const float y0 = float(originY_ + margin_ + 5), y1 = float(originY_ + margin_ + stripHeight_ - 8);
            draw::Pen dark, light;
            dark.create(toArgb(0x000000, 60), 1);
            light.create(toArgb(0xFFFFFF, 100), 1);
            g.drawLine(dark, sx, y0, sx, y1);
            g.drawLine(light, sx + 1, y0, sx + 1, y1);
        }
        for (const Item& item : items_) drawItem(item.number, false, &g);
    }
    if (present) {
        if (dc) {
            BitBlt(dc, 0, 0, client.right, client.bottom, captureDC_, 0, 0, SRCCOPY);
        } else {
            rt::WindowDc own(host_);
            BitBlt(own.get(), 0, 0, client.right, client.bottom, captureDC_, 0, 0, SRCCOPY);
        }
        needsRender_ = false;
    }
}

void PageStrip::drawItem(int number, bool present, void* graphics) {
    if (number < 1 || number > static_cast<int>(items_.size()) || !captureDC_) return;
    const Item& item = items_[static_cast<size_t>(number - 1)];
    const RECT r = item.rect;
    const float left = float(r.left), top = float(r.top), w = float(r.right - r.left), h = float(r.bottom - r.top);
    draw::Graphics own;
    if (!graphics) {
        // Outside a render the item first gets the skin behind it back.
        RECT client{};
        GetClientRect(host_, &client);
        HDC fresh = engine_.captureBackground(host_, client);
        BitBlt(captureDC_, r.left, r.top, r.right - r.left, r.bottom - r.top, fresh, r.left, r.top, SRCCOPY);
        engine_.releaseCaptureDC(fresh);
        own.create(captureDC_);
        graphics = &own;
    }
    draw::Graphics& g = *static_cast<draw::Graphics*>(graphics);
    const bool lit = style_.radioMode ? (item.hot || item.selected) : item.pressed;
    if (lit) {
        const COLORREF colour = style_.colour;
        switch (style_.itemStyle) {
        case 1: {
            g.fillPath(gradient(left, top + 2, left, top + 2 + (h - 4) * 0.95f, toArgb(0xFFFFFF, style_.alpha),
                                toArgb(colour, style_.alpha)),
                       draw::makePath(draw::addRoundedRect, left + 2, top + 2, w - 4, h - 4, 2));
            draw::Pen pen;
            pen.create(toArgb(0x000000, 50), 1);
            g.drawPath(pen, draw::makePath(draw::addRoundedRect, left + 1, top + 1, w - 3, h - 3, 5));
            break;
        }
        case 2: {
            g.setClip(draw::RectF{left, top, w, h});
            auto glow = [&](float ey, float eh, float cy) {
                draw::GraphicsPath ellipse;
                ellipse.create();
                ellipse.addEllipse(left, ey, w, eh);
                draw::Brush b;
                b.createPathGradient(ellipse);
                b.setCentrePoint({left + w / 2, cy});
                b.setCentreColour(toArgb(colour));
                const Argb rim[] = {toArgb(0xFFFFFF, 0)};
                b.setSurroundColours(rim);
                g.fillPath(b, ellipse);
            };
            auto edge = [&](float y, int fromAlpha, int toAlpha) {
                draw::Brush b = gradient(left, y, left + w, y, toArgb(colour, fromAlpha), toArgb(0xFFFFFF, toAlpha));
                b.setLinearBlend(0.5f, 0.6f);
                draw::Pen pen;
                pen.create(b, 2);
                g.drawLine(pen, left, y, left + w, y);
            };
            glow(top - h / 2, 1.6f * h, top);
            edge(top, 20, 250);
            glow(top + h / 2, h, top + h);
            edge(top + h, 0, 200);
            g.resetClip();
            break;
        }
        case 3: {
            const draw::GraphicsPath tab = draw::makePath(draw::addTopRoundedShape, left + 1, top + 1, w - 2,
                                                          float(stripHeight_ - 8), 5);
            draw::Brush fill;
            fill.createSolid(toArgb(colour, style_.alpha));
            g.fillPath(fill, tab);
            draw::Pen pen;
            pen.create(toArgb(0x000000, 80), 1);
            g.drawPath(pen, tab);
            break;
        }
        default: break;
        }
    }
    const COLORREF ink = option_ ? (~engine_.backgroundColour & 0xFFFFFF) : item.textColour;
    draw::Brush brush;
    brush.createSolid(toArgb(ink));
    const draw::Font& font = engine_.font(L"宋体", 12, draw::kFontStyleRegular);
    draw::StringFormat format;
    format.create(draw::kStringNoWrap);
    format.setAlignment(draw::kAlignCenter);
    g.setTextHint(4);
    g.drawString(item.text, font, {left, top + (h - 12) / 2, w, h}, format, brush);
    if (present && style_.radioMode && &g == &own) {
        own.remove();
        rt::WindowDc dc(host_);
        BitBlt(dc.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, captureDC_, r.left, r.top, SRCCOPY);
    }
}

LRESULT CALLBACK PageStrip::procEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    PageStrip* strip = stripOf(hwnd);
    try {
        if (strip) return strip->proc(hwnd, msg, wParam, lParam);
    } catch (...) {
    }
    return strip && strip->previousProc_ ? CallWindowProcW(strip->previousProc_, hwnd, msg, wParam, lParam)
                                         : DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT PageStrip::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = previousProc_;
    switch (msg) {
    case WM_MOVE: render(nullptr, false); break;
    case WM_SIZE:
        needsRender_ = true;
        hotItem_ = 0;
        break;
    case WM_PAINT: {
        {
            rt::PaintDc paint(hwnd);
            RECT client{};
            GetClientRect(hwnd, &client);
            if (needsRender_ || !captureDC_) render(paint.get(), true);
            else BitBlt(paint.get(), 0, 0, client.right, client.bottom, captureDC_, 0, 0, SRCCOPY);
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_ERASEBKGND: SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT); return 1;
    case WM_NCDESTROY:
        releaseCapture();
        RemovePropW(hwnd, L"SB_PageStrip");
        host_ = nullptr;
        items_.clear();
        break;
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        hitItem_ = hitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (hitItem_ >= 1 && hitItem_ != hotItem_) {
            if (hotItem_) mark(hotItem_, &Item::hot, false);
            mark(hitItem_, &Item::hot, true);
            hotItem_ = hitItem_;
        } else if (hitItem_ == 0 && hotItem_ >= 1) {
            mark(hotItem_, &Item::hot, false);
            hotItem_ = 0;
        }
        break;
    }
    case WM_LBUTTONDOWN:
        hitItem_ = hitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (style_.radioMode) {
            if (hitItem_ >= 1 && hitItem_ != selectedItem_) {
                if (selectedItem_) mark(selectedItem_, &Item::selected, false);
                mark(hitItem_, &Item::selected, true);
                selectedItem_ = hitItem_;
            }
        } else if (hitItem_ >= 1) {
            mark(hitItem_, &Item::pressed, true);
        }
        if (changeHandler_) changeHandler_(hitItem_);
        break;
    case WM_LBUTTONUP:
        if (hitItem_ >= 1) mark(hitItem_, &Item::pressed, false);
        break;
    case WM_MOUSELEAVE:
        ReleaseCapture();
        if (hotItem_ >= 1) mark(hotItem_, &Item::hot, false);
        hotItem_ = 0;
        break;
    default: break;
    }
    return previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

} // namespace skin
