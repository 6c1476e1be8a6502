// Modal helpers of the form runtime: the text input box, the file-open dialog
// and popup menus.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// A modal box with a prompt, one edit field and OK/Cancel. Returns the text,
// or nothing when the user cancels.
std::optional<std::wstring> inputBox(HWND owner, std::wstring_view prompt, std::wstring_view title,
                                     std::wstring_view initial = {});

// The system's file-open dialog. filter: "description|patterns|description|patterns".
// Returns the chosen full path, or nothing when the user cancels.
std::optional<std::wstring> openFileDialog(HWND owner, std::wstring_view title, std::wstring_view filter,
                                           std::wstring_view initialFolder);

// A popup menu of checkable entries with click handlers.
class PopupMenu {
  public:
    struct Entry {
        std::wstring text;
        std::function<void()> onClick;
        bool checked = false;
    };

    void add(std::wstring text, std::function<void()> onClick);
    [[nodiscard]] size_t size() const { return entries_.size(); }
    [[nodiscard]] bool checked(size_t index) const { return index < entries_.size() && entries_[index].checked; }
    void setChecked(size_t index, bool on);
    void setHandler(size_t index, std::function<void()> onClick);
    [[nodiscard]] const std::wstring& text(size_t index) const { return entries_.at(index).text; }
    // Shows the menu at a screen point, runs the chosen entry's handler; returns its index or -1.
    int show(HWND owner, POINT screenPoint);

  private:
    std::vector<Entry> entries_;
};

} // namespace rt
