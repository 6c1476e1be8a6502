#include "app/StoredPath.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(StoredPath, PathsTheSettingsCanHoldAndOnesTheyCannot) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = temp;
    EXPECT_EQ(pathForSettings(dir + L"皮肤 图片.jpg"), dir + L"皮肤 图片.jpg");
    // A file that exists but GBK cannot name is kept in its short form, which names the same file.
    const std::wstring foreign = dir + L"Ærø skin.jpg";
    HANDLE f = CreateFileW(foreign.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    const auto stored = pathForSettings(foreign);
    ASSERT_TRUE(stored);
    EXPECT_NE(*stored, foreign);
    EXPECT_NE(GetFileAttributesW(stored->c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(foreign.c_str());
    // No file, so no short form: nothing the settings could hold.
    EXPECT_FALSE(pathForSettings(dir + L"Ærø gone.jpg"));
}

} // namespace
} // namespace app
