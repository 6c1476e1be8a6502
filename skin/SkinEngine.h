// The skin engine: one per process. A window attached to it loses its system
// frame; the engine draws the whole window off screen (a rounded background
// filled with the skin picture, a border, icon and title, a strip of caption
// buttons that fade under the mouse), moves it by its caption band, and keeps
// its records per window, found from a window handle through window
// properties (Hw_lbID, Hw_FuID, Hw_hProc and their kin), so that another
// program inspecting the window sees the same names.
#pragma once

#include "draw/Drawing.h"
#include "runtime/Handles.h"
#include "skin/ControlRecords.h"
#include "skin/FrameGeometry.h"
#include "skin/Props.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace skin {

using Bytes = std::vector<std::byte>;
using Handler = std::function<void()>;

enum class CaptionKind { Close = 0, Maximize = 1, Minimize = 2, Menu = 3, Help = 4, Custom = 5 };

struct CaptionButton {
    int width = kCaptionButtonWidth;
    int height = kCaptionButtonHeight;
    Bytes image;
    Bytes altImage; // the maximise button's restore glyph
    CaptionKind kind = CaptionKind::Custom;
    std::wstring tipText;
    Handler handler;
    FloatRect rect{};
};

struct BottomBarItem {
    int width = -1; // -1 takes what the others leave
    std::wstring text;
    Bytes image;
    int value = 0;
};

// A memory DC with a bitmap of the engine's selected into it. The DC's own
// first bitmap goes back in before the DC is deleted, and the engine's bitmap
// is deleted with it.
class BufferDc {
  public:
    BufferDc() = default;
    BufferDc(const BufferDc&) = delete;
    BufferDc& operator=(const BufferDc&) = delete;
    ~BufferDc() { reset(); }

    // Creates the DC when needed and selects the bitmap (taking ownership); the previous one is deleted.
    void select(HBITMAP bitmap);
    void reset();
    [[nodiscard]] HDC dc() const { return dc_; }
    [[nodiscard]] HGDIOBJ original() const { return original_; }
    [[nodiscard]] HBITMAP bitmap() const { return bitmap_; }

  private:
    HDC dc_ = nullptr;
    HGDIOBJ original_ = nullptr;
    HBITMAP bitmap_ = nullptr;
};

struct ContainerRecord {
    HWND hwnd = nullptr;
    COLORREF fillColour = 0;
    int fillAlpha = 255;
    int option = 0;
    WNDPROC previousProc = nullptr;
    bool needsRender = false;
    bool isGroupBox = false;
    bool fillEnabled = true;
    FontInfo font;
};

