// SettingsStore against the real file system and the system's own
// private-profile functions. Comparisons with GetPrivateProfileStringA and
// WritePrivateProfileStringA only mean something when the ANSI code page is 936;
// elsewhere those cases are skipped and ours must still write GBK.
#include "app/SettingsStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/gbk_codec.h"
#include "app/ini_cases.h"
#include "runtime/Handles.h"

namespace app {
namespace {

using app::testing::showBytes;

std::wstring wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
std::u16string u16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}
std::string gbk(std::u16string_view text) {
    return gbkEncode(text);
}

bool systemIsGbk() {
    return GetACP() == 936;
}

// A fresh folder per test, removed with everything in it afterwards.
class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        static int counter = 0;
        dir_ = std::wstring(temp) + L"sb设置测试" + std::to_wstring(GetCurrentProcessId()) + L"_" +
               std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
        file_ = dir_ + L"\\配置.ini";
    }
    void TearDown() override { removeTree(dir_); }

    static void removeTree(const std::wstring& dir) {
        WIN32_FIND_DATAW data;
        rt::UniqueFind find(FindFirstFileW((dir + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = dir + L"\\" + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removeTree(path);
                } else {
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find.get(), &data));
        }
        find.reset();
        RemoveDirectoryW(dir.c_str());
    }

    void put(std::string_view bytes) const { put(file_, bytes); }
    static void put(const std::wstring& path, std::string_view bytes) {
        rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    std::string contents() const { return contents(file_); }
    static std::string contents(const std::wstring& path) {
        rt::UniqueFile file(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) return "<missing>";
        std::string bytes;
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        return bytes;
    }
    bool exists() const { return GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }
    // The ANSI path of the file for the system's A functions (code page 936).
    std::string ansiFile() const { return gbk(u16(file_)); }

    std::wstring dir_;
    std::wstring file_;
};

TEST(GbkCodecOnWindows, DecodeMatchesMultiByteToWideChar936ForEveryCode) {
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t out[2] = {};
        const int n = MultiByteToWideChar(936, 0, &in, 1, out, 2);
        const std::u16string ours = gbkDecode(std::string_view(&in, 1));
        if (byte >= 0x81 && byte <= 0xFE) {
            // A lone lead byte: the system gives '?', we keep it as an escape.
            EXPECT_EQ(ours, std::u16string(1, static_cast<char16_t>(0xDC00 + byte)));
            continue;
        }
        ASSERT_EQ(n, 1) << byte;
        EXPECT_EQ(ours, std::u16string(1, static_cast<char16_t>(out[0]))) << std::hex << byte;
    }
    int compared = 0;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            wchar_t out[2] = {};
            ASSERT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, in, 2, out, 2), 1)
                << std::hex << lead << trail;
            ASSERT_EQ(gbkDecode(std::string_view(in, 2)), std::u16string(1, static_cast<char16_t>(out[0])))
                << std::hex << lead << trail;
            ++compared;
        }
    }
    EXPECT_EQ(compared, 23940);
}

TEST(GbkCodecOnWindows, EncodeMatchesWideCharToMultiByte936WithoutBestFit) {
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const wchar_t in = static_cast<wchar_t>(unit);
        char out[4] = {};
        BOOL defaulted = FALSE;
        const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &in, 1, out, 4, nullptr, &defaulted);
        const char16_t ours16 = static_cast<char16_t>(unit);
        ASSERT_EQ(gbkEncode(std::u16string_view(&ours16, 1)), std::string(out, n)) << std::hex << unit;
        ASSERT_EQ(gbkCanEncode(std::u16string_view(&ours16, 1)), !defaulted) << std::hex << unit;
    }
}

