#include "skin/PageStrip.h"

namespace skin {

bool PageStrip::attach(HWND label, const Style& style) {
    label_ = label;
    style_ = style;
    return label_ != nullptr;
}

void PageStrip::addItem(std::wstring_view text) { items_.emplace_back(text); }

void PageStrip::setChangeHandler(std::function<void(int)> handler) { onChange_ = std::move(handler); }

} // namespace skin
