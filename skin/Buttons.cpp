// Skinned push buttons, icon and image buttons, check boxes and radio buttons:
// translucent rounded shapes drawn on a copy of the skin behind the button,
// reaching the screen in one blit.
#include "skin/SkinEngine.h"

#include "draw/Colour.h"
#include "draw/PathShapes.h"
#include "skin/Paint.h"

#include <map>

namespace skin {
namespace {

using namespace paint;

// Glows use this fixed colour whatever the skin's accent is.
constexpr COLORREF kGlow = draw::rgb(34, 202, 221);
constexpr UINT kPressed = ODS_SELECTED, kDisabled = ODS_DISABLED, kFocused = ODS_FOCUS, kHot = 0x40;

bool isPushStyle(unsigned t) { return !(t & 2) && !(t & 4) && !((t & 1) && (t & 8)); }
bool isCheckStyle(unsigned t) { return (t & 2) && !(t & 4) && !((t & 1) && (t & 2) && (t & 8)); }
bool isRadioStyle(unsigned t) { return !(t & 2) && !(t & 4) && (t & 1) && (t & 8); }

unsigned buttonType(HWND h) { return static_cast<unsigned>(GetWindowLongPtrW(h, GWL_STYLE)) & 0xF; }

std::wstring windowText(HWND h) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
    return text;
}

Picture pictureOf(std::span<const std::byte> bytes) { return bytes.empty() ? nullptr : decodePicture(bytes); }

// A picture at its own pixel size, whatever resolution its file declares.
void drawNatural(draw::Graphics& g, const draw::Image& image, float x, float y) {
    g.drawImage(image, draw::RectF{x, y, float(image.width()), float(image.height())});
}

void drawCaption(draw::Graphics& g, const draw::Font& font, const ButtonRecord& b, draw::RectF box, int align,
                 int lineAlign, int trimming = 0) {
    if (b.text.empty()) return;
    const auto colour = static_cast<COLORREF>(reinterpret_cast<INT_PTR>(prop(b.hwnd, L"Kj_Ztys")));
    draw::Brush ink = solid(toArgb(colour));
    draw::StringFormat format;
    format.create();
    format.setAlignment(align);
    format.setLineAlignment(lineAlign);
    if (trimming) format.setTrimming(trimming);
    g.setTextHint(4); // anti-aliased: the caption blends with the translucent body
    g.drawString(b.text, font, box, format, ink);
}

// The grey rounded look of every disabled button kind.
void paintDisabledBody(draw::Graphics& g, float x, float y, float w, float h, const draw::GraphicsPath& body) {
    g.fillRectangle(solid(toArgb(draw::rgb(192, 192, 192))), {x, y, w, h});
    draw::Brush shade = gradient(x, y, x, y + h, toArgb(kWhite, 50), toArgb(kWhite, 50));
    const Argb colours[] = {toArgb(kWhite, 50), toArgb(kBlack, 10), toArgb(kWhite, 50)};
    const float positions[] = {0, 0.6f, 1};
    shade.setPresetBlend(colours, positions);
    g.fillPath(shade, body);
    outline(g, body, toArgb(kBlack, 80));
}

LRESULT CALLBACK buttonWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace

// A drawing surface on a capture: straight into its pixels when the engine made the capture.
class CaptureCanvas {
  public:
    CaptureCanvas(HDC capture) {
        GdiFlush();
        DIBSECTION dib{};
        HGDIOBJ bitmap = GetCurrentObject(capture, OBJ_BITMAP);
        if (bitmap && GetObjectW(bitmap, sizeof dib, &dib) == sizeof dib && dib.dsBm.bmBits &&
            dib.dsBm.bmBitsPixel == 32 && pixels_.createBitmap(dib.dsBm.bmWidth, dib.dsBm.bmHeight,
                                                               draw::kPixelFormat32bppPargb, dib.dsBm.bmBits,
                                                               dib.dsBm.bmWidthBytes))
            g.create(pixels_);
        else
            g.create(capture);
    }
    draw::Graphics g;