TEST_F(SettingsStoreTest, ReadCasesAgreeWithTheSystem) {
    for (const testing::IniReadCase& c : testing::kIniReadCases) {
        SCOPED_TRACE(c.name);
        put(c.file);
        EXPECT_EQ(SettingsStore::read(file_, wide(c.section), wide(c.key), wide(c.def)), wide(c.expected));
        if (!systemIsGbk() || !c.systemAgrees) continue;
        char buffer[10240];
        const DWORD n =
            GetPrivateProfileStringA(gbk(c.section).c_str(), gbk(c.key).c_str(), gbk(c.def).c_str(), buffer,
                                     sizeof buffer, ansiFile().c_str());
        EXPECT_EQ(showBytes(std::string(buffer, n)), showBytes(gbk(c.expected))) << "system";
    }
}

TEST_F(SettingsStoreTest, WriteCasesAgreeWithTheSystem) {
    for (const testing::IniWriteCase& c : testing::kIniWriteCases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(file_.c_str());
        if (!c.before.empty()) put(c.before);
        const std::wstring value = c.value ? wide(c.value) : std::wstring();
        EXPECT_TRUE(
            SettingsStore::write(file_, wide(c.section), wide(c.key), c.value ? value.c_str() : nullptr));
        EXPECT_EQ(showBytes(contents()), showBytes(c.after));
        if (!systemIsGbk() || !c.systemAgrees) continue;
        DeleteFileW(file_.c_str());
        if (!c.before.empty()) put(c.before);
        EXPECT_TRUE(WritePrivateProfileStringA(gbk(c.section).c_str(), gbk(c.key).c_str(),
                                               c.value ? gbk(c.value).c_str() : nullptr, ansiFile().c_str()));
        EXPECT_EQ(showBytes(contents()), showBytes(c.after)) << "system";
    }
}

// The program's own keys, as a session of use would write them.
struct Entry {
    const wchar_t* file;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value; // nullptr: deleted afterwards
};
const Entry kProgramEntries[] = {
    {L"xnKxConfig.ini", L"music", L"passage", L"2"},
    {L"xnKxConfig.ini", L"music", L"volume", L"35"},
    {L"xnKxConfig.ini", L"music", L"file1", L"C:\\音效\\掌声 欢呼.mp3"},
    {L"xnKxConfig.ini", L"music", L"name1", L"开场音乐"},
    {L"xnKxConfig.ini", L"hotkey", L"btn17", L"65,3"},
    {L"xnKxConfig.ini", L"hotkey", L"btn_stop", L"83,1"},
    {L"xnKxConfig.ini", L"hotkey", L"btn18", nullptr},
    {L"xnKxConfig.ini", L"init", L"writeFile", L"1"},
    {L"配置.ini", L"配置", L"选择框选中", L"真"},
    {L"配置1.ini", L"配置", L"单选框选中", L"假"},
    {L"skin.ini", L"背景色", L"透明度", L"128"},
    {L"ski.ini", L"皮肤选项", L"当前皮肤", L"D:\\图片\\百合.jpg"},
};

TEST_F(SettingsStoreTest, FilesWrittenByTheSystemReadBackByOurs) {
    if (!systemIsGbk()) GTEST_SKIP() << "the system's ANSI functions speak GBK only under code page 936";
    for (const Entry& e : kProgramEntries) {
        const std::string path = gbk(u16(dir_ + L"\\" + e.file));
        ASSERT_TRUE(WritePrivateProfileStringA(gbk(u16(e.section)).c_str(), gbk(u16(e.key)).c_str(), "x",
                                               path.c_str()));
        ASSERT_TRUE(WritePrivateProfileStringA(gbk(u16(e.section)).c_str(), gbk(u16(e.key)).c_str(),
                                               e.value ? gbk(u16(e.value)).c_str() : nullptr, path.c_str()));
    }
    for (const Entry& e : kProgramEntries) {
        SCOPED_TRACE(showBytes(gbk(u16(e.key))));
        EXPECT_EQ(SettingsStore::read(dir_ + L"\\" + e.file, e.section, e.key, L"absent"),
                  e.value ? e.value : L"absent");
    }
}

