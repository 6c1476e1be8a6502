// The form runtime: builds a window and its controls from layout tables, keeps
// the controls by name in layout order, and delivers control events to named
// handlers, following event routes from one control to another.
#pragma once

#include "runtime/Handles.h"
#include "runtime/Layout.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

enum class EventKind {
    Click,
    LeftDown,
    RightDown,
    RightUp,
    PositionChanged,
    SelectionChanged,
    Tick,
    Hotkey,
};

class Form;

class Control {
  public:
    Control(Form& form, const ControlSpec& spec, int id) : form_(form), spec_(spec), id_(id) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    [[nodiscard]] std::wstring_view name() const { return spec_.name; }
    [[nodiscard]] ControlKind kind() const { return spec_.kind; }
    [[nodiscard]] const ControlSpec& spec() const { return spec_; }
    [[nodiscard]] HWND hwnd() const { return hwnd_; }
    [[nodiscard]] int id() const { return id_; }
    [[nodiscard]] Form& form() const { return form_; }

    [[nodiscard]] std::wstring caption() const;
    void setCaption(std::wstring_view text);
    [[nodiscard]] const std::wstring& tag() const { return tag_; }
    void setTag(std::wstring_view text) { tag_ = text; }
    [[nodiscard]] bool checked() const;
    void setChecked(bool on);
    // Track bars: setting the position from code raises no event.
    [[nodiscard]] int position() const;
    void setPosition(int pos);

  private:
    friend class Form;
    Form& form_;
    const ControlSpec& spec_;
    int id_;
    HWND hwnd_ = nullptr;
    Control* routedTo_ = nullptr;
    std::wstring tag_;
};

struct EventArgs {
    WPARAM wParam = 0; // the hotkey id for Hotkey events
    LPARAM lParam = 0;
};

using EventHandler = std::function<void(Control& source, const EventArgs& args)>;

class Form {
  public:
    struct Events {
        std::function<void(Form&)> created;    // all controls exist, the window is not yet shown
        std::function<void(Form&)> closeQuery; // before the window closes, and on WM_QUERYENDSESSION
        std::function<void(Form&)> deactivated; // the program lost activation to another application
    };

    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    ~Form();

    // Creates the window centred on the primary screen with all its controls,
    // binds the handlers, raises "created", then shows the window.
    bool load(const WindowSpec& spec, Events events, HWND owner = nullptr);

    [[nodiscard]] HWND hwnd() const { return hwnd_.get(); }
    [[nodiscard]] const WindowSpec& spec() const { return *spec_; }

    [[nodiscard]] Control* find(std::wstring_view name) const;
    // Controls whose names begin with prefix, in layout order.
    [[nodiscard]] std::vector<Control*> withPrefix(std::wstring_view prefix) const;
    [[nodiscard]] const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    void bind(std::wstring_view control, EventKind event, EventHandler handler);
    // Every event of `from` goes to the handlers of `to` from now on.
    void route(std::wstring_view from, std::wstring_view to);

    void selectPage(std::wstring_view tabControl, int page);
    // Hover text of a control; empty text removes it.
    void setTooltip(Control& control, std::wstring_view text);
    [[nodiscard]] std::wstring tooltip(const Control& control) const;
    [[nodiscard]] RECT rect() const;
    void moveTo(int left, int top);
    [[nodiscard]] bool topmost() const;
    void setTopmost(bool on);

    // Asks the window to close, as its close box does; the window goes once the current message is handled.
    void close();
    // Makes a loaded form modal: its owner takes no input, and messages are
    // pumped until the form's window is gone. Returns then.
    void runModal();

    // Runs the message loop until the last form is destroyed.
    static int runMessageLoop();

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK containerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK mouseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static void dispatch(MSG& msg);
    void releaseModalOwner();
    bool createControls();
    HWND createControl(Control& control);
    void showPageChildren(Control& tab);
    void raise(Control& source, EventKind event, const EventArgs& args = {});
    Control* byId(int id) const;
    HFONT fontFor(const FontSpec* font);

    const WindowSpec* spec_ = nullptr;
    Events events_;
    UniqueWindow hwnd_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::wstring, Control*, std::less<>> byName_;
    std::map<std::pair<Control*, EventKind>, EventHandler> handlers_;
    std::vector<std::pair<const FontSpec*, UniqueFont>> fonts_;
    HWND tooltipWindow_ = nullptr; // owned by the form's window, destroyed with it
    std::map<const Control*, std::wstring> tooltips_;
    bool closing_ = false;
    HWND modalOwner_ = nullptr; // the owner this form disabled while it is modal
};

// Message boxes with the given text, title and MB_* flags; no owner unless given.
int messageBox(std::wstring_view text, std::wstring_view title, unsigned flags, HWND owner = nullptr);

} // namespace rt