  private:
    draw::Image pixels_; // declared first, so the graphics goes before the bitmap it draws on
};

void SkinEngine::attachPushButtons(const std::vector<HWND>& buttons, int windowIndex) {
    if (!controlsTransparent) return;
    WindowRecord* w = window(windowIndex);
    if (!w) return;
    std::map<LRESULT, FontInfo> fonts; // the board's buttons share a handful of fonts
    for (HWND child : buttons) {
        if (!isPushStyle(buttonType(child))) continue;
        bool known = false;
        for (const ButtonRecord& r : w->buttonRecords) known = known || r.hwnd == child;
        if (known) continue;
        ButtonRecord r;
        r.hwnd = child;
        r.kind = ButtonKind::Push;
        r.text = windowText(child);
        const LRESULT font = SendMessageW(child, WM_GETFONT, 0, 0);
        auto cached = fonts.find(font);
        r.font = cached != fonts.end() ? cached->second : (fonts[font] = captureFont(child));
        w->buttonRecords.push_back(std::move(r));
        ButtonRecord& rec = w->buttonRecords.back();
        rec.previousProc = subclass(child, windowIndex, static_cast<int>(w->buttonRecords.size()), buttonWindowProc);
        SetWindowLongPtrW(child, GWL_STYLE, GetWindowLongPtrW(child, GWL_STYLE) | BS_OWNERDRAW);
    }
}

void SkinEngine::attachCheckAndRadio(const std::vector<HWND>& buttons, int windowIndex) {
    if (!controlsTransparent) return;
    WindowRecord* w = window(windowIndex);
    if (!w) return;
    for (HWND child : buttons) {
        const unsigned type = buttonType(child);
        if (!isRadioStyle(type) && !isCheckStyle(type)) continue;
        ButtonRecord r;
        r.hwnd = child;
        r.kind = isCheckStyle(type) ? ButtonKind::CheckBox : ButtonKind::Radio;
        r.text = windowText(child);
        r.checkedAtAttach = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
        r.ownerWindow = w->hwnd;
        r.font = captureFont(child);
        w->buttonRecords.push_back(std::move(r));
        ButtonRecord& rec = w->buttonRecords.back();
        rec.previousProc = subclass(child, windowIndex, static_cast<int>(w->buttonRecords.size()), buttonWindowProc);
    }
}

void SkinEngine::paintButton(const ButtonRecord& b, HDC target, UINT state, const RECT& rect) {
    const int x = rect.left, y = rect.top, w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    HDC capture = captureBackground(b.hwnd, RECT{0, 0, w, h});
    if (!capture) return;
    {
        CaptureCanvas canvas(capture);
        draw::Graphics& g = canvas.g;
        const draw::Font& captionFont = font(b.font.face, b.font.size, b.font.style);
        const float fx = float(x), fy = float(y), fw = float(w), fh = float(h);
        switch (b.kind) {
        case ButtonKind::Push: {
            const draw::GraphicsPath body = draw::makePath(draw::addRoundedRect, x, y, w - 1, h - 1, 5);
            g.fillPath(solid(toArgb(kWhite, 120)), body);
            if (state & kDisabled) {
                paintDisabledBody(g, fx, fy, fw, fh, body);
            } else {
                g.fillPath(gradient(fx, fy, fx, fy + fh - 1, toArgb(kWhite, 0), toArgb(kGrey, 60)), body);
                g.fillPath(gradient(fx, fy, fx, fy + fh * 0.5f, toArgb(kWhite, 50), toArgb(kWhite, 10)),
                           draw::makePath(draw::addTopRoundedShape, fx, fy, fw - 1, fh * 0.5f, 5));
                if (state & kHot) {
                    g.fillPath(gradient(fx, fy, fx, fy + fh - 1, toArgb(accentColour, 60), toArgb(accentColour, 10)),
                               body);
                    outline(g, body, toArgb(accentColour, 255));
                } else if (state & kFocused) {
                    draw::drawGlow(g, body, 3, kGlow, 120);
                    outline(g, body, toArgb(kBlack, 70));
                } else {
                    outline(g, body, toArgb(kBlack, 120));
                }
                if (state & kPressed)
                    g.fillPath(gradient(2, 2, 2, fh - 2, toArgb(accentColour, 60), toArgb(kWhite, 100)),
                               draw::makePath(draw::addRoundedRect, x + 2, y + 2, w - 3, h - 3, 5));
            }
            drawCaption(g, captionFont, b, {0, 2, fw, fh}, draw::kAlignCenter, draw::kAlignCenter);
            break;
        }
        case ButtonKind::Icon: {
            if (state & kDisabled) {
                g.fillPath(gradient(1, 1, 1, fh, toArgb(kGrey, 50), toArgb(kWhite, 0)),
                           draw::makePath(draw::addRoundedRect, x + 2, y + 2, w - 6, h - 6, 5));
            } else {
                if (state & kHot) {
                    g.fillPath(gradient(fx + 1, fy + 1, fx + 1, fy + fh - 4, toArgb(kWhite, 50), toArgb(kWhite, 40)),
                               draw::makePath(draw::addRoundedRect, x + 2, y + 1, w - 5, h - 4, 2));
                    draw::Brush shine = gradient(fx + 1, fy + 1, fw - 1, fy + 1, toArgb(kWhite, 10), toArgb(kWhite, 255));
                    shine.setLinearBlend(0.5f, 0.8f);
                    draw::Pen pen;
                    pen.create(shine, 2);
                    g.drawLine(pen, fx + 1, fh - 4, fw - 1, fh - 4);
                }
                if (state & (kFocused | kHot)) {
                    g.fillPath(gradient(2, 3, 2, fh, toArgb(kWhite, 60), toArgb(kWhite, 50)),
                               draw::makePath(draw::addRoundedRect, x + 2, y + 2, w - 5, h - 5, 2));
                    outline(g, draw::makePath(draw::addRoundedRect, x, y, w - 2, h - 2, 5), toArgb(kBlack, 60));
                    outline(g, draw::makePath(draw::addRoundedRect, x + 1, y + 1, w - 4, h - 4, 5), toArgb(kWhite, 120));
                }
            }
            if (b.iconLayout != 0 && b.image) {
                const float s = float(int(0.8f * fh));
                const float ix = b.text.empty() ? (fw - s) / 2 : 3;
                g.drawImage(*b.image, draw::RectF{ix, (fh - s) / 2, s, s});
                drawCaption(g, captionFont, b, {s + 5, 2, fw - s - 7, fh}, draw::kAlignNear, draw::kAlignCenter);
            } else if (b.iconLayout != 0) {
                drawCaption(g, captionFont, b, {0, 0, fw, fh}, draw::kAlignCenter, draw::kAlignCenter);
            } else {
                const float s = float(int(0.8f * (fh - float(b.font.size) - 2)));
                if (b.image) g.drawImage(*b.image, draw::RectF{(fw - s) / 2, 0.05f * fh, s, s});
                drawCaption(g, captionFont, b, {0, 0.05f * fh + s + 2, fw, fh - s}, draw::kAlignCenter, draw::kAlignNear,
                            3 /* ellipsis character */);
            }
            break;
        }
        case ButtonKind::Image: {
            if (!b.image) break;
            const float iw = float(b.image->width()), ih = float(b.image->height());
            auto framed = [&](float extra, float radius, Argb edge, Argb top, Argb bottom) {
                const draw::GraphicsPath frame = draw::makePath(draw::addRoundedRect, 0, 0, iw + extra, ih + extra, radius);
                outline(g, frame, edge);
                g.fillPath(gradient(0, 0, 0, ih + extra, top, bottom), frame);
                g.drawImage(*b.image, draw::RectF{2, 2, iw, ih});
            };
            if (state & kDisabled) {
                if (b.disabledImage) drawNatural(g, *b.disabledImage, 2, 2);
                else framed(2, 5, toArgb(kBlack, 80), toArgb(kWhite, 60), toArgb(kBlack, 100));
            } else if (state & kHot) {
                if (b.hoverImage) g.drawImage(*b.hoverImage, draw::RectF{2, 2, iw, ih});
                else framed(3, 3, toArgb(accentColour, 250), toArgb(kWhite, 120), toArgb(accentColour, 100));
            } else if (state & kPressed) {
                if (b.pressedImage) drawNatural(g, *b.pressedImage, 2, 2);
                else framed(3, 3, toArgb(accentColour, 250), toArgb(kBlack, 60), toArgb(kWhite, 100));
            } else {
                g.drawImage(*b.image, draw::RectF{2, 2, iw, ih});
            }
            break;
        }
        case ButtonKind::CheckBox: {
            const float t = fy + (fh - 13) / 2;
            if (state & kDisabled) {
                paintDisabledBody(g, fx, fy, fw, fh, draw::makePath(draw::addRoundedRect, x, y, w - 1, h - 1, 5));
            } else {
                if (const Picture box = glyphPicture(controlGlyphs.checkOff)) drawNatural(g, *box, fx, t);
                if (SendMessageW(b.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    if (const Picture mark = glyphPicture(controlGlyphs.checkOn)) drawNatural(g, *mark, fx, t);
                if (state & kHot) {
                    const float u = fy + (fh - 12) / 2 + 1;
                    g.fillRectangle(gradient(fx + 3, u, fx + 11, u + 11, toArgb(accentColour, 100), toArgb(kBlack, 0)),
                                    {fx, t, 13, 13});
                    draw::GraphicsPath box;
                    box.create();
                    box.addRectangle(fx, t, 13, 13);
                    draw::drawGlow(g, box, 2, kGlow, 30);
                }
            }
            drawCaption(g, captionFont, b, {fx + 17, 2, fw - 19, fh}, draw::kAlignNear, draw::kAlignCenter);
            break;
        }
        case ButtonKind::Radio: {
            g.setSmoothing(draw::kSmoothingAntiAlias);
            const float u = fy + (fh - 12) / 2;
            if (state & kDisabled) {
                paintDisabledBody(g, fx, fy, fw, fh, draw::makePath(draw::addRoundedRect, x, y, w - 1, h - 1, 5));
            } else {
                draw::GraphicsPath ring;
                ring.create();
                ring.addEllipse(fx + 2, u, 12, 12);
                outline(g, ring, toArgb(kBlack, 200));
                draw::GraphicsPath disc;
                disc.create();
                disc.addEllipse(fx + 3, fy + (fh - 11) / 2 + 1, 9, 9);
                outline(g, disc, toArgb(kWhite, 255));
                g.fillPath(solid(toArgb(kWhite, 255)), disc);
                g.fillPath(gradient(fx + 3, u + 1, fx + 10, u + 11, toArgb(kBlack, 100), toArgb(kBlack, 0)), disc);
                if (state & kHot) {
                    g.fillPath(gradient(fx + 3, u + 1, fx + 11, u + 12, toArgb(accentColour, 100), toArgb(kBlack, 0)), disc);
                    draw::drawGlow(g, disc, 2, kGlow, 30);
                }
                if (SendMessageW(b.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    draw::GraphicsPath dot;
                    dot.create();
                    dot.addEllipse(fx + 5, u + 3, 6, 6);
                    outline(g, dot, toArgb(kBlack, 200));
                    draw::Brush shine;
                    shine.createPathGradient(dot);
                    shine.setCentreColour(toArgb(kWhite, 100));
                    const Argb rim[] = {toArgb(draw::rgb(0, 128, 128), 255)};
                    shine.setSurroundColours(rim);
                    g.fillPath(shine, dot);
                }
            }
            drawCaption(g, captionFont, b, {fx + 18, 2, fw, fh}, draw::kAlignNear, draw::kAlignCenter);
            break;
        }
        }
    }
    BitBlt(target, 0, 0, w, h, capture, 0, 0, SRCCOPY);
    releaseCaptureDC(capture);
}

void SkinEngine::paintOwnButton(HWND hwnd, UINT state) {
    ButtonRecord* b = controlRecord(hwnd, &WindowRecord::buttonRecords);
    if (!b) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    rt::WindowDc dc(hwnd);
    if (dc.get()) paintButton(*b, dc.get(), state, client);
}

void SkinEngine::onDrawItem(int, const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) return;
    const ButtonRecord* b = controlRecord(item.hwndItem, &WindowRecord::buttonRecords);
    if (!b || b->kind == ButtonKind::CheckBox || b->kind == ButtonKind::Radio) return;
    if (b->releasing && item.itemAction == ODA_SELECT && !(item.itemState & ODS_SELECTED)) {
        // The released look waits for the paint after the click is handled.
        InvalidateRect(item.hwndItem, nullptr, FALSE);
        return;
    }
    paintButton(*b, item.hDC, item.itemState, item.rcItem);
}

void SkinEngine::repaintButton(HWND button, UINT state, bool hot) {
    ButtonRecord* b = controlRecord(button, &WindowRecord::buttonRecords);
    if (!b) return;
    if (hot) state |= kHot;
    if (!IsWindowEnabled(button)) state |= kDisabled;
    RECT client{};
    GetClientRect(button, &client);
    rt::WindowDc dc(button);
    if (dc.get()) paintButton(*b, dc.get(), state, client);
}

LRESULT SkinEngine::buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    int windowIndex = 0, index = 0;
    ButtonRecord* b = controlRecord(hwnd, &WindowRecord::buttonRecords, &windowIndex, &index);
    if (!b) return passOn(hwnd, msg, wParam, lParam);
    WindowRecord& w = *window(windowIndex);
    const bool painted = b->kind == ButtonKind::CheckBox || b->kind == ButtonKind::Radio;
    switch (msg) {
    case WM_MOVE: InvalidateRect(hwnd, nullptr, TRUE); break;
    case WM_SETFOCUS: b->focused = true; break;
    case WM_KILLFOCUS: b->focused = false; break;
    case WM_SETTEXT: b->text = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L""; break;
    case WM_PAINT:
        if (!painted) break;
        {
            rt::PaintDc paint(hwnd);
            // A disabled check box or radio button shows the disabled look rather than a live one.
            paintOwnButton(hwnd, IsWindowEnabled(hwnd) ? 0 : kDisabled);
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        return static_cast<LRESULT>(SetTextColor(dc, static_cast<COLORREF>(reinterpret_cast<INT_PTR>(prop(hwnd, L"Kj_Ztys")))));
    }
    case WM_NCPAINT: return 1;
    case BM_SETCHECK:
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
        if (!painted || (msg == WM_KEYDOWN && wParam != VK_SPACE)) break;
        passOn(hwnd, msg, wParam, lParam);
        paintOwnButton(hwnd, b->kind == ButtonKind::Radio ? 1 : 0);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        w.controlUnderMouse = index;
        if (w.hotControl != index || w.hotList != kHotButtons) {
            repaintButton(hwnd, 0, true);
            w.hotControl = w.controlUnderMouse;
            w.hotList = kHotButtons;
        }
        break;
    }
    case WM_LBUTTONUP: {
        w.hotControl = 0;
        if (painted) break;
        // The system repaints a push button as released before it reports the
        // click; a clip button's sound must not wait for that painting, so it
        // is left to the WM_PAINT that follows.
        b->releasing = true;
        const LRESULT result = passOn(hwnd, msg, wParam, lParam);
        // The click's handler may have changed the records.
        if (ButtonRecord* again = controlRecord(hwnd, &WindowRecord::buttonRecords)) again->releasing = false;
        return result;
    }
    // One double click is one press: the second press of it is not a click of its own.
    case WM_LBUTTONDBLCLK: return 0;
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        repaintButton(hwnd, b->focused ? kFocused : 0, false);
        break;
    default: break;
    }
    return passOn(hwnd, msg, wParam, lParam);
}

namespace {

LRESULT CALLBACK buttonWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        if (SkinEngine* engine = SkinEngine::instance()) return engine->buttonProc(hwnd, msg, wParam, lParam);
    } catch (...) {
    }
    return SkinEngine::passOn(hwnd, msg, wParam, lParam);
}

} // namespace

