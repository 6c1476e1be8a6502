#include "app/App.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "audio/AudioPlayer.h"
#include "audio/BassLibrary.h"
#include "audio/OutputChannel.h"
#include "audio/SystemAudioWarmUp.h"
#include "board/CustomSoundText.h"
#include "board/CustomSounds.h"
#include "board/Hotkeys.h"
#include "board/SoundBoard.h"
#include "draw/GdiplusRuntime.h"
#include "maint/Links.h"
#include "maint/StartupTrace.h"
#include "maint/WorkingSet.h"
#include "runtime/Form.h"
#include "runtime/Resources.h"
#include "skin/PageStrip.h"
#include "skin/SkinEngine.h"
#include "ui/ControlWrapper.h"
#include "ui/MainWindowLayout.h"
#include "ui/SkinChoice.h"
#include "ui/WindowBehaviours.h"

#include <commctrl.h>
#include <windows.h>

#include <array>
#include <cstdio>

namespace app {

std::wstring programDir;
HSTREAM currentStream = 0;
HMODULE mainModule = nullptr;
int childIdCounter = 0;
audio::AudioPlayer* audioPlayer = nullptr;
skin::SkinEngine* skinEngine = nullptr;
skin::PageStrip* pageStrip = nullptr;
HotkeyValue* hotkeyValue = nullptr;
ui::ControlWrapper* controlWrapper = nullptr;
rt::Form* mainWindow = nullptr;

namespace {

// The folder of the executable, without a trailing backslash.
std::wstring runDirectory() {
    std::wstring path = executablePath();
    path.resize(path.find_last_of(L'\\') == std::wstring::npos ? 0 : path.find_last_of(L'\\'));
    return path;
}

void loadCaptionIcon() {
    HMODULE module = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(129));
    if (!icon) icon = LoadIconW(module, L"DEFAULT_ICON");
    skinEngine->captionIcon = icon;
}

void initAtlControlHost() {
    // Hosting of ActiveX controls in the form runtime; kept loaded for the process's life.
    static HMODULE atl = LoadLibraryW(L"atl.dll");
    if (!atl) return;
    using AtlAxWinInitFn = BOOL(WINAPI*)();
    if (auto init = reinterpret_cast<AtlAxWinInitFn>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit"))))
        init();
}

void onPageSelected(int item) {
    // A press between two items reports item 0: the page shown stays (there is no page -1 to show).
    if (mainWindow && item >= 1) mainWindow->selectPage(L"高级选择夹1", item - 1);
}

void bindEvents(rt::Form& form) {
    using rt::EventKind;
    form.bind(board::kFirstSoundButton, EventKind::Click,
              [](rt::Control& source, const rt::EventArgs&) { board::onSoundButtonClicked(source); });
    form.bind(L"按钮_停止播放", EventKind::Click,
              [](rt::Control& source, const rt::EventArgs&) { board::onStopClicked(source); });
    // Custom sounds and hotkeys.
    form.bind(board::kFirstSoundButton, EventKind::RightUp,
              [](rt::Control& source, const rt::EventArgs&) { board::onSoundButtonRightUp(source); });
    form.bind(board::kStopButton, EventKind::RightUp,
              [](rt::Control& source, const rt::EventArgs&) { board::onStopRightUp(source); });
    form.bind(board::kFirstCustomButton, EventKind::Click,
              [](rt::Control& source, const rt::EventArgs&) { board::onCustomButtonClicked(source); });
    form.bind(board::kFirstCustomButton, EventKind::RightDown,
              [](rt::Control& source, const rt::EventArgs&) { board::onCustomButtonRightDown(source); });
    form.bind(board::kHotkeyLabel, EventKind::Hotkey, [&form](rt::Control&, const rt::EventArgs& args) {
        board::onHotkeyFired(form, static_cast<int>(args.wParam));
    });
    form.bind(L"滑块条1", EventKind::PositionChanged,
              [](rt::Control& source, const rt::EventArgs&) { audio::onVolumeChanged(source); });
    form.bind(L"滑块条2", EventKind::PositionChanged,
              [](rt::Control& source, const rt::EventArgs&) { ui::onTransparencyChanged(source.form()); });
    form.bind(L"组合框1", EventKind::SelectionChanged,
              [](rt::Control& source, const rt::EventArgs&) { audio::onOutputChannelChanged(source); });
    // Window behaviours and the links.
    auto onForm = [&form](void (*handler)(rt::Form&)) {
        return [&form, handler](rt::Control&, const rt::EventArgs&) { handler(form); };
    };
    auto plain = [](void (*handler)()) { return [handler](rt::Control&, const rt::EventArgs&) { handler(); }; };
    form.bind(L"时钟1", EventKind::Tick, onForm(ui::onAutoHideTick));
    form.bind(L"单选框1", EventKind::Click, onForm(ui::onTopmostOn));
    form.bind(L"单选框2", EventKind::Click, onForm(ui::onTopmostOff));
    form.bind(L"按钮3", EventKind::Click, onForm(ui::onDockLeft));
    form.bind(L"按钮4", EventKind::Click, onForm(ui::onDockRight));
    form.bind(L"按钮1", EventKind::Click, plain(maint::openShopPage));
    form.bind(L"按钮2", EventKind::Click, plain(maint::openWebSite));
    form.bind(L"图片框3", EventKind::LeftDown, [](rt::Control&, const rt::EventArgs&) { maint::openContactLink(0); });
    form.bind(L"图片框1", EventKind::LeftDown, [](rt::Control&, const rt::EventArgs&) { maint::openContactLink(1); });
}

} // namespace

const std::wstring& executablePath() {
    // The executable does not move while it runs; settings paths are built ten times a second.
    static const std::wstring path = [] {
        std::wstring p(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = GetModuleFileNameW(nullptr, p.data(), static_cast<DWORD>(p.size()));
            if (n == 0) return std::wstring();
            if (n < p.size()) {
                p.resize(n);
                return p;
            }
            p.resize(p.size() * 2);
        }
    }();
    return path;
}

std::wstring settingsFile(std::wstring_view name) { return runDirectory() + L"\\" + std::wstring(name); }

void onMainWindowCreated(rt::Form& form, audio::SystemAudioWarmUp& audioWarmUp) {
    maint::markStartup(L"controls");
    mainWindow = &form;
    bindEvents(form);

    // 1. Auto-hide check box (window behaviours).
    ui::restoreAutoHideCheckBox(form);

    // 2.–3. The default skin and control transparency (skin engine).
    skinEngine->setSkin({.image = ui::builtInSkinImage(L"0"),
                         .backgroundColour = GetSysColor(COLOR_BTNFACE),
                         .accentColour = RGB(81, 174, 81),
                         .mode = 0});
    skinEngine->setControlTransparency(true, 0);

    // 4. Transparency slider (skin choice); nothing else is done with the value here.
    ui::restoreTransparencySlider(form);

    // 5.–6. Skin the window and add the skin menu's caption button (skin engine).
    skinEngine->attachWindow(form.hwnd(), {.resizable = false});
    skinEngine->addCaptionButton(form.hwnd(), rt::resourceBytes(L"GLYPH_SKIN"), L"换皮肤", ui::showSkinMenu);

    // 7. Translucent panels, the page strip and transparent labels (skin engine).
    auto handleOf = [&form](const wchar_t* name) {
        rt::Control* c = form.find(name);
        return c ? c->hwnd() : nullptr;
    };
    skinEngine->attachContainer(handleOf(L"高级选择夹1"), {.fillColour = GetSysColor(COLOR_BTNFACE), .fillAlpha = 100});
    pageStrip->attach(handleOf(L"标签1"), {.itemWidth = 70,
                                          .itemStyle = 2,
                                          .frameStyle = 2,
                                          .radioMode = true,
                                          .colour = GetSysColor(COLOR_BTNFACE),
                                          .alpha = 0});
    for (const wchar_t* text : {L"主持人专用", L"MC喊麦专用", L"搞笑类音效", L"人物类音效", L"生活类音效", L"自定义音效"})
        pageStrip->addItem(text);
    pageStrip->setChangeHandler(onPageSelected);
    for (const wchar_t* label : {L"标签2", L"标签4", L"标签12"}) skinEngine->attachTransparentControl(handleOf(label));
    skinEngine->attachContainer(handleOf(L"分组框1"), {.fillColour = GetSysColor(COLOR_BTNFACE), .fillAlpha = 30});

    // 8. The saved skin (skin choice).
    ui::setUpSkinChoice({skinEngine, [] { pageStrip->refresh(); }});
    ui::applySavedSkin(form, SettingsStore::read(settingsFile(kSkinSettings), L"皮肤选项", L"当前皮肤", L"0"));
    maint::markStartup(L"skin");

    // 9. The program folder; the audio library is looked for in its plugins folder first.
    programDir = runDirectory() + L"\\";
    audio::setBassSearchFolder(programDir + L"plugins\\");

    // 10. Output channel: fills the list and initialises the audio library.
    audioWarmUp.wait();
    audio::fillOutputChannels(form, SettingsStore::readInt(settingsFile(kMainSettings), L"music", L"passage", L"1"));
    audioWarmUp.finish();
    maint::markStartup(L"audio");

    // 11. Volume; setting the slider from code writes nothing back.
    if (rt::Control* volume = form.find(L"滑块条1"))
        volume->setPosition(SettingsStore::readInt(settingsFile(kMainSettings), L"music", L"volume", L"100"));

    // 12. The board: routing, saved hotkeys and tooltips, custom buttons.
    board::setUpBoard(form);

    // 13. First run: the desktop shortcut (window behaviours).
    ui::createDesktopShortcut();
    maint::markStartup(L"board");
}

void onMainWindowCloseQuery(rt::Form&) {
    audioPlayer->freeStream(currentStream);
    audioPlayer->free();
}

int run() {
    maint::markStartup(L"main");
    // Sibling files left by copies that ended in the middle of a settings write.
    for (const wchar_t* name : {kMainSettings, kAutoHideSettings, kTopmostSettings, kTransparencySettings, kSkinSettings})
        removeStaleTemporaries(settingsFile(name));

    // 1. The global objects, in this order.
    auto player = std::make_unique<audio::AudioPlayer>();
    audioPlayer = player.get();
    auto engine = std::make_unique<skin::SkinEngine>();
    skinEngine = engine.get();
    auto strip = std::make_unique<skin::PageStrip>(*engine);
    pageStrip = strip.get();
    auto hotkey = std::make_unique<HotkeyValue>();
    hotkeyValue = hotkey.get();
    auto wrapper = std::make_unique<ui::ControlWrapper>();
    controlWrapper = wrapper.get();

    // 2. The exit routine runs when this scope ends, after the message loop.
    struct ExitRoutine {
        std::unique_ptr<audio::AudioPlayer>& player;
        std::unique_ptr<skin::SkinEngine>& engine;
        std::unique_ptr<skin::PageStrip>& strip;
        std::unique_ptr<HotkeyValue>& hotkey;
        std::unique_ptr<ui::ControlWrapper>& wrapper;
        ~ExitRoutine() {
            programDir.clear();
            programDir.shrink_to_fit();
            audioPlayer = nullptr;
            player.reset();
            skinEngine = nullptr;
            engine.reset(); // destroys the caption icon and shuts GDI+ down
            pageStrip = nullptr;
            strip.reset();
            hotkeyValue = nullptr;
            hotkey.reset();
            controlWrapper = nullptr;
            wrapper.reset();
        }
    } exitRoutine{player, engine, strip, hotkey, wrapper};

    // 3. Graphics and the skin engine's start values.
    skinEngine->gdiplusToken = draw::startGdiplus();
    loadCaptionIcon();
    skinEngine->firstSizePending = true;
    skinEngine->controlsTransparent = true;
    skinEngine->overlayAlpha = 160;
    skinEngine->accentColour = 0x00DDCA22;
    skinEngine->drawSliderFrame = true;
    skinEngine->glyphs = {rt::resourceBytes(L"GLYPH_HELP"),     rt::resourceBytes(L"GLYPH_MENU"),
                          rt::resourceBytes(L"GLYPH_MINIMIZE"), rt::resourceBytes(L"GLYPH_MAXIMIZE"),
                          rt::resourceBytes(L"GLYPH_RESTORE"),  rt::resourceBytes(L"GLYPH_CLOSE")};
    skinEngine->controlGlyphs = {rt::resourceBytes(L"GLYPH_CHECK_OFF"),  rt::resourceBytes(L"GLYPH_CHECK_ON"),
                                 rt::resourceBytes(L"GLYPH_ARROW_DOWN"), rt::resourceBytes(L"GLYPH_ARROW_UP"),
                                 rt::resourceBytes(L"GLYPH_ARROW_LEFT"), rt::resourceBytes(L"GLYPH_ARROW_RIGHT")};
    // The skinned window procedure reports each loss of activation: the working set is trimmed then.
    skinEngine->onDeactivated = maint::trimWorkingSet;

    // 4.
    if (!mainModule) mainModule = GetModuleHandleW(nullptr);
    childIdCounter = 500;
    initAtlControlHost();

    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX),
                             ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    maint::markStartup(L"globals");

    // Loading the system's audio driver takes a while and needs no window: it
    // runs beside the building of the window, until the output channel step.
    // (Started after the libraries above are loaded, not to hold them up.)
    audio::SystemAudioWarmUp audioWarmUp;

    // 5.–6. Load the main window, then run the message loop until it is destroyed.
    rt::Form window;
    if (!window.load(ui::mainWindowLayout(),
                     {[&audioWarmUp](rt::Form& form) { onMainWindowCreated(form, audioWarmUp); },
                      onMainWindowCloseQuery, nullptr})) {
        std::fprintf(stderr, "the main window could not be loaded (error %lu)\n", GetLastError());
        return 1;
    }
    maint::markStartup(L"shown");
    // The window and every control on it paint now, before the first input is taken: a host who
    // clicks at once clicks on the board as it looks.
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    maint::finishStartupTrace(L"painted");
    rt::Form::runMessageLoop();
    mainWindow = nullptr;
    // 7.
    return 0;
}

} // namespace app