TEST_F(SettingsStoreTest, FilesWrittenByOursReadBackByTheSystem) {
    for (const Entry& e : kProgramEntries) {
        ASSERT_TRUE(SettingsStore::write(dir_ + L"\\" + e.file, e.section, e.key, L"x"));
        ASSERT_TRUE(SettingsStore::write(dir_ + L"\\" + e.file, e.section, e.key, e.value));
    }
    // Whatever the code page, the bytes on disk are GBK.
    EXPECT_EQ(contents(dir_ + L"\\配置.ini"),
              "[\xC5\xE4\xD6\xC3]\r\n\xD1\xA1\xD4\xF1\xBF\xF2\xD1\xA1\xD6\xD0=\xD5\xE6\r\n");
    if (!systemIsGbk()) GTEST_SKIP() << "the system's ANSI functions speak GBK only under code page 936";
    for (const Entry& e : kProgramEntries) {
        SCOPED_TRACE(showBytes(gbk(u16(e.key))));
        char buffer[10240];
        const DWORD n =
            GetPrivateProfileStringA(gbk(u16(e.section)).c_str(), gbk(u16(e.key)).c_str(), "absent", buffer,
                                     sizeof buffer, gbk(u16(dir_ + L"\\" + e.file)).c_str());
        EXPECT_EQ(std::string(buffer, n), e.value ? gbk(u16(e.value)) : "absent");
    }
}

TEST_F(SettingsStoreTest, LeadingControlCharactersAndSpacesAreSkippedInNames) {
    put("[music]\r\nvolume=35\r\n");
    EXPECT_EQ(SettingsStore::read(L" \t" + file_, L"\x01 music", L"\t\x1F volume", L"100"), L"35");
    EXPECT_TRUE(SettingsStore::write(L"  " + file_, L"\tmusic", L"\x02 passage", L"3"));
    EXPECT_EQ(contents(), "[music]\r\nvolume=35\r\npassage=3\r\n");
    EXPECT_EQ(SettingsStore::readInt(file_, L"music", L"  passage", L"1"), 3);
}

TEST_F(SettingsStoreTest, EmptyNamesReadEmptyAndTouchNothing) {
    const std::wstring missing = dir_ + L"\\none.ini";
    struct Case {
        std::wstring file, section, key;
    };
    const Case cases[] = {
        {L"", L"a", L"k"}, {L" \t\r\n", L"a", L"k"}, {missing, L"  ", L"k"}, {missing, L"a", L"\x01\x20"}};
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsStore::read(c.file, c.section, c.key, L"default"), L"");
        EXPECT_FALSE(SettingsStore::write(c.file, c.section, c.key, L"v"));
    }
    EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsStoreTest, MissingFileGivesDefaultsAndOnlyAWriteCreatesIt) {
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"passage", L"1"), L"1");
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"file1"), L"");
    EXPECT_EQ(SettingsStore::readInt(file_, L"music", L"volume", L"100"), 100);
    EXPECT_TRUE(SettingsStore::write(file_, L"hotkey", L"btn1", nullptr));
    EXPECT_FALSE(exists());
    EXPECT_TRUE(SettingsStore::write(file_, L"music", L"volume", L"0"));
    EXPECT_EQ(SettingsStore::readInt(file_, L"music", L"volume", L"100"), 0);
    // Non-numbers read as 0.
    EXPECT_TRUE(SettingsStore::write(file_, L"music", L"passage", L"abc"));
    EXPECT_EQ(SettingsStore::readInt(file_, L"music", L"passage", L"1"), 0);
}

TEST_F(SettingsStoreTest, EveryReadGoesToTheFile) {
    EXPECT_TRUE(SettingsStore::write(file_, L"music", L"volume", L"10"));
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"volume"), L"10");
    put("[music]\r\nvolume=20\r\n"); // another program changes the file
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"volume"), L"20");
}