ButtonRecord* SkinEngine::adoptButton(HWND button) {
    if (!button) return nullptr;
    if (ButtonRecord* b = controlRecord(button, &WindowRecord::buttonRecords)) return b;
    int windowIndex = 0;
    for (HWND a = GetParent(button); a && !windowIndex; a = GetParent(a)) windowIndex = indexOf(a);
    WindowRecord* w = window(windowIndex);
    if (!w) return nullptr;
    ButtonRecord r;
    r.hwnd = button;
    r.text = windowText(button);
    r.font = captureFont(button);
    w->buttonRecords.push_back(std::move(r));
    ButtonRecord& rec = w->buttonRecords.back();
    rec.previousProc = subclass(button, windowIndex, static_cast<int>(w->buttonRecords.size()), buttonWindowProc);
    SetWindowLongPtrW(button, GWL_STYLE, (GetWindowLongPtrW(button, GWL_STYLE) & ~0xF) | BS_OWNERDRAW);
    return &rec;
}

void SkinEngine::setButtonTip(ButtonRecord& b, std::wstring_view tipText) {
    if (tipText.empty()) return;
    RECT client{};
    GetClientRect(b.hwnd, &client);
    if (!b.tooltip) {
        b.tooltip = std::make_unique<draw::Tooltip>();
        b.tooltip->create(b.hwnd);
        b.tooltip->addTool(client, tipText, 1);
    } else {
        b.tooltip->setText(1, tipText);
    }
}

void SkinEngine::makeIconButton(HWND button, std::span<const std::byte> image, int iconLayout,
                                std::wstring_view tipText) {
    ButtonRecord* b = adoptButton(button);
    if (!b) return;
    b->kind = ButtonKind::Icon;
    b->image = pictureOf(image);
    b->iconLayout = iconLayout;
    b->text = windowText(button);
    setButtonTip(*b, tipText);
    InvalidateRect(button, nullptr, TRUE);
}

void SkinEngine::makeImageButton(HWND button, std::span<const std::byte> image, std::span<const std::byte> hoverImage,
                                 std::span<const std::byte> pressedImage, std::span<const std::byte> disabledImage,
                                 std::wstring_view tipText) {
    ButtonRecord* b = adoptButton(button);
    if (!b) return;
    b->kind = ButtonKind::Image;
    b->image = pictureOf(image);
    b->hoverImage = pictureOf(hoverImage);
    b->pressedImage = pictureOf(pressedImage);
    b->disabledImage = pictureOf(disabledImage);
    setButtonTip(*b, tipText);
    InvalidateRect(button, nullptr, TRUE);
}

} // namespace skin
