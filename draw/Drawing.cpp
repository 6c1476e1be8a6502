#include "draw/Drawing.h"

#include "draw/ImageHeader.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace draw {
namespace {

const GdipApi& api() { return gdip(); }

} // namespace

// ---- GraphicsPath ----

bool GraphicsPath::create() { return call(api().GdipCreatePath, 0, out()); }
bool GraphicsPath::reset() { return call(api().GdipResetPath, native()); }
bool GraphicsPath::addLine(float x1, float y1, float x2, float y2) {
    return call(api().GdipAddPathLine, native(), x1, y1, x2, y2);
}
bool GraphicsPath::addArc(float x, float y, float w, float h, float start, float sweep) {
    return call(api().GdipAddPathArc, native(), x, y, w, h, start, sweep);
}
bool GraphicsPath::addRectangle(float x, float y, float w, float h) {
    return call(api().GdipAddPathRectangle, native(), x, y, w, h);
}
bool GraphicsPath::addEllipse(float x, float y, float w, float h) {
    return call(api().GdipAddPathEllipse, native(), x, y, w, h);
}
bool GraphicsPath::startFigure() { return call(api().GdipStartPathFigure, native()); }
bool GraphicsPath::closeFigure() { return call(api().GdipClosePathFigure, native()); }

// ---- Brush ----

bool Brush::createSolid(Argb colour) { return call(api().GdipCreateSolidFill, colour, out()); }
bool Brush::createLinear(PointF p1, PointF p2, Argb c1, Argb c2, int wrapMode) {
    return call(api().GdipCreateLineBrush, &p1, &p2, c1, c2, wrapMode, out());
}
bool Brush::setPresetBlend(std::span<const Argb> colours, std::span<const float> positions) {
    const auto n = static_cast<INT>(std::min(colours.size(), positions.size()));
    return call(api().GdipSetLinePresetBlend, native(), colours.data(), positions.data(), n);
}
bool Brush::setLinearBlend(float focus, float scale) {
    return call(api().GdipSetLineLinearBlend, native(), focus, scale);
}
bool Brush::createPathGradient(const GraphicsPath& path) {
    return call(api().GdipCreatePathGradientFromPath, static_cast<const GpPath*>(path.native()), out());
}
bool Brush::setCentreColour(Argb colour) { return call(api().GdipSetPathGradientCenterColor, native(), colour); }
bool Brush::setCentrePoint(PointF point) { return call(api().GdipSetPathGradientCenterPoint, native(), &point); }
bool Brush::setSurroundColours(std::span<const Argb> colours) {
    INT count = static_cast<INT>(colours.size());
    return call(api().GdipSetPathGradientSurroundColorsWithCount, native(), colours.data(), &count);
}

// ---- Pen ----

bool Pen::create(Argb colour, float width) { return call(api().GdipCreatePen1, colour, width, 0, out()); }
bool Pen::create(const Brush& brush, float width) {
    return call(api().GdipCreatePen2, brush.native(), width, 0, out());
}
bool Pen::setWidth(float width) { return call(api().GdipSetPenWidth, native(), width); }

// ---- Fonts and text formats ----

bool FontFamily::create(std::wstring_view name) {
    const std::wstring n(name);
    return call(api().GdipCreateFontFamilyFromName, n.c_str(), static_cast<GpFontCollection*>(nullptr), out());
}

std::wstring FontFamily::name() const {
    WCHAR buffer[LF_FACESIZE] = {};
    if (!call(api().GdipGetFamilyName, static_cast<const GpFontFamily*>(native()), buffer, LANGID{0})) return {};
    return buffer;
}

bool Font::create(std::wstring_view family, float emSize, int style, int unit) {
    FontFamily f;
    if (!f.create(family)) return false;
    return call(api().GdipCreateFont, static_cast<const GpFontFamily*>(f.native()), emSize, style, unit, out());
}

bool Font::create(HDC dc, HFONT font) {
    if (!font) return call(api().GdipCreateFontFromDC, dc, out());
    LOGFONTW lf{};
    if (!GetObjectW(font, sizeof lf, &lf)) {
        setLastStatus(kInvalidParameter);
        return false;
    }
    return call(api().GdipCreateFontFromLogfontW, dc, static_cast<const LOGFONTW*>(&lf), out());
}

int Font::style() const {
    INT s = 0;
    call(api().GdipGetFontStyle, native(), &s);
    return s;
}

float Font::size() const {
    float s = 0;
    call(api().GdipGetFontSize, native(), &s);
    return s;
}

std::wstring Font::familyName() const {
    GpFontFamily* family = nullptr;
    if (!call(api().GdipGetFamily, native(), &family)) return {};
    WCHAR buffer[LF_FACESIZE] = {};
    call(api().GdipGetFamilyName, static_cast<const GpFontFamily*>(family), buffer, LANGID{0});
    call(api().GdipDeleteFontFamily, family);
    return buffer;
}

