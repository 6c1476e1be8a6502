#include "runtime/Form.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using rt::ControlKind;
using rt::ControlSpec;
using rt::EventKind;

std::vector<ControlSpec> controls() {
    std::vector<ControlSpec> c;
    c.push_back({ControlKind::PushButton, L"按钮A", 10, 10, 60, 24, L"A"});
    c.push_back({ControlKind::PushButton, L"按钮B", 80, 10, 60, 24, L"B"});
    c.push_back({ControlKind::PushButton, L"按钮C", 150, 10, 60, 24, L"C"});
    c.push_back({ControlKind::Label, L"标签D", 10, 50, 60, 24, L"D"});
    c.push_back({ControlKind::PushButton, L"键E", 80, 50, 60, 24, L"E"});
    c.push_back({ControlKind::PushButton, L"键F", 150, 50, 60, 24, L"F"});
    c.push_back({ControlKind::PushButton, L"键G", 220, 50, 60, 24, L"G"});
    ControlSpec slider{ControlKind::TrackBar, L"滑块", 10, 80, 200, 20};
    slider.rangeMax = 100;
    slider.position = 100;
    c.push_back(slider);
    ControlSpec tab{ControlKind::TabControl, L"页", 10, 110, 200, 100, L"一|二"};
    tab.pages = 2;
    c.push_back(tab);
    c.push_back({ControlKind::PushButton, L"按钮_页1", 10, 30, 60, 24, L"P1", 0, L"页", 0});
    c.push_back({ControlKind::PushButton, L"按钮_页2", 10, 30, 60, 24, L"P2", 0, L"页", 1});
    return c;
}

// The window system talks to the X server through messages; a test thread
// that never pumps them makes every window operation wait for its time-out.
void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// One window for the whole suite: without a window manager, hiding a window
// under Wine waits two seconds for a confirmation that never comes.
class FormTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        layout_ = new std::vector<ControlSpec>(controls());
        spec_ = new rt::WindowSpec{.name = L"Test", .width = 300, .height = 260, .caption = L"测试窗口",
                                   .controls = *layout_};
        form_ = new rt::Form;
        ASSERT_TRUE(form_->load(*spec_, {}));
        pump();
    }
    static void TearDownTestSuite() {
        delete form_;
        delete spec_;
        delete layout_;
    }
    void TearDown() override { pump(); }
    static void click(const wchar_t* name) { SendMessageW(form_->find(name)->hwnd(), BM_CLICK, 0, 0); }

    static inline std::vector<ControlSpec>* layout_ = nullptr;
    static inline rt::WindowSpec* spec_ = nullptr;
    static inline rt::Form* form_ = nullptr;
};

TEST_F(FormTest, RoutedEventsReachTheTargetsHandlerWithTheRaisingControl) {
    std::vector<std::wstring> calls;
    auto record = [&calls](const wchar_t* handler) {
        return [&calls, handler](rt::Control& source, const rt::EventArgs&) {
            calls.push_back(std::wstring(handler) + L"<-" + std::wstring(source.name()));
        };
    };
    form_->bind(L"按钮A", EventKind::Click, record(L"A"));
    form_->bind(L"按钮C", EventKind::Click, record(L"C"));
    form_->route(L"按钮A", L"按钮B"); // A's own binding is no longer consulted
    form_->route(L"按钮B", L"按钮C"); // chains are followed
    click(L"按钮A");
    click(L"按钮B");
    click(L"按钮C");
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"C<-按钮A", L"C<-按钮B", L"C<-按钮C"}));
}

TEST_F(FormTest, ARouteToAnotherKindOfControlEndsTheChain) {
    int calls = 0;
    form_->bind(L"键E", EventKind::Click, [&calls](rt::Control&, const rt::EventArgs&) { ++calls; });
    form_->route(L"键E", L"标签D");
    click(L"键E");
    EXPECT_EQ(calls, 1);
}

TEST_F(FormTest, NoHandlerAtTheEndOfARouteMeansNothingHappens) {
    int calls = 0;
    form_->bind(L"键F", EventKind::Click, [&calls](rt::Control&, const rt::EventArgs&) { ++calls; });
    form_->route(L"键F", L"键G");
    click(L"键F");
    EXPECT_EQ(calls, 0);
}

TEST_F(FormTest, SettingASliderFromCodeRaisesNoEvent) {
    int calls = 0;
    form_->bind(L"滑块", EventKind::PositionChanged, [&calls](rt::Control&, const rt::EventArgs&) { ++calls; });
    rt::Control* slider = form_->find(L"滑块");
    slider->setPosition(30);
    EXPECT_EQ(slider->position(), 30);
    slider->setPosition(250); // clamped by the slider
    EXPECT_EQ(slider->position(), 100);
    EXPECT_EQ(calls, 0);
}

TEST_F(FormTest, PrefixEnumerationFollowsLayoutOrderAndPagesShowTheirOwnControls) {
    std::vector<std::wstring> names;
    for (rt::Control* c : form_->withPrefix(L"按钮")) names.emplace_back(c->name());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"按钮A", L"按钮B", L"按钮C", L"按钮_页1", L"按钮_页2"}));
    form_->selectPage(L"页", 0);
    EXPECT_TRUE(IsWindowVisible(form_->find(L"按钮_页1")->hwnd()));
    EXPECT_FALSE(IsWindowVisible(form_->find(L"按钮_页2")->hwnd()));
    form_->selectPage(L"页", 1);
    EXPECT_FALSE(IsWindowVisible(form_->find(L"按钮_页1")->hwnd()));
    EXPECT_TRUE(IsWindowVisible(form_->find(L"按钮_页2")->hwnd()));
}

TEST_F(FormTest, CaptionsTagsAndCheckStatesAreKept) {
    rt::Control* a = form_->find(L"键G");
    a->setCaption(L"新的名字");
    a->setTag(L"33001,65,3");
    EXPECT_EQ(a->caption(), L"新的名字");
    EXPECT_EQ(a->tag(), L"33001,65,3");
    form_->setTooltip(*a, L"快捷键:Ctrl + A");
    EXPECT_EQ(form_->tooltip(*a), L"快捷键:Ctrl + A");
    form_->setTooltip(*a, L"");
    EXPECT_EQ(form_->tooltip(*a), L"");
}

} // namespace
