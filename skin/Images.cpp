// The pictures of the skin engine: decoding and preparing skin pictures, their
// average colour, the background layout, and the captures of what lies behind
// a control, with the translucent fill of the panel it stands on.
#include "skin/SkinEngine.h"

#include "draw/Colour.h"
#include "draw/ImageHeader.h"
#include "draw/PathShapes.h"
#include "runtime/Handles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

namespace skin {
namespace {

using draw::toArgb;

// Big enough for any picture the decoder is allowed to take (see kMaxImagePixels).
constexpr ULONGLONG kMaxImageFileBytes = 256ull << 20;

RECT windowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// b's window rectangle relative to a's top-left corner.
RECT rectRelativeTo(HWND a, HWND b) {
    const RECT ra = windowRect(a);
    RECT rb = windowRect(b);
    OffsetRect(&rb, -ra.left, -ra.top);
    return rb;
}

} // namespace

Bytes readImageFile(const std::wstring& path) {
    rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kMaxImageFileBytes)
        return {};
    Bytes bytes(static_cast<size_t>(size.QuadPart));
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + got, want, &n, nullptr) || n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

Picture decodePicture(std::span<const std::byte> bytes) {
    auto image = std::make_shared<draw::Image>();
    if (!image->load(bytes)) return nullptr;
    return image;
}

Picture glyphPicture(std::span<const std::byte> bytes) {
    // A handful of small pictures, each drawn at every paint of its control or caption button
    // (and at every hover); decoding one costs more than drawing it. Anything large or beyond
    // the handful is decoded as before, so what is kept stays small.
    constexpr size_t kMaxKept = 32, kMaxKeptBytes = 64 * 1024;
    struct Kept {
        Bytes bytes;
        Picture picture;
    };
    static std::mutex lock;
    static std::vector<Kept> kept;
    if (bytes.empty()) return nullptr;
    {
        const std::lock_guard<std::mutex> hold(lock);
        for (const Kept& k : kept)
            if (k.bytes.size() == bytes.size() && std::memcmp(k.bytes.data(), bytes.data(), bytes.size()) == 0)
                return k.picture;
    }
    Picture picture = decodePicture(bytes);
    if (!picture || bytes.size() > kMaxKeptBytes) return picture;
    const std::lock_guard<std::mutex> hold(lock);
    if (kept.size() < kMaxKept) kept.push_back({Bytes(bytes.begin(), bytes.end()), picture});
    return picture;
}

