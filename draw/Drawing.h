// The drawing layer: owners of GDI+ flat objects with the operations the skin
// engine paints with. Every wrapper starts empty; a creation stores the new
// native object and answers true exactly when GDI+ said Ok; every call records
// its status in lastStatus(). An empty wrapper passes null to GDI+, which
// refuses (InvalidParameter), so a layer whose creation failed draws nothing
// and painting goes on with the next one. Deleting an empty wrapper answers
// false and makes no call. Used on the window thread only.
#pragma once

#include "draw/Gdip.h"
#include "runtime/ToolInfo.h"

#include <commctrl.h>
#include <windows.h>

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace draw {

using Bytes = std::vector<std::byte>;

inline constexpr int kPixelFormat32bppArgb = 0x26200A;
inline constexpr int kPixelFormat32bppPargb = 0xE200B;
inline constexpr int kSmoothingAntiAlias = 4;
inline constexpr int kCompositingHighQuality = 2;
inline constexpr int kCombineReplace = 0;
inline constexpr int kCombineXor = 3;
inline constexpr int kRotateNoneFlipX = 4;
inline constexpr int kFontStyleRegular = 0;
inline constexpr int kFontStyleBold = 1;
inline constexpr int kUnitPixel = 2;
inline constexpr int kUnitPoint = 3;
inline constexpr int kAlignNear = 0;
inline constexpr int kAlignCenter = 1;
inline constexpr int kAlignFar = 2;
inline constexpr int kStringNoWrap = 0x1000;
inline constexpr int kWrapTile = 0;
inline constexpr int kWrapTileFlipXY = 3;

// The image format GUIDs that name encoders.
inline constexpr wchar_t kFormatBmp[] = L"{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr wchar_t kFormatPng[] = L"{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";

// Owns one native object and deletes it with its class's flat function.
template <typename T, Status(WINAPI* GdipApi::*Deleter)(T*)>
class NativeObject {
  public:
    NativeObject() noexcept = default;
    NativeObject(const NativeObject&) = delete;
    NativeObject& operator=(const NativeObject&) = delete;
    NativeObject(NativeObject&& o) noexcept : native_(std::exchange(o.native_, nullptr)) {}
    NativeObject& operator=(NativeObject&& o) noexcept {
        if (this != &o) {
            remove();
            native_ = std::exchange(o.native_, nullptr);
        }
        return *this;
    }
    ~NativeObject() { remove(); }

    // Deletes the native object; false (and no call) when there is none.
    bool remove() noexcept {
        if (!native_) return false;
        const bool ok = call(gdip().*Deleter, native_);
        native_ = nullptr;
        return ok;
    }
    [[nodiscard]] T* native() const noexcept { return native_; }
    [[nodiscard]] explicit operator bool() const noexcept { return native_ != nullptr; }

  protected:
    T** out() noexcept { return &native_; }

  private:
    T* native_ = nullptr;
};

class GraphicsPath : public NativeObject<GpPath, &GdipApi::GdipDeletePath> {
  public:
    bool create();
    bool reset();
    bool addLine(float x1, float y1, float x2, float y2);
    bool addArc(float x, float y, float w, float h, float start, float sweep);
    bool addRectangle(float x, float y, float w, float h);
    bool addEllipse(float x, float y, float w, float h);
    bool startFigure();
    bool closeFigure();
};

class Brush : public NativeObject<GpBrush, &GdipApi::GdipDeleteBrush> {
  public:
    bool createSolid(Argb colour);
    // A linear gradient from p1 (colour c1) to p2 (colour c2).
    bool createLinear(PointF p1, PointF p2, Argb c1, Argb c2, int wrapMode = kWrapTile);
    bool setPresetBlend(std::span<const Argb> colours, std::span<const float> positions);
    bool setLinearBlend(float focus, float scale);
    bool createPathGradient(const GraphicsPath& path);
    bool setCentreColour(Argb colour);
    bool setCentrePoint(PointF point);
    bool setSurroundColours(std::span<const Argb> colours);
};

class Pen : public NativeObject<GpPen, &GdipApi::GdipDeletePen> {
  public:
    bool create(Argb colour, float width);
    bool create(const Brush& brush, float width);
    bool setWidth(float width);
};

class FontFamily : public NativeObject<GpFontFamily, &GdipApi::GdipDeleteFontFamily> {
  public:
    bool create(std::wstring_view name);
    [[nodiscard]] std::wstring name() const;
};

class Font : public NativeObject<GpFont, &GdipApi::GdipDeleteFont> {
  public:
    // A family is made for the name and freed again.
    bool create(std::wstring_view family, float emSize, int style, int unit);
    // From the DC and a font handle (the DC's own font when there is none).
    bool create(HDC dc, HFONT font);
    [[nodiscard]] int style() const;
    [[nodiscard]] float size() const;
    [[nodiscard]] std::wstring familyName() const;
};

class StringFormat : public NativeObject<GpStringFormat, &GdipApi::GdipDeleteStringFormat> {
  public:
    bool create(int flags = 0);
    bool setAlignment(int align);
    bool setLineAlignment(int align);
    bool setTrimming(int trimming);
};

// An IStream over a moveable global memory block holding a copy of some bytes.
class MemoryStream {
  public:
    MemoryStream() noexcept = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;
    MemoryStream(MemoryStream&& o) noexcept
        : memory_(std::exchange(o.memory_, nullptr)), stream_(std::exchange(o.stream_, nullptr)) {}
    MemoryStream& operator=(MemoryStream&& o) noexcept {
        if (this != &o) {
            release();
            memory_ = std::exchange(o.memory_, nullptr);
            stream_ = std::exchange(o.stream_, nullptr);
        }
        return *this;
    }
    ~MemoryStream() { release(); }

    // A new empty stream (for encoding into).
    IStream* create();
    IStream* load(std::span<const std::byte> bytes);
    [[nodiscard]] IStream* stream() const noexcept { return stream_; }
    [[nodiscard]] size_t size() const;
    [[nodiscard]] Bytes bytes() const;
    void release() noexcept;

  private:
    HGLOBAL memory_ = nullptr;
    IStream* stream_ = nullptr;
};

// An image or bitmap. Images decoded from bytes keep their stream, which GDI+
// may read from for as long as the image lives.
class Image : public NativeObject<GpImage, &GdipApi::GdipDisposeImage> {
  public:
    Image() noexcept = default;
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;
    ~Image();

    // Refuses pictures too large to hold (see kMaxImagePixels) before decoding them.
    bool load(std::span<const std::byte> bytes);
    // A new bitmap; over `bits` (rows of `stride` bytes, owned by the caller) when given.
    bool createBitmap(int width, int height, int format = kPixelFormat32bppArgb, void* bits = nullptr, int stride = 0);
    bool createFromIcon(HICON icon);
    [[nodiscard]] int width() const;
    [[nodiscard]] int height() const;
    bool rotateFlip(int type);
    [[nodiscard]] Argb pixel(int x, int y) const;
    // Encodes with the encoder of the format GUID text; empty on failure.
    [[nodiscard]] Bytes encode(std::wstring_view format) const;
    // Saves to a file; without a format as BMP.
    bool save(std::wstring_view path, std::wstring_view format = kFormatBmp) const;

  private:
    MemoryStream stream_;
};

class Graphics : public NativeObject<GpGraphics, &GdipApi::GdipDeleteGraphics> {
  public:
    bool create(HDC dc);
    bool create(Image& image);
    bool setSmoothing(int mode);
    bool setCompositingQuality(int quality);
    bool setInterpolation(int mode);
    bool setTextHint(int hint);
    bool setClip(RectF r, int combine = kCombineReplace);
    bool setClip(const GraphicsPath& path, int combine = kCombineReplace);
    bool resetClip();
    bool clear(Argb colour);
    bool fillRectangle(const Brush& brush, RectF r);
    bool fillPath(const Brush& brush, const GraphicsPath& path);
    bool drawPath(const Pen& pen, const GraphicsPath& path);
    bool drawRectangle(const Pen& pen, RectF r);
    bool drawLine(const Pen& pen, float x1, float y1, float x2, float y2);
    bool drawImage(const Image& image, float x, float y);
    bool drawImage(const Image& image, RectF r);
    bool drawString(std::wstring_view text, const Font& font, RectF layout, const StringFormat& format,
                    const Brush& brush);
};

// A w x h 32-bit top-down DIB section (at least 1 x 1); its pixels through `bits` when asked. The caller owns it.
HBITMAP createDib(int width, int height, void** bits = nullptr);

// The CLSID of the encoder for a format GUID text; false when no encoder has that format.
bool findEncoder(std::wstring_view format, CLSID& clsid);

// A tooltip window for one owner window, with tools identified by number.
class Tooltip {
  public:
    Tooltip() noexcept = default;
    Tooltip(const Tooltip&) = delete;
    Tooltip& operator=(const Tooltip&) = delete;
    ~Tooltip();

    HWND create(HWND owner, bool balloon = false);
    bool addTool(const RECT& rect, std::wstring_view text, UINT_PTR id);
    bool deleteTool(UINT_PTR id);
    bool setToolRect(UINT_PTR id, const RECT& rect);
    bool setText(UINT_PTR id, std::wstring_view text);
    [[nodiscard]] HWND window() const noexcept { return window_; }

  private:
    // The tool's identity as the tooltip messages take it.
    [[nodiscard]] TOOLINFOW tool(UINT_PTR id) const;

    HWND window_ = nullptr;
    HWND owner_ = nullptr;
};

} // namespace draw