struct WindowRecord {
    HWND hwnd = nullptr;
    int captionHeight = kMinCaptionHeight;
    bool showHelpButton = false;
    bool showMenuButton = false;
    bool hasMinimizeBox = false;
    bool hasMaximizeBox = false;
    bool showCloseButton = true;
    bool showTitle = true;
    bool captionGloss = false;
    WNDPROC previousProc = nullptr;
    Picture windowImage; // prepared for its mode
    int windowImageMode = 0;
    COLORREF windowImageColour = 0;
    std::vector<CaptionButton> captionButtons;
    int stripX = 0, stripY = 0, stripWidth = 0, stripHeight = kStripHeight;
    bool maximized = false;
    bool minimized = false;
    int minTrackWidth = 200, minTrackHeight = 150;
    int maxTrackWidth = 0, maxTrackHeight = 0;
    bool resizable = true;
    bool showCaptionButtons = true;
    COLORREF titleColour = 0xFFFFFF;
    COLORREF titleShadowColour = 0x808080;
    std::wstring titleFontFace = L"宋体";
    int titleFontSize = 12;
    int titleFontStyle = 1;
    int hotCaptionButtonShown = 0;
    int hotList = 0;
    HWND hotEditParent = nullptr;
    Handler helpHandler;
    Handler menuHandler;
    draw::Tooltip tooltip;
    int bottomBarHeight = 0;
    RECT bottomBarRect{};
    std::vector<BottomBarItem> bottomBarItems;
    std::vector<RECT> bottomBarItemRects;
    int bottomBarStyle = 1, bottomBarOption1 = 0, bottomBarOption2 = 0;
    COLORREF bottomBarTextColour = 0xFFFFFF;
    std::wstring bottomBarFontFace = L"宋体";
    int bottomBarFontSize = 12;
    std::vector<ButtonRecord> buttonRecords;
    std::vector<EditRecord> editRecords;
    std::vector<ListRecord> listRecords;
    std::vector<TrackbarRecord> trackbarRecords;
    std::vector<ProgressRecord> progressRecords;
    std::vector<ComboRecord> comboRecords;
    std::vector<UpDownRecord> updownRecords;
    std::vector<HeaderRecord> headerRecords;
    std::vector<TransparentControlRecord> transparentControls;
    // Calls f on each list of controls whose Hw_FuID names this window.
    template <typename F>
    void forEachControlList(F f) {
        f(listRecords), f(buttonRecords), f(editRecords), f(comboRecords), f(headerRecords), f(updownRecords),
            f(trackbarRecords), f(progressRecords);
    }
    bool needsFullRender = true;
    BufferDc backBuffer;
    // The back buffer's pixels as a drawing-layer bitmap: vector drawing goes straight into the buffer.
    draw::Image backPixels;
    BufferDc captionSnapshot;
    BufferDc bottomSnapshot;
    int hotControl = 0;
    int controlUnderMouse = 0;
    std::vector<ContainerRecord> containers;
    bool attached = false;
    bool mouseTracking = false;
    bool leaveTracking = false; // below the caption strip: leave only, at the system's hover time
    int fadeInButton = 0, fadeInStep = 0;
    int fadeOutButton = 0, fadeOutStep = 0;
    bool fadeTimerRunning = false;

    // The background picture laid out for `layoutWidth` (mode 4 tiles it); rebuilt when the picture or the width changes.
    Picture layoutImage;
    const draw::Image* layoutSource = nullptr;
    int layoutWidth = -1;
};

struct AttachOptions {
    int captionHeight = kMinCaptionHeight;
    bool showCaptionButtons = true;
    bool resizable = true;
    bool showHelpButton = false;
    bool showMenuButton = false;
    bool showTitle = true;
    bool captionGloss = false;
    int bottomBarHeight = 0;
    std::vector<BottomBarItem> bottomBarItems;
    std::span<const std::byte> image;
    std::optional<int> mode; // the engine's imageMode when not given
};

// What setSkin takes; everything not given keeps the engine's documented default.
struct SkinSource {
    std::wstring fileName;             // an image file, read when not empty
    std::span<const std::byte> image;  // image bytes, used when there is no file name
    std::optional<COLORREF> backgroundColour; // the picture's average colour when not given
    std::optional<int64_t> accentColour;      // 0xDDCA22 when not given; -1: the background colour
    std::optional<int> mode;                  // 4 when not given
};

struct ContainerOptions {
    bool fillEnabled = true;
    COLORREF fillColour = 0;
    std::optional<int> fillAlpha; // 255 when not given
    int option = 0;
};

// Where the background behind a control comes from.
struct BackgroundProvider {
    enum Kind { None, Window, WindowContainer, Marked } kind = None;
    int windowIndex = 0;
    int containerIndex = 0;
    HWND marked = nullptr;
};

class SkinEngine {
  public:
    SkinEngine();
    SkinEngine(const SkinEngine&) = delete;
    SkinEngine& operator=(const SkinEngine&) = delete;
    // Destroys the caption icon and shuts GDI+ down; window records go with their windows.
    ~SkinEngine();