COLORREF averageColour(const draw::Image* image, int samples, int rightBand, int bottomBand) {
    if (!image || samples <= 0) return 0;
    const int w = image->width(), h = image->height();
    if (w <= 0 || h <= 0) return 0;
    // Random positions, seeded from the clock: two calls on one picture may differ slightly.
    std::minstd_rand random(static_cast<unsigned>(GetTickCount64()));
    const int x0 = rightBand > 0 ? std::max(0, w - rightBand) : 0;
    const int y0 = bottomBand > 0 ? std::max(0, h - bottomBand) : 0;
    std::uniform_int_distribution<int> xs(x0, w - 1), ys(y0, h - 1);
    uint64_t r = 0, g = 0, b = 0;
    for (int i = 0; i < samples; ++i) {
        const draw::Argb p = image->pixel(xs(random), ys(random));
        r += (p >> 16) & 0xFF;
        g += (p >> 8) & 0xFF;
        b += p & 0xFF;
    }
    const auto n = static_cast<uint64_t>(samples);
    return draw::rgb(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

Picture preparePicture(const draw::Image* source, int variant, COLORREF colour, std::optional<int> fadeWidth) {
    if (!source) return nullptr;
    const int w = source->width(), h = source->height();
    // No window grows beyond the screen, so only the part of a large picture that can ever show is kept:
    // its left (variant 0, drawn at the left) or right (variant 1, drawn at the right) part, top aligned.
    // The fades stay where they fall on the whole picture; a band beyond the kept part never shows.
    const int screenW = GetSystemMetrics(SM_CXVIRTUALSCREEN), screenH = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int pw = screenW > 0 ? std::min(w, screenW) : w, ph = screenH > 0 ? std::min(h, screenH) : h;
    const float ox = variant == 1 ? float(w - pw) : 0;
    auto prepared = std::make_shared<draw::Image>();
    if (!prepared->createBitmap(pw, ph)) return nullptr;
    draw::Graphics g;
    g.create(*prepared);
    g.drawImage(*source, draw::RectF{-ox, 0, float(w), float(h)});
    const float f = float(fadeWidth.value_or(w * 30 / 100));
    draw::Brush side;
    if (variant == 1) {
        side.createLinear({-ox, 0}, {f - ox, 0}, toArgb(colour, 255), toArgb(0xFFFFFF, 0));
        g.fillRectangle(side, {-ox, 0, f, float(h)});
    } else {
        side.createLinear({float(w) - f, 0}, {float(w), 0}, toArgb(0xFFFFFF, 0), toArgb(colour, 255));
        g.fillRectangle(side, {float(w) - f + 1, 0, f, float(h)});
    }
    draw::Brush bottom;
    bottom.createLinear({0, float(h) - f}, {0, float(h)}, toArgb(colour, 0), toArgb(colour, 255));
    g.fillRectangle(bottom, {-ox, float(h) - f + 1, float(w), f});
    return prepared;
}

Picture pictureForMode(const Picture& source, int mode, COLORREF colour) {
    return mode == 0 || mode == 1 ? preparePicture(source.get(), mode, colour) : source;
}

const draw::Image* SkinEngine::layoutImage(int windowIndex) {
    WindowRecord* wp = window(windowIndex);
    if (!wp) return nullptr;
    WindowRecord& w = *wp;
    const Picture& picture = w.windowImage ? w.windowImage : skinPicture();
    const int mode = w.windowImage ? w.windowImageMode : imageMode;
    if (!picture) return nullptr;
    if (mode != 4) return picture.get();
    RECT client{};
    GetClientRect(w.hwnd, &client);
    const int width = client.right;
    // Tiled once per picture and width: renders only draw.
    if (w.layoutSource == picture.get() && w.layoutWidth == width) return w.layoutImage.get();
    w.layoutSource = picture.get();
    w.layoutWidth = width;
    w.layoutImage.reset();
    const int iw = picture->width(), ih = picture->height();
    draw::Image mirrored; // the picture flipped left to right, for every second copy
    auto tiled = std::make_shared<draw::Image>();
    if (!mirrored.createBitmap(iw, ih) || !tiled->createBitmap(std::max(width, 1), ih)) return nullptr;
    {
        draw::Graphics g;
        g.create(mirrored);
        g.drawImage(*picture, draw::RectF{0, 0, float(iw), float(ih)});
    }
    mirrored.rotateFlip(draw::kRotateNoneFlipX);
    draw::Graphics g;
    g.create(*tiled);
    for (const Tile& tile : mirroredTiles(iw, width))
        g.drawImage(tile.mirrored ? mirrored : *picture, draw::RectF{float(tile.x), 0, float(iw), float(ih)});
    w.layoutImage = std::move(tiled);
    return w.layoutImage.get();
}

BackgroundProvider SkinEngine::findBackgroundProvider(HWND control, bool honourMarkers) const {
    auto marked = [honourMarkers](HWND h) {
        return honourMarkers && reinterpret_cast<INT_PTR>(GetPropW(h, L"Wxk_Zpf")) == 1;
    };
    if (marked(control)) return {BackgroundProvider::Marked, 0, 0, control};
    if (const int i = indexOf(control)) return {BackgroundProvider::Window, i, 0, nullptr};
    for (HWND a = GetParent(control); a; a = GetParent(a)) {
        if (marked(a)) return {BackgroundProvider::Marked, 0, 0, a};
        if (const int i = indexOf(a)) return {BackgroundProvider::Window, i, 0, nullptr};
        for (int k = 1; k <= windowCount(); ++k) {
            const auto& containers = window(k)->containers;
            for (size_t c = 0; c < containers.size(); ++c) {
                if (containers[c].hwnd != a) continue;
                const auto provider = reinterpret_cast<HWND>(prop(a, L"Mb_zpf"));
                if (honourMarkers && provider) return {BackgroundProvider::Marked, 0, 0, provider};
                return {BackgroundProvider::WindowContainer, k, static_cast<int>(c) + 1, nullptr};
            }
        }
    }
    return {};
}

void SkinEngine::fillContainer(HDC dc, const ContainerRecord& c, int w, int h, bool wholeRect) {
    draw::Graphics g;
    g.create(dc);
    draw::Brush fill;
    fill.createSolid(toArgb(c.fillColour, c.fillAlpha));
    if (c.isGroupBox && !wholeRect) {
        // A group box is filled inside its rounded outline, below the caption line.
        draw::GraphicsPath shape = draw::makePath(draw::addRoundedRect, 0, 5, w, h - 6, 5);
        g.setClip(shape);
        g.fillPath(fill, shape);
    } else {
        g.fillRectangle(fill, {0, 0, float(w), float(h)});
    }
}

HDC SkinEngine::captureBackground(HWND control, const RECT& rect) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    HBITMAP bitmap = draw::createDib(w, h);
    HGDIOBJ previous = bitmap ? SelectObject(dc, bitmap) : nullptr;
    dcCache_.push_back({dc, bitmap, previous});

    const BackgroundProvider provider = findBackgroundProvider(control, true);
    switch (provider.kind) {
    case BackgroundProvider::Window: {
        WindowRecord& win = *window(provider.windowIndex);
        // Relative to the nearest skinned window or panel above the control (here: the window).
        const RECT at = control == win.hwnd ? RECT{} : rectRelativeTo(win.hwnd, control);
        BitBlt(dc, 0, 0, w, h, win.backBuffer.dc(), at.left + rect.left, at.top + rect.top, SRCCOPY);
        if (const ContainerRecord* c = containerOf(control); c && c->fillColour != 0) fillContainer(dc, *c, w, h, false);
        break;
    }
    case BackgroundProvider::Marked: {
        const auto source = reinterpret_cast<HDC>(GetPropW(provider.marked, L"Wxk_Cj"));
        const RECT at = rectRelativeTo(provider.marked, control);
        if (source) BitBlt(dc, 0, 0, w, h, source, at.left + rect.left, at.top + rect.top, SRCCOPY);
        for (HWND a = control; a && a != provider.marked; a = GetParent(a))
            if (const ContainerRecord* c = containerOf(a); c && c->fillEnabled) {
                fillContainer(dc, *c, w, h, false);
                break;
            }
        break;
    }
    case BackgroundProvider::WindowContainer: {
        WindowRecord& win = *window(provider.windowIndex);
        const RECT at = rectRelativeTo(GetAncestor(control, GA_ROOT), control);
        BitBlt(dc, 0, 0, w, h, win.backBuffer.dc(), at.left + rect.left, at.top + rect.top, SRCCOPY);
        const ContainerRecord* c = containerOf(control);
        if (!c) c = &win.containers[static_cast<size_t>(provider.containerIndex - 1)];
        if (c->fillColour != 0) fillContainer(dc, *c, w, h, true);
        break;
    }
    case BackgroundProvider::None: break;
    }
    return dc;
}

void SkinEngine::releaseCaptureDC(HDC dc) {
    if (!dc) return;
    for (auto it = dcCache_.begin(); it != dcCache_.end(); ++it) {
        if (it->dc != dc) continue;
        if (it->previous) SelectObject(dc, it->previous);
        if (it->bitmap) DeleteObject(it->bitmap);
        DeleteDC(dc);
        dcCache_.erase(it);
        return;
    }
}

HBITMAP SkinEngine::controlBackgroundBitmap(HWND control) {
    RECT window{}, client{};
    GetWindowRect(control, &window);
    GetClientRect(control, &client);
    const auto style = GetWindowLongPtrW(control, GWL_STYLE);
    const int ww = window.right - window.left, wh = window.bottom - window.top;
    const int left = (ww - client.right - ((style & WS_VSCROLL) ? 17 : 0)) / 2;
    const int top = (wh - client.bottom - ((style & WS_HSCROLL) ? 17 : 0)) / 2;
    const RECT area{left, top, left + client.right, top + client.bottom};
    const int w = client.right, h = client.bottom;
    HDC capture = captureBackground(control, area);
    if (!capture) return nullptr;
    {
        draw::Graphics g;
        g.create(capture);
        draw::Brush veil;
        veil.createSolid(toArgb(0xFFFFFF, overlayAlpha));
        g.fillRectangle(veil, {0, 0, float(w), float(h)});
    }
    HBITMAP copy = CreateCompatibleBitmap(capture, std::max(w, 1), std::max(h, 1));
    if (copy) {
        rt::UniqueMemoryDc temp(CreateCompatibleDC(capture));
        rt::SelectGuard select(temp.get(), copy);
        BitBlt(temp.get(), 0, 0, w, h, capture, 0, 0, SRCCOPY);
    }
    releaseCaptureDC(capture);
    return copy;
}

} // namespace skin
