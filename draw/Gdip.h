// The GDI+ flat functions the drawing layer calls, bound at run time from
// gdiplus.dll: a system without GDI+ still starts, it only draws no pictures.
// Each entry is null when the function could not be found; the wrappers treat
// that like a failed call.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <cstdint>

namespace draw {

using Argb = uint32_t;
using Status = int;
inline constexpr Status kOk = 0;
inline constexpr Status kGenericError = 1;
inline constexpr Status kInvalidParameter = 2;

struct PointF {
    float x, y;
};
struct RectF {
    float x, y, width, height;
};

// Opaque native objects.
struct GpGraphics;
struct GpPath;
struct GpBrush;
struct GpPen;
struct GpFont;
struct GpFontFamily;
struct GpFontCollection;
struct GpStringFormat;
struct GpImage;

struct ImageCodecInfo {
    CLSID clsid;
    GUID formatId;
    const WCHAR* codecName;
    const WCHAR* dllName;
    const WCHAR* formatDescription;
    const WCHAR* filenameExtension;
    const WCHAR* mimeType;
    DWORD flags;
    DWORD version;
    DWORD sigCount;
    DWORD sigSize;
    const BYTE* sigPattern;
    const BYTE* sigMask;
};

#define SB_GDIP_FUNCTIONS(X)                                                                                     \
    X(GdipCreateFromHDC, HDC, GpGraphics**)                                                                      \
    X(GdipGetImageGraphicsContext, GpImage*, GpGraphics**)                                                       \
    X(GdipDeleteGraphics, GpGraphics*)                                                                           \
    X(GdipSetSmoothingMode, GpGraphics*, int)                                                                    \
    X(GdipSetCompositingQuality, GpGraphics*, int)                                                               \
    X(GdipSetInterpolationMode, GpGraphics*, int)                                                                \
    X(GdipSetPixelOffsetMode, GpGraphics*, int)                                                                  \
    X(GdipSetTextRenderingHint, GpGraphics*, int)                                                                \
    X(GdipSetClipRect, GpGraphics*, float, float, float, float, int)                                             \
    X(GdipSetClipPath, GpGraphics*, GpPath*, int)                                                                \
    X(GdipResetClip, GpGraphics*)                                                                                \
    X(GdipGraphicsClear, GpGraphics*, Argb)                                                                      \
    X(GdipFillRectangle, GpGraphics*, GpBrush*, float, float, float, float)                                      \
    X(GdipFillPath, GpGraphics*, GpBrush*, GpPath*)                                                              \
    X(GdipDrawPath, GpGraphics*, GpPen*, GpPath*)                                                                \
    X(GdipDrawRectangle, GpGraphics*, GpPen*, float, float, float, float)                                        \
    X(GdipDrawLine, GpGraphics*, GpPen*, float, float, float, float)                                             \
    X(GdipDrawImage, GpGraphics*, GpImage*, float, float)                                                        \
    X(GdipDrawImageRect, GpGraphics*, GpImage*, float, float, float, float)                                      \
    X(GdipDrawString, GpGraphics*, const WCHAR*, INT, const GpFont*, const RectF*, const GpStringFormat*,         \
      const GpBrush*)                                                                                            \
    X(GdipCreatePath, int, GpPath**)                                                                             \
    X(GdipDeletePath, GpPath*)                                                                                   \
    X(GdipResetPath, GpPath*)                                                                                    \
    X(GdipAddPathLine, GpPath*, float, float, float, float)                                                      \
    X(GdipAddPathArc, GpPath*, float, float, float, float, float, float)                                         \
    X(GdipAddPathRectangle, GpPath*, float, float, float, float)                                                 \
    X(GdipAddPathEllipse, GpPath*, float, float, float, float)                                                   \
    X(GdipStartPathFigure, GpPath*)                                                                              \
    X(GdipClosePathFigure, GpPath*)                                                                              \
    X(GdipCreateSolidFill, Argb, GpBrush**)                                                                      \
    X(GdipCreateLineBrush, const PointF*, const PointF*, Argb, Argb, int, GpBrush**)                             \
    X(GdipSetLinePresetBlend, GpBrush*, const Argb*, const float*, INT)                                          \
    X(GdipSetLineLinearBlend, GpBrush*, float, float)                                                            \
    X(GdipCreatePathGradientFromPath, const GpPath*, GpBrush**)                                                  \
    X(GdipSetPathGradientCenterColor, GpBrush*, Argb)                                                            \
    X(GdipSetPathGradientCenterPoint, GpBrush*, const PointF*)                                                   \
    X(GdipSetPathGradientSurroundColorsWithCount, GpBrush*, const Argb*, INT*)                                   \
    X(GdipDeleteBrush, GpBrush*)                                                                                 \
    X(GdipCreatePen1, Argb, float, int, GpPen**)                                                                 \
    X(GdipCreatePen2, GpBrush*, float, int, GpPen**)                                                             \
    X(GdipSetPenWidth, GpPen*, float)                                                                            \
    X(GdipDeletePen, GpPen*)                                                                                     \
    X(GdipCreateFontFamilyFromName, const WCHAR*, GpFontCollection*, GpFontFamily**)                             \
    X(GdipDeleteFontFamily, GpFontFamily*)                                                                       \
    X(GdipGetFamilyName, const GpFontFamily*, WCHAR*, LANGID)                                                    \
    X(GdipCreateFont, const GpFontFamily*, float, INT, int, GpFont**)                                            \
    X(GdipCreateFontFromDC, HDC, GpFont**)                                                                       \
    X(GdipCreateFontFromLogfontW, HDC, const LOGFONTW*, GpFont**)                                                \
    X(GdipDeleteFont, GpFont*)                                                                                   \
    X(GdipGetFamily, GpFont*, GpFontFamily**)                                                                    \
    X(GdipGetFontStyle, GpFont*, INT*)                                                                           \
    X(GdipGetFontSize, GpFont*, float*)                                                                          \
    X(GdipCreateStringFormat, INT, LANGID, GpStringFormat**)                                                     \
    X(GdipSetStringFormatAlign, GpStringFormat*, int)                                                            \
    X(GdipSetStringFormatLineAlign, GpStringFormat*, int)                                                        \
    X(GdipSetStringFormatTrimming, GpStringFormat*, int)                                                         \
    X(GdipDeleteStringFormat, GpStringFormat*)                                                                   \
    X(GdipLoadImageFromStream, IStream*, GpImage**)                                                              \
    X(GdipLoadImageFromFile, const WCHAR*, GpImage**)                                                            \
    X(GdipCreateBitmapFromScan0, INT, INT, INT, INT, BYTE*, GpImage**)                                           \
    X(GdipCreateBitmapFromHICON, HICON, GpImage**)                                                               \
    X(GdipDisposeImage, GpImage*)                                                                                \
    X(GdipGetImageWidth, GpImage*, UINT*)                                                                        \
    X(GdipGetImageHeight, GpImage*, UINT*)                                                                       \
    X(GdipImageRotateFlip, GpImage*, int)                                                                        \
    X(GdipBitmapGetPixel, GpImage*, INT, INT, Argb*)                                                             \
    X(GdipGetImageEncodersSize, UINT*, UINT*)                                                                    \
    X(GdipGetImageEncoders, UINT, UINT, ImageCodecInfo*)                                                         \
    X(GdipSaveImageToStream, GpImage*, IStream*, const CLSID*, const void*)                                      \
    X(GdipSaveImageToFile, GpImage*, const WCHAR*, const CLSID*, const void*)

struct GdipApi {
#define SB_GDIP_MEMBER(name, ...) Status(WINAPI* name)(__VA_ARGS__) = nullptr;
    SB_GDIP_FUNCTIONS(SB_GDIP_MEMBER)
#undef SB_GDIP_MEMBER
};

// The bound functions; loaded on first use, entries stay null when gdiplus.dll or a function is missing.
const GdipApi& gdip();

// Status of the most recent call made by any drawing-layer operation (0 = Ok).
// One unguarded value: the layer is used only on the window thread.
Status lastStatus();
void setLastStatus(Status s);

// Calls a bound flat function and records its status; a missing function counts as a generic error.
template <typename Fn, typename... Args>
bool call(Fn fn, Args... args) {
    const Status s = fn ? fn(args...) : kGenericError;
    setLastStatus(s);
    return s == kOk;
}

} // namespace draw