    // Engine-wide settings, given their start values by the program's start-up.
    uintptr_t gdiplusToken = 0;
    HICON captionIcon = nullptr;
    bool firstSizePending = true;
    bool controlsTransparent = true;
    int overlayAlpha = 160;
    bool overlayAlphaGiven = false;
    bool drawSliderFrame = true;
    COLORREF accentColour = 0x00DDCA22;
    COLORREF backgroundColour;
    int imageMode = 0;
    // The skin picture prepared for imageMode; null when there is no skin picture.
    const Picture& skinPicture();
    // The last picture decoded from bytes in memory and those bytes, kept because start-up applies the
    // default picture twice: as the first skin and as the saved choice "0".
    struct DecodedBytes {
        std::vector<std::byte> bytes;
        Picture picture;
    } lastDecoded;
    int stripMargin = kStripMargin;
    int hotCaptionButton = 0;

    // Called on the window's thread each time the program loses activation to another application.
    std::function<void()> onDeactivated;

    // ---- operations ----
    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void onCaptionButton(int windowIndex, int buttonIndex);
    void attachWindow(HWND hwnd, const AttachOptions& options = {});
    void addCaptionButton(HWND hwnd, std::span<const std::byte> image, std::wstring_view tipText, Handler handler);
    bool setWindowImage(HWND hwnd, std::span<const std::byte> image, std::optional<int> mode = {});
    void setSkin(const SkinSource& source = {});
    void setControlTransparency(bool enabled, std::optional<int> alpha = {}, bool sliderFrame = true);
    void renderWindow(int windowIndex, bool present);
    void paintFromBuffer(int windowIndex, HDC dc);
    void drawCaptionButton(int windowIndex, int buttonIndex, bool inRender, bool pressed, int alpha,
                           draw::Graphics* graphics = nullptr);
    void layoutCaptionButtons(int windowIndex);
    int hitTestCaptionButtons(int windowIndex, int x, int y) const;
    int maximizeButtonIndex(int windowIndex) const;
    void drawTitle(int windowIndex, draw::Graphics* graphics, bool inRender, const std::wstring* text = nullptr);
    void setBottomBar(int windowIndex, int height, std::vector<BottomBarItem> items);
    void layoutBottomBar(int windowIndex);
    void setHelpHandler(HWND hwnd, Handler handler);
    void setMenuHandler(HWND hwnd, Handler handler);
    int attachContainer(HWND container, const ContainerOptions& options = {});
    void setContainerAlpha(HWND container, int alpha);
    RECT getCaptionStripRect(HWND hwnd) const;
    void setTextColour(HWND control, COLORREF colour);
    [[nodiscard]] COLORREF getBackgroundColour() const { return backgroundColour; }
    struct CaptionImages {
        std::optional<std::span<const std::byte>> minimize, maximize, restore, close;
    };
    void setCaptionButtonImages(HWND hwnd, const CaptionImages& images);
    // Labels and other controls drawn straight on the skin: the control paints itself over a copy of the
    // background and every pixel of its face colour (keyColour, the button face when not given) is dropped.
    // A control with children is also registered as a panel with `panel`. Answers the panel index or 0.
    int attachTransparentControl(HWND control, std::optional<COLORREF> keyColour = {},
                                 const ContainerOptions& panel = {});
    // Turns a button into an icon button (icon left of the caption when iconLayout != 0, above it otherwise)
    // or an image button with its four state pictures; a tip text gives it a tooltip.
    void makeIconButton(HWND button, std::span<const std::byte> image, int iconLayout, std::wstring_view tipText);
    void makeImageButton(HWND button, std::span<const std::byte> image, std::span<const std::byte> hoverImage,
                         std::span<const std::byte> pressedImage, std::span<const std::byte> disabledImage,
                         std::wstring_view tipText);
    // The skinned window's or panel's answer to WM_DRAWITEM for the engine's owner-drawn buttons.
    void onDrawItem(int windowIndex, const DRAWITEMSTRUCT& item);
    // Repaints a button outside WM_PAINT with owner-draw state bits (0x40 added when hot).
    void repaintButton(HWND button, UINT state, bool hot);
    // The procedure of every skinned button (all kinds).
    LRESULT buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // The control kinds' built-in glyphs, set by the program from its resources.
    struct ControlGlyphs {
        std::span<const std::byte> checkOff, checkOn, arrowDown, arrowUp, arrowLeft, arrowRight;
    } controlGlyphs;