bool StringFormat::create(int flags) { return call(api().GdipCreateStringFormat, flags, LANGID{0}, out()); }
bool StringFormat::setAlignment(int align) { return call(api().GdipSetStringFormatAlign, native(), align); }
bool StringFormat::setLineAlignment(int align) { return call(api().GdipSetStringFormatLineAlign, native(), align); }
bool StringFormat::setTrimming(int trimming) { return call(api().GdipSetStringFormatTrimming, native(), trimming); }

// ---- MemoryStream ----

IStream* MemoryStream::create() {
    release();
    memory_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
    if (!memory_) return nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory_, FALSE, &stream_))) {
        stream_ = nullptr;
        release();
    }
    return stream_;
}

IStream* MemoryStream::load(std::span<const std::byte> bytes) {
    release();
    memory_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
    if (!memory_) return nullptr;
    if (void* p = GlobalLock(memory_)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(memory_);
    }
    if (FAILED(CreateStreamOnHGlobal(memory_, FALSE, &stream_))) {
        stream_ = nullptr;
        release();
    }
    return stream_;
}

size_t MemoryStream::size() const {
    if (!stream_) return 0;
    // An encoder writes through the stream, which may have grown the block past what it wrote.
    STATSTG stat{};
    if (SUCCEEDED(stream_->Stat(&stat, STATFLAG_NONAME))) return static_cast<size_t>(stat.cbSize.QuadPart);
    return memory_ ? GlobalSize(memory_) : 0;
}

Bytes MemoryStream::bytes() const {
    Bytes out;
    HGLOBAL memory = memory_;
    if (stream_) GetHGlobalFromStream(stream_, &memory);
    if (!memory) return out;
    const size_t n = std::min(size(), static_cast<size_t>(GlobalSize(memory)));
    if (const void* p = GlobalLock(memory)) {
        out.resize(n);
        if (n) std::memcpy(out.data(), p, n);
        GlobalUnlock(memory);
    }
    return out;
}

void MemoryStream::release() noexcept {
    HGLOBAL memory = memory_;
    if (stream_) {
        GetHGlobalFromStream(stream_, &memory);
        stream_->Release();
        stream_ = nullptr;
    }
    if (memory) GlobalFree(memory);
    memory_ = nullptr;
}

// ---- Image ----

Image::~Image() {
    // The image first: GDI+ may read from the stream until it is disposed.
    remove();
}

bool Image::load(std::span<const std::byte> bytes) {
    if (bytes.empty() || !imageSizeAcceptable(bytes)) {
        setLastStatus(bytes.empty() ? kInvalidParameter : 3 /* OutOfMemory */);
        return false;
    }
    IStream* stream = stream_.load(bytes);
    if (!stream) {
        setLastStatus(3);
        return false;
    }
    if (!call(api().GdipLoadImageFromStream, stream, out())) {
        stream_.release();
        return false;
    }
    // A decoder that reports a size of zero has given us nothing to draw.
    if (width() <= 0 || height() <= 0) {
        remove();
        stream_.release();
        setLastStatus(kGenericError);
        return false;
    }
    return true;
}

bool Image::createBitmap(int width, int height, int format, void* bits, int stride) {
    if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxImagePixels) {
        setLastStatus(kInvalidParameter);
        return false;
    }
    return call(api().GdipCreateBitmapFromScan0, width, height, bits ? stride : 0, format, static_cast<BYTE*>(bits),
                out());
}

bool Image::createFromIcon(HICON icon) { return call(api().GdipCreateBitmapFromHICON, icon, out()); }

int Image::width() const {
    UINT w = 0;
    call(api().GdipGetImageWidth, native(), &w);
    return static_cast<int>(w);
}

int Image::height() const {
    UINT h = 0;
    call(api().GdipGetImageHeight, native(), &h);
    return static_cast<int>(h);
}

bool Image::rotateFlip(int type) { return call(api().GdipImageRotateFlip, native(), type); }

Argb Image::pixel(int x, int y) const {
    Argb c = 0;
    call(api().GdipBitmapGetPixel, native(), x, y, &c);
    return c;
}

Bytes Image::encode(std::wstring_view format) const {
    CLSID clsid{};
    if (!native() || !findEncoder(format, clsid)) return {};
    MemoryStream out;
    IStream* stream = out.create();
    if (!stream) return {};
    if (!call(api().GdipSaveImageToStream, native(), stream, static_cast<const CLSID*>(&clsid),
              static_cast<const void*>(nullptr)))
        return {};
    return out.bytes();
}

bool Image::save(std::wstring_view path, std::wstring_view format) const {
    CLSID clsid{};
    if (!findEncoder(format.empty() ? std::wstring_view(kFormatBmp) : format, clsid)) return false;
    const std::wstring p(path);
    return call(api().GdipSaveImageToFile, native(), p.c_str(), static_cast<const CLSID*>(&clsid),
                static_cast<const void*>(nullptr));
}

HBITMAP createDib(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(width, 1);
    info.bmiHeader.biHeight = -std::max(height, 1);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* unused = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits ? bits : &unused, nullptr, 0);
}

