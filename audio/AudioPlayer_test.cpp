// AudioPlayer against the real bass.dll from the program folder, on the
// library's no-sound device.
#include "audio/AudioPlayer.h"

#include "audio/BassLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace {

// A 16-bit mono WAV of `frames` samples at 8 kHz.
std::vector<std::byte> wavBytes(uint32_t frames) {
    std::vector<std::byte> b(44 + frames * 2);
    auto put = [&](size_t at, const void* p, size_t n) { std::memcpy(b.data() + at, p, n); };
    auto put32 = [&](size_t at, uint32_t v) { put(at, &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { put(at, &v, 2); };
    put(0, "RIFF", 4);
    put32(4, uint32_t(b.size() - 8));
    put(8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, 8000);
    put32(28, 16000);
    put16(32, 2);
    put16(34, 16);
    put(36, "data", 4);
    put32(40, frames * 2);
    for (uint32_t i = 0; i < frames; ++i)
        put16(44 + i * 2, uint16_t((i * 37) & 0x3FFF));
    return b;
}

class AudioPlayerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        std::wstring dist = L"Z:" SB_TEST_DIST_DIR L"/plugins";
        for (auto& c : dist)
            if (c == L'/') c = L'\\';
        audio::setBassSearchFolder(dist);
    }

    void SetUp() override { ASSERT_TRUE(player.init(0)); }
    void TearDown() override { player.free(); }

    std::wstring writeFile(const wchar_t* name, const std::vector<std::byte>& bytes) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        std::wstring path = std::wstring(dir) + name;
        std::ofstream(path.c_str(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        files.push_back(path);
        return path;
    }

    ~AudioPlayerTest() override {
        for (const auto& f : files)
            DeleteFileW(f.c_str());
    }

    audio::AudioPlayer player;
    std::vector<std::wstring> files;
};

TEST_F(AudioPlayerTest, CreateStreamFollowsTheSourceOrder) {
    const auto fileClip = wavBytes(800);
    const auto memoryClip = wavBytes(1600);
    const std::wstring path = writeFile(L"播放器 测试.wav", fileClip);

    EXPECT_EQ(player.createStream(L""), 0u);
    EXPECT_EQ(player.createStream(L"Z:\\no\\such\\clip.mp3"), 0u);

    // An existing file wins over a memory block.
    auto h = player.createStream(path, memoryClip);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(player.getLength(h), 1600u);
    EXPECT_TRUE(player.freeStream(h));

    // A missing file falls through to the memory block.
    h = player.createStream(L"Z:\\no\\such\\clip.mp3", memoryClip);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(player.getLength(h), 3200u);
    EXPECT_TRUE(player.freeStream(h));

    // A URL is the last resort, and the library has no network streams.
    EXPECT_EQ(player.createStream(L"Z:\\no\\such\\clip.mp3", {}, L"http://example.com/a.mp3"), 0u);
}

TEST_F(AudioPlayerTest, OperationsReachTheLibrary) {
    const std::wstring path = writeFile(L"ops.wav", wavBytes(8000));
    const auto h = player.createStream(path);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(player.play(0));
    EXPECT_TRUE(player.setStreamVolume(h, 0.25f));
    float volume = 0;
    EXPECT_TRUE(player.getStreamVolume(h, volume));
    EXPECT_FLOAT_EQ(volume, 0.25f);
    EXPECT_TRUE(player.setPosition(h, 4000));
    EXPECT_EQ(player.getPosition(h), 4000u);
    EXPECT_DOUBLE_EQ(player.bytesToSeconds(h, 16000), 1.0);
    EXPECT_EQ(player.secondsToBytes(h, 0.5), 8000u);
    EXPECT_TRUE(player.play(h));
    EXPECT_EQ(player.isActive(h), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(player.pause(h));
    EXPECT_EQ(player.isActive(h), BASS_ACTIVE_PAUSED);
    EXPECT_TRUE(player.stop(h));
    EXPECT_EQ(player.isActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(player.getTags(h), "");

    std::array<float, 128> fft;
    fft.fill(7.0f);
    EXPECT_EQ(player.getFftData(h, fft), 512);
    EXPECT_TRUE(player.freeStream(h));
    fft.fill(7.0f);
    EXPECT_EQ(player.getFftData(h, fft), -1);
    EXPECT_EQ(fft[0], 0.0f); // replaced by the zeroed buffer
    EXPECT_FALSE(player.freeStream(0));

    EXPECT_TRUE(player.setMasterVolume(0.5f));
    EXPECT_FLOAT_EQ(player.getMasterVolume(), 0.5f);
    EXPECT_TRUE(player.setMasterVolume(1.0f));
}

TEST_F(AudioPlayerTest, InitAfterFreeMovesToAnotherDevice) {
    player.free();
    EXPECT_TRUE(player.init(0));
    EXPECT_FALSE(player.init(0)); // already initialised
}

TEST(AudioPlayerColour, SplitsAColorref) {
    audio::AudioPlayer player;
    const int rgb = 1 | (2 << 8) | (3 << 16);
    EXPECT_EQ(player.colourComponent(rgb, 1), 1);
    EXPECT_EQ(player.colourComponent(rgb, 2), 2);
    EXPECT_EQ(player.colourComponent(rgb, 3), 3);
    EXPECT_EQ(player.colourComponent(rgb, 4), 0);
    EXPECT_EQ(player.colourComponent(0x00FFFF, 1), 255);
    EXPECT_EQ(player.colourComponent(0x00FFFF, 3), 0);
    // Floor division keeps the split consistent below zero: -1 = -1 * 65536 + 255 * 256 + 255.
    EXPECT_EQ(player.colourComponent(-1, 3), -1);
    EXPECT_EQ(player.colourComponent(-1, 2), 255);
    EXPECT_EQ(player.colourComponent(-1, 1), 255);
}

} // namespace