    // A drawing-layer font in pixel units, made once per face, size and style: making a font looks the
    // family up among the installed fonts, far too slow to repeat in every paint.
    const draw::Font& font(std::wstring_view face, int size, int style);

    // The single engine of the process, for the plain window procedures of the control kinds.
    static SkinEngine* instance();
    // The records of a control through its Hw_FuID / Hw_lbID properties; null when it has none.
    template <typename Record>
    Record* controlRecord(HWND control, std::vector<Record> WindowRecord::*list, int* windowIndex = nullptr,
                          int* index = nullptr) const {
        const int owner = intProp(control, L"Hw_FuID");
        const int i = intProp(control, L"Hw_lbID");
        WindowRecord* w = window(owner);
        if (!w || i < 1 || i > static_cast<int>((w->*list).size())) return nullptr;
        Record& r = (w->*list)[static_cast<size_t>(i - 1)];
        if (r.hwnd != control) return nullptr;
        if (windowIndex) *windowIndex = owner;
        if (index) *index = i;
        return &r;
    }
    // Passes a message on to the procedure a control had before (Hw_hProc).
    static LRESULT passOn(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Sets the three properties of a taken control and replaces its procedure; answers the old one.
    static WNDPROC subclass(HWND control, int windowIndex, int index, WNDPROC proc);

    // ---- records ----
    [[nodiscard]] int windowCount() const { return static_cast<int>(windows_.size()); }
    // 1-based; null when out of range.
    [[nodiscard]] WindowRecord* window(int index) const;
    // The index of an attached window (linear search), 0 when none.
    [[nodiscard]] int indexOf(HWND hwnd) const;
    // The record found through the window's Hw_lbID property.
    [[nodiscard]] WindowRecord* recordOf(HWND hwnd, int* index = nullptr) const;

    // ---- skin images ----
    // The decoded background picture for the window's width (laid out for mode 4); null when there is none.
    const draw::Image* layoutImage(int windowIndex);
    [[nodiscard]] BackgroundProvider findBackgroundProvider(HWND control, bool honourMarkers) const;
    // A memory DC w x h holding what lies behind `rect` of the control; give it back with releaseCaptureDC.
    HDC captureBackground(HWND control, const RECT& rect);
    void releaseCaptureDC(HDC dc);
    // A control-colour answer: the control's text colour, a transparent background and either a hollow
    // brush or a pattern brush of its washed background; the previous brush and bitmap kept on the
    // control are deleted first.
    LRESULT colourAnswer(HWND control, HDC dc, bool pattern);
    // The background of the control's client area washed with white at overlayAlpha; the caller owns it.
    HBITMAP controlBackgroundBitmap(HWND control);
    [[nodiscard]] size_t captureCount() const { return dcCache_.size(); }

    // The built-in caption glyphs, set by the program from its resources.
    struct Glyphs {
        std::span<const std::byte> help, menu, minimize, maximize, restore, close;
    } glyphs;

  private:
    // The skin picture is prepared when it is first drawn: start-up sets the default skin and then the
    // saved one before anything shows, and preparing a picture that is never drawn costs as much as
    // decoding it.
    Picture skinImage_;
    struct PendingSkin {
        Picture source;
        int mode = 0;
        COLORREF colour = 0;
    } pendingSkin_;
    static LRESULT CALLBACK windowProcEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK containerProcEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT containerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void renderContainer(int windowIndex, int containerIndex, HDC dc, bool recompose);
    void drawGroupBoxDecoration(const ContainerRecord& c, HDC capture, int w, int h);
    void attachControls(HWND parent, int windowIndex);
    // The control kinds, in the order attachControls runs them (each does nothing while controlsTransparent is off).
    void attachPushButtons(const std::vector<HWND>& buttons, int windowIndex);
    // Paints a button of any kind into `target` with owner-draw state bits.
    void paintButton(const ButtonRecord& b, HDC target, UINT state, const RECT& rect);
    void paintOwnButton(HWND hwnd, UINT state);
    // The record of a button made an icon or image button, attaching it first when needed.
    ButtonRecord* adoptButton(HWND button);
    void setButtonTip(ButtonRecord& b, std::wstring_view tipText);
    void attachCheckAndRadio(const std::vector<HWND>& buttons, int windowIndex);
    void attachEditsAndCombos(HWND parent, int windowIndex);
    void attachTrackbars(HWND parent, int windowIndex);
    void attachProgressBars(HWND parent, int windowIndex);
    void attachLists(HWND parent, int windowIndex);
    void attachUpDowns(HWND parent, int windowIndex);
    void attachHeaders(HWND parent, int windowIndex);
    void destroyWindowRecord(HWND hwnd);
    void drawWindowBackground(draw::Graphics& g, int windowIndex);
    void drawWindowBorder(int windowIndex, draw::Graphics& g);
    void drawButtonSeparators(int windowIndex, int buttonIndex, draw::Graphics& g);
    void restoreCaptionArea(int windowIndex, const RECT& r);
    void restoreBottomBarArea(int windowIndex, const RECT& r);
    void drawCaptionButtonHover(draw::Graphics& g, int windowIndex, int buttonIndex, int alpha);
    void drawBottomBarItem(int windowIndex, draw::Graphics& g, int item);
    void beginFrameDrag(int windowIndex, POINT p, const RECT& client);
    void updateFrameCursor(int windowIndex, POINT p, const RECT& client);
    void fadeTick(int windowIndex);
    // The WM_CTLCOLOR* answers of skinned windows and panels; 0 when the system's colours stay.
    LRESULT answerControlColour(UINT msg, WPARAM wParam, LPARAM lParam);
    // What skinned windows and panels answer their children (notifications, colours); nothing when the
    // message goes on to the previous procedure unanswered.
    std::optional<LRESULT> childMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Edits, list boxes and combo boxes repaint their washed background after scrolling and text changes.
    void invalidateOnNotification(HWND control, WORD code);
    void invalidateControls(WindowRecord& w);
    void fillContainer(HDC dc, const ContainerRecord& c, int w, int h, bool wholeRect);
    const ContainerRecord* containerOf(HWND hwnd) const;

    std::vector<std::unique_ptr<WindowRecord>> windows_;
    std::map<std::tuple<std::wstring, int, int>, std::unique_ptr<draw::Font>> fonts_;
    struct CacheEntry {
        HDC dc;
        HBITMAP bitmap;
        HGDIOBJ previous;
    };
    std::vector<CacheEntry> dcCache_;
};

// The direct children of a window of one class (case-insensitive, as FindWindowEx matches), in z-order;
// taken in one pass, so attaching a board of hundreds of buttons stays linear.
std::vector<HWND> directChildren(HWND parent, std::wstring_view className);

// The DC with every visible, non-transparent child of the window cut out of its clip; answers the DC.
HDC excludeChildren(HWND hwnd, HDC dc);

// ---- skin images (plain functions over image bytes) ----

// The picture in a file's or a block's bytes; null when it does not decode (or is too large to hold).
Picture decodePicture(std::span<const std::byte> bytes);
// The same for a small built-in glyph, decoded once and shared by every later call with the same bytes.
Picture glyphPicture(std::span<const std::byte> bytes);
// Average colour of `samples` random pixels (of the right and bottom bands when given); black for no picture.
COLORREF averageColour(const draw::Image* image, int samples = 2000, int rightBand = 0, int bottomBand = 0);
// The picture with its right (variant 0) or left (variant 1) band and its bottom band, each 30 % of its
// width deep unless given, faded into `colour`; null for no picture.
Picture preparePicture(const draw::Image* source, int variant, COLORREF colour, std::optional<int> fadeWidth = {});
// The picture prepared for an image mode: faded for modes 0 and 1, as it is for the others.
Picture pictureForMode(const Picture& source, int mode, COLORREF colour);
// A whole file's bytes; empty when it cannot be read, is a folder or is larger than the picture limit allows.
Bytes readImageFile(const std::wstring& path);

} // namespace skin