bool findEncoder(std::wstring_view format, CLSID& clsid) {
    UINT count = 0, size = 0;
    if (!call(api().GdipGetImageEncodersSize, &count, &size) || count == 0 || size < count * sizeof(ImageCodecInfo))
        return false;
    // The block holds the entries followed by the texts they point to.
    std::unique_ptr<std::byte[]> block(new std::byte[size]);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(block.get());
    if (!call(api().GdipGetImageEncoders, count, size, codecs)) return false;
    for (UINT i = 0; i < count; ++i) {
        WCHAR text[40] = {};
        if (!StringFromGUID2(codecs[i].formatId, text, 40)) continue;
        if (_wcsicmp(text, std::wstring(format).c_str()) == 0) {
            clsid = codecs[i].clsid;
            return true;
        }
    }
    return false;
}

// ---- Graphics ----

bool Graphics::create(HDC dc) { return call(api().GdipCreateFromHDC, dc, out()); }
bool Graphics::create(Image& image) { return call(api().GdipGetImageGraphicsContext, image.native(), out()); }
bool Graphics::setSmoothing(int mode) { return call(api().GdipSetSmoothingMode, native(), mode); }
bool Graphics::setCompositingQuality(int quality) { return call(api().GdipSetCompositingQuality, native(), quality); }
bool Graphics::setInterpolation(int mode) { return call(api().GdipSetInterpolationMode, native(), mode); }
bool Graphics::setTextHint(int hint) { return call(api().GdipSetTextRenderingHint, native(), hint); }
bool Graphics::setClip(RectF r, int combine) {
    return call(api().GdipSetClipRect, native(), r.x, r.y, r.width, r.height, combine);
}
bool Graphics::setClip(const GraphicsPath& path, int combine) {
    return call(api().GdipSetClipPath, native(), path.native(), combine);
}
bool Graphics::resetClip() { return call(api().GdipResetClip, native()); }
bool Graphics::clear(Argb colour) { return call(api().GdipGraphicsClear, native(), colour); }
bool Graphics::fillRectangle(const Brush& brush, RectF r) {
    return call(api().GdipFillRectangle, native(), brush.native(), r.x, r.y, r.width, r.height);
}
bool Graphics::fillPath(const Brush& brush, const GraphicsPath& path) {
    return call(api().GdipFillPath, native(), brush.native(), path.native());
}
bool Graphics::drawPath(const Pen& pen, const GraphicsPath& path) {
    return call(api().GdipDrawPath, native(), pen.native(), path.native());
}
bool Graphics::drawRectangle(const Pen& pen, RectF r) {
    return call(api().GdipDrawRectangle, native(), pen.native(), r.x, r.y, r.width, r.height);
}
bool Graphics::drawLine(const Pen& pen, float x1, float y1, float x2, float y2) {
    return call(api().GdipDrawLine, native(), pen.native(), x1, y1, x2, y2);
}
bool Graphics::drawImage(const Image& image, float x, float y) {
    return call(api().GdipDrawImage, native(), image.native(), x, y);
}
bool Graphics::drawImage(const Image& image, RectF r) {
    return call(api().GdipDrawImageRect, native(), image.native(), r.x, r.y, r.width, r.height);
}
bool Graphics::drawString(std::wstring_view text, const Font& font, RectF layout, const StringFormat& format,
                          const Brush& brush) {
    const std::wstring t(text);
    return call(api().GdipDrawString, native(), t.c_str(), static_cast<INT>(lstrlenW(t.c_str())),
                static_cast<const GpFont*>(font.native()), static_cast<const RectF*>(&layout),
                static_cast<const GpStringFormat*>(format.native()), static_cast<const GpBrush*>(brush.native()));
}

// ---- Tooltip ----

Tooltip::~Tooltip() {
    // The tooltip belongs to its owner and usually goes with it; only a live one is destroyed here.
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

TOOLINFOW Tooltip::tool(UINT_PTR id) const {
    TOOLINFOW info{};
    info.cbSize = rt::kToolInfoSize;
    info.hwnd = owner_;
    info.uId = id;
    return info;
}

HWND Tooltip::create(HWND owner, bool balloon) {
    owner_ = owner;
    const DWORD style = WS_POPUP | TTS_ALWAYSTIP | (balloon ? TTS_BALLOON : 0);
    window_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    return window_;
}

bool Tooltip::addTool(const RECT& rect, std::wstring_view text, UINT_PTR id) {
    if (!window_) return false;
    std::wstring t(text);
    TOOLINFOW info = tool(id);
    info.uFlags = TTF_SUBCLASS;
    info.rect = rect;
    info.lpszText = t.data();
    return SendMessageW(window_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

bool Tooltip::deleteTool(UINT_PTR id) {
    if (!window_) return false;
    TOOLINFOW info = tool(id);
    SendMessageW(window_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

bool Tooltip::setToolRect(UINT_PTR id, const RECT& rect) {
    if (!window_) return false;
    TOOLINFOW info = tool(id);
    info.rect = rect;
    SendMessageW(window_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

bool Tooltip::setText(UINT_PTR id, std::wstring_view text) {
    if (!window_) return false;
    std::wstring t(text);
    TOOLINFOW info = tool(id);
    info.lpszText = t.data();
    SendMessageW(window_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    return true;
}

} // namespace draw