// Reads reuse the last parse of an unchanged file; every way another program can
// change it, however soon after the last read and whatever the size, is seen.
TEST_F(SettingsStoreTest, EveryChangeByAnotherProgramIsSeenAtTheNextRead) {
    const std::wstring other = dir_ + L"\\other.ini";
    struct Change {
        const char* name;
        void (*apply)(const std::wstring& file, const std::wstring& other, const std::string& bytes);
    };
    const Change changes[] = {
        {"rewritten in place",
         [](const std::wstring& file, const std::wstring&, const std::string& bytes) { put(file, bytes); }},
        {"replaced by another file",
         [](const std::wstring& file, const std::wstring& spare, const std::string& bytes) {
             put(spare, bytes);
             ASSERT_TRUE(MoveFileExW(spare.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING));
         }},
        {"deleted and made again",
         [](const std::wstring& file, const std::wstring&, const std::string& bytes) {
             ASSERT_TRUE(DeleteFileW(file.c_str()));
             put(file, bytes);
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        for (int round = 10; round < 40; ++round) {
            // Same size every time, and long or short as the round goes.
            const std::string padding(round % 3 == 0 ? 200000 : 0, ';');
            change.apply(file_, other, padding + "\r\n[music]\r\nvolume=" + std::to_string(round) + "\r\n");
            ASSERT_EQ(SettingsStore::read(file_, L"music", L"volume"), std::to_wstring(round)) << round;
            ASSERT_EQ(SettingsStore::read(file_, L"music", L"volume"), std::to_wstring(round)) << round;
            ASSERT_TRUE(SettingsStore::write(file_, L"music", L"passage", std::to_wstring(round).c_str()));
            EXPECT_EQ(SettingsStore::read(file_, L"music", L"passage"), std::to_wstring(round));
        }
    }
    DeleteFileW(file_.c_str());
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"volume", L"gone"), L"gone");
}

// A process started suspended stands for a running copy; one that has ended, for
// a copy that was killed.
class ChildProcess {
  public:
    ChildProcess() {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                            CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info))
            return;
        process_.reset(info.hProcess);
        rt::UniqueKernelHandle thread(info.hThread);
        id_ = info.dwProcessId;
    }
    ~ChildProcess() { end(); }
    DWORD id() const { return id_; }
    void end() {
        if (!process_) return;
        TerminateProcess(process_.get(), 0);
        WaitForSingleObject(process_.get(), INFINITE);
    }

  private:
    rt::UniqueKernelHandle process_;
    DWORD id_ = 0;
};

