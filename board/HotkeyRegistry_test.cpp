// The registry against the system's own RegisterHotKey, under Wine.
#include "board/Hotkeys.h"

#include <gtest/gtest.h>

namespace board {
namespace {

constexpr int kCtrlShiftAlt = 7;

// Wine's window system answers through messages; an unpumped thread waits for time-outs.
void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}
constexpr int kF13 = 0x7C, kF14 = 0x7D;

class HotkeyRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = CreateWindowExW(0, L"STATIC", L"hotkeys", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        pump();
    }
    void TearDown() override {
        DestroyWindow(window_);
        pump();
    }
    HWND window_ = nullptr;
};

TEST_F(HotkeyRegistryTest, IdsRiseByOnePerAttemptAcrossFailures) {
    HotkeyRegistry registry;
    EXPECT_FALSE(registry.handedOut(HotkeyRegistry::kFirstId));
    const int first = registry.registerHotkey(window_, window_, kCtrlShiftAlt, kF13);
    ASSERT_EQ(first, HotkeyRegistry::kFirstId);
    // The same combination again is refused, three times; each attempt uses up an id.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(registry.registerHotkey(window_, window_, kCtrlShiftAlt, kF13), 0);
    EXPECT_EQ(registry.registerHotkey(window_, window_, kCtrlShiftAlt, kF14), first + 4);
    EXPECT_TRUE(registry.handedOut(first + 3));
    EXPECT_FALSE(registry.handedOut(first + 5));
    // Released, the combination can be had again, under a new id.
    registry.unregisterHotkey(window_, first);
    EXPECT_EQ(registry.registerHotkey(window_, window_, kCtrlShiftAlt, kF13), first + 5);
    registry.unregisterHotkey(window_, first + 4);
    registry.unregisterHotkey(window_, first + 5);
}

TEST_F(HotkeyRegistryTest, RegistersWithTheSystemModifierFlags) {
    HotkeyRegistry registry;
    // Registered as Alt+F13 (MOD_ALT), the combination is then taken for a direct registration.
    const int id = registry.registerHotkey(window_, window_, 4, kF13);
    ASSERT_NE(id, 0);
    EXPECT_FALSE(RegisterHotKey(window_, 1, MOD_ALT, kF13));
    EXPECT_TRUE(RegisterHotKey(window_, 2, MOD_CONTROL, kF13));
    UnregisterHotKey(window_, 2);
    registry.unregisterHotkey(window_, id);
    EXPECT_TRUE(RegisterHotKey(window_, 3, MOD_ALT, kF13));
    UnregisterHotKey(window_, 3);
}

} // namespace
} // namespace board