TEST_F(SettingsStoreTest, StaleTemporariesGoAndThoseOfRunningCopiesStay) {
    ChildProcess running, ended;
    ASSERT_NE(running.id(), 0u);
    ASSERT_NE(ended.id(), 0u);
    ended.end();
    const std::wstring base = file_ + L".";
    const std::wstring own = base + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    struct Case {
        std::wstring path;
        bool stays;
    };
    const Case cases[] = {
        {base + std::to_wstring(ended.id()) + L".tmp", false},
        {base + L"4294967291.tmp", false},
        {own, false},
        {base + std::to_wstring(running.id()) + L".tmp", true},
        {base + L"12x.tmp", true},
        {base + L".tmp", true},
        {base + L"99999999999.tmp", true},
        {base + std::to_wstring(ended.id()) + L".tmp.bak", true},
        {dir_ + L"\\skin.ini." + std::to_wstring(ended.id()) + L".tmp", true},
    };
    for (const Case& c : cases)
        put(c.path, "half a file");
    // A temporary still being written cannot go, whoever seems to own it.
    const std::wstring busy = base + L"4294967287.tmp";
    put(busy, "being written");
    rt::UniqueFile writing(CreateFileW(busy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writing);

    removeStaleTemporaries(L" " + file_);
    for (const Case& c : cases) {
        EXPECT_EQ(GetFileAttributesW(c.path.c_str()) != INVALID_FILE_ATTRIBUTES, c.stays)
            << std::string(c.path.begin(), c.path.end());
    }
    EXPECT_NE(GetFileAttributesW(busy.c_str()), INVALID_FILE_ATTRIBUTES);
    writing.reset();
    removeStaleTemporaries(file_);
    EXPECT_EQ(GetFileAttributesW(busy.c_str()), INVALID_FILE_ATTRIBUTES);
}

// The lock through which copies take turns never holds a write up for good: a
// copy that died holding it abandons it, and one that hangs holding it is
// waited for only briefly.
TEST_F(SettingsStoreTest, AWriteGoesThroughWhenTheLockHolderDiedOrHangs) {
    put("[music]\r\nvolume=1\r\n");
    // Every spelling of the path names the same lock.
    const std::wstring lock = settingsLockName(file_);
    std::wstring spelled = file_;
    for (wchar_t& c : spelled)
        if (c == L'\\') c = L'/';
    EXPECT_EQ(settingsLockName(spelled), lock);
    EXPECT_EQ(settingsLockName(dir_ + L"\\\\.\\配置.INI"), lock);
    EXPECT_NE(settingsLockName(dir_ + L"\\skin.ini"), lock);

    struct Holder {
        std::wstring name;
        HANDLE taken = nullptr;   // signalled once the mutex is held
        HANDLE release = nullptr; // nullptr: end the thread holding the mutex
    };
    const auto holdLock = [](void* p) -> DWORD {
        auto* h = static_cast<Holder*>(p);
        HANDLE mutex = CreateMutexW(nullptr, TRUE, h->name.c_str());
        SetEvent(h->taken);
        if (h->release) WaitForSingleObject(h->release, INFINITE);
        if (h->release) ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    };
    for (const bool dies : {true, false}) {
        SCOPED_TRACE(dies ? "holder died" : "holder hangs");
        rt::UniqueKernelHandle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        rt::UniqueKernelHandle release(dies ? nullptr : CreateEventW(nullptr, TRUE, FALSE, nullptr));
        Holder holder{lock, taken.get(), release.get()};
        rt::UniqueKernelHandle thread(CreateThread(nullptr, 0, holdLock, &holder, 0, nullptr));
        ASSERT_TRUE(thread);
        ASSERT_EQ(WaitForSingleObject(taken.get(), 10000), WAIT_OBJECT_0);
        if (dies) {
            ASSERT_EQ(WaitForSingleObject(thread.get(), 10000), WAIT_OBJECT_0);
        }
        const std::wstring value = dies ? L"2" : L"3";
        EXPECT_TRUE(SettingsStore::write(file_, L"music", L"volume", value.c_str()));
        EXPECT_EQ(contents(), "[music]\r\nvolume=" + std::string(value.begin(), value.end()) + "\r\n");
        if (release) SetEvent(release.get());
        WaitForSingleObject(thread.get(), 10000);
    }
}

TEST_F(SettingsStoreTest, TenThousandCharacterValues) {
    std::wstring value;
    for (int i = 0; i < 10000; ++i)
        value += i % 3 == 0 ? L'真' : static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(SettingsStore::write(file_, L"music", L"name1", value.c_str()));
    // 13 334 GBK bytes: the read buffer keeps what fits in 10239 bytes.
    const std::wstring back = SettingsStore::read(file_, L"music", L"name1");
    EXPECT_EQ(back, value.substr(0, back.size()));
    const std::size_t backBytes = gbkEncode(u16(back)).size();
    EXPECT_LE(backBytes, 10239u);
    EXPECT_GE(backBytes, 10238u); // one byte short only when a double-byte character would be split
    const std::wstring ascii(10000, L'x');
    ASSERT_TRUE(SettingsStore::write(file_, L"music", L"name2", ascii.c_str()));
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"name2"), ascii);
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"name1"), back);
}

TEST_F(SettingsStoreTest, GarbageFilesReadAsDefaultsAndKeepTheirBytes) {
    std::mt19937 random(10000);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(random() % 4000, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 256);
        if (round % 2 == 0) bytes.insert(bytes.size() / 2, "\r\n[music]\r\nvolume=77\r\n");
        put(bytes);
        const std::wstring volume = SettingsStore::read(file_, L"sb_absent", L"volume", L"100");
        EXPECT_EQ(volume, L"100");
        ASSERT_TRUE(SettingsStore::write(file_, L"sb_new", L"k", L"v"));
        EXPECT_EQ(contents().substr(0, bytes.size()), bytes) << round;
        EXPECT_EQ(SettingsStore::read(file_, L"sb_new", L"k"), L"v");
    }
}

TEST_F(SettingsStoreTest, HugeFileIsLeftAloneAndReadsAsDefaults) {
    std::string huge = "[music]\r\nvolume=5\r\n";
    huge.resize(20 * 1024 * 1024, 'z');
    put(huge);
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"volume", L"100"), L"100");
    EXPECT_FALSE(SettingsStore::write(file_, L"music", L"volume", L"6"));
    EXPECT_EQ(contents().size(), huge.size());
}

TEST_F(SettingsStoreTest, WritesThatCannotHappenFailSilently) {
    // A folder that does not exist (the store never creates folders).
    EXPECT_FALSE(SettingsStore::write(dir_ + L"\\no such folder\\x.ini", L"a", L"k", L"v"));
    // A read-only file keeps its contents.
    put("[a]\r\nk=1\r\n");
    ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SettingsStore::write(file_, L"a", L"k", L"2"));
    EXPECT_EQ(SettingsStore::read(file_, L"a", L"k"), L"1");
    SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A folder that refuses new files: under Wine, /proc on the Z: drive.
    if (GetFileAttributesW(L"Z:\\proc\\self") != INVALID_FILE_ATTRIBUTES) {
        EXPECT_FALSE(SettingsStore::write(L"Z:\\proc\\sb_settings.ini", L"music", L"volume", L"5"));
        EXPECT_EQ(SettingsStore::read(L"Z:\\proc\\sb_settings.ini", L"music", L"volume", L"100"), L"100");
    }
    // A path that names a folder.
    EXPECT_FALSE(SettingsStore::write(dir_, L"a", L"k", L"v"));
    EXPECT_EQ(SettingsStore::read(dir_, L"a", L"k", L"d"), L"d");
}

TEST_F(SettingsStoreTest, FileHeldOpenByAnotherProgramIsStillReadAndWritten) {
    put("[a]\r\nk=1\r\n");
    // An editor holding the file open, sharing reads and writes but not deletes,
    // so the file cannot be replaced and is rewritten in place instead.
    rt::UniqueFile other(CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(SettingsStore::read(file_, L"a", L"k"), L"1");
    EXPECT_TRUE(SettingsStore::write(file_, L"a", L"k", L"2"));
    EXPECT_EQ(SettingsStore::read(file_, L"a", L"k"), L"2");
    EXPECT_EQ(contents(), "[a]\r\nk=2\r\n");
}

TEST_F(SettingsStoreTest, NoTemporaryFileIsLeftBehind) {
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(SettingsStore::write(file_, L"music", L"volume", std::to_wstring(i).c_str()));
    int files = 0;
    WIN32_FIND_DATAW data;
    rt::UniqueFind find(FindFirstFileW((dir_ + L"\\*").c_str(), &data));
    ASSERT_TRUE(find);
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(find.get(), &data));
    EXPECT_EQ(files, 1);
}

TEST_F(SettingsStoreTest, StorablePathUsesTheShortFormOnlyWhenGbkCannotHoldThePath) {
    const std::wstring gbkPath = dir_ + L"\\掌声 欢呼.mp3";
    put(gbkPath, "x");
    EXPECT_EQ(storablePath(gbkPath), gbkPath);
    const std::wstring foreign = dir_ + L"\\Ærø sound.mp3";
    put(foreign, "y");
    const std::wstring stored = storablePath(foreign);
    EXPECT_NE(stored, foreign);
    EXPECT_TRUE(gbkCanEncode(u16(stored)));
    EXPECT_EQ(contents(stored), "y"); // the same file
    // The stored path survives the settings file.
    ASSERT_TRUE(SettingsStore::write(file_, L"music", L"file1", stored.c_str()));
    EXPECT_EQ(SettingsStore::read(file_, L"music", L"file1"), stored);
    // A path that does not exist cannot be shortened and stays as it is.
    const std::wstring gone = dir_ + L"\\Ærø gone.mp3";
    EXPECT_EQ(storablePath(gone), gone);
}

} // namespace
} // namespace app
