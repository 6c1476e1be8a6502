#include "audio/AudioPlayer.h"

#include "audio/BassLibrary.h"
#include "runtime/Handles.h"

#include <algorithm>
#include <cmath>

namespace audio {

bool fileExists(std::wstring_view path) {
    if (path.empty()) return false;
    WIN32_FIND_DATAW data;
    rt::UniqueFind find(FindFirstFileW(std::wstring(path).c_str(), &data));
    return static_cast<bool>(find);
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

AudioPlayer::~AudioPlayer() = default;

std::unique_ptr<AudioPlayer> AudioPlayer::copy() const { return std::make_unique<AudioPlayer>(); }

bool AudioPlayer::init(int device, uint32_t frequency, uint32_t flags, HWND window) {
    return SB_BASS(BASS_Init)(device, frequency, flags, window, nullptr) != 0;
}

void AudioPlayer::free() { SB_BASS(BASS_Free)(); }

StreamHandle AudioPlayer::createStream(std::wstring_view file, std::span<const std::byte> memory,
                                       std::wstring_view url, uint64_t offset) {
    if (file.empty() && memory.empty() && url.empty()) return 0;
    if (fileExists(file)) {
        const std::string path = toUtf8(file);
        return SB_BASS(BASS_StreamCreateFile)(FALSE, path.c_str(), offset, 0, 0);
    }
    if (!memory.empty()) return SB_BASS(BASS_StreamCreateFile)(TRUE, memory.data(), offset, memory.size(), 0);
    if (!url.empty()) {
        const std::string address = toUtf8(url);
        return SB_BASS(BASS_StreamCreateURL)(address.c_str(), static_cast<uint32_t>(offset), 0, nullptr, nullptr);
    }
    return 0;
}

bool AudioPlayer::play(StreamHandle handle, bool restart) {
    if (handle == 0) return false;
    return SB_BASS(BASS_ChannelPlay)(handle, restart) != 0;
}

bool AudioPlayer::pause(StreamHandle handle) { return SB_BASS(BASS_ChannelPause)(handle) != 0; }
bool AudioPlayer::stop(StreamHandle handle) { return SB_BASS(BASS_ChannelStop)(handle) != 0; }

uint64_t AudioPlayer::getPosition(StreamHandle handle) {
    return SB_BASS(BASS_ChannelGetPosition)(handle, BASS_POS_BYTE);
}

bool AudioPlayer::setPosition(StreamHandle handle, uint64_t position) {
    return SB_BASS(BASS_ChannelSetPosition)(handle, position, BASS_POS_BYTE) != 0;
}

uint64_t AudioPlayer::getLength(StreamHandle handle) { return SB_BASS(BASS_ChannelGetLength)(handle, BASS_POS_BYTE); }

std::string AudioPlayer::getTags(StreamHandle handle) {
    const char* tags = SB_BASS(BASS_ChannelGetTags)(handle, BASS_TAG_ID3);
    return tags ? std::string(tags) : std::string();
}

int AudioPlayer::isActive(StreamHandle handle) { return static_cast<int>(SB_BASS(BASS_ChannelIsActive)(handle)); }

bool AudioPlayer::freeStream(StreamHandle handle) { return SB_BASS(BASS_StreamFree)(handle) != 0; }

int AudioPlayer::getFftData(StreamHandle handle, std::array<float, 128>& values) {
    std::array<float, 128> buffer{};
    const auto result = static_cast<int>(SB_BASS(BASS_ChannelGetData)(handle, buffer.data(), BASS_DATA_FFT256));
    values = buffer;
    return result;
}

bool AudioPlayer::setMasterVolume(float volume) { return SB_BASS(BASS_SetVolume)(volume) != 0; }
float AudioPlayer::getMasterVolume() { return SB_BASS(BASS_GetVolume)(); }

bool AudioPlayer::setStreamVolume(StreamHandle handle, float volume) {
    return SB_BASS(BASS_ChannelSetAttribute)(handle, BASS_ATTRIB_VOL, volume) != 0;
}

bool AudioPlayer::getStreamVolume(StreamHandle handle, float& volume) {
    return SB_BASS(BASS_ChannelGetAttribute)(handle, BASS_ATTRIB_VOL, &volume) != 0;
}

double AudioPlayer::bytesToSeconds(StreamHandle handle, uint64_t bytes) {
    return SB_BASS(BASS_ChannelBytes2Seconds)(handle, bytes);
}

uint64_t AudioPlayer::secondsToBytes(StreamHandle handle, double seconds) {
    return SB_BASS(BASS_ChannelSeconds2Bytes)(handle, seconds);
}

int AudioPlayer::colourComponent(int colour, int which) {
    // Floor division, so negative values split the same way as positive ones.
    auto floorDiv = [](long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    const long long high = floorDiv(colour, 65536);
    const long long rest = colour - high * 65536;
    const long long middle = floorDiv(rest, 256);
    const long long low = rest - middle * 256;
    switch (which) {
    case 1: return static_cast<int>(low);
    case 2: return static_cast<int>(middle);
    case 3: return static_cast<int>(high);
    default: return 0;
    }
}

void AudioPlayer::drawSpectrum(HWND pictureBox, StreamHandle handle, int barColour1, int barColour2, int peakColour,
                               int barStep, int barWidth) {
    std::array<float, 128> values{};
    if (!pictureBox || getFftData(handle, values) == -1) return;
    RECT box{};
    GetClientRect(pictureBox, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    if (width <= 0 || height <= 0) return;

    // Painted off screen and copied in one go, so the bars never flicker.
    rt::WindowDc windowDc(pictureBox);
    rt::UniqueMemoryDc memory(CreateCompatibleDC(windowDc.get()));
    rt::UniqueGdiObject bitmap(CreateCompatibleBitmap(windowDc.get(), width, height));
    if (!memory || !bitmap) return;
    rt::SelectGuard selectBitmap(memory.get(), bitmap.get());
    FillRect(memory.get(), &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    auto vertex = [this](int x, int y, int colour) {
        TRIVERTEX v{};
        v.x = x;
        v.y = y;
        v.Red = static_cast<COLOR16>(colourComponent(colour, 1) << 8);
        v.Green = static_cast<COLOR16>(colourComponent(colour, 2) << 8);
        v.Blue = static_cast<COLOR16>(colourComponent(colour, 3) << 8);
        return v;
    };
    rt::UniqueGdiObject peakBrush(CreateSolidBrush(static_cast<COLORREF>(peakColour)));
    const int step = std::max(barStep, 1);
    int x = 1;
    for (size_t i = 0; i < values.size() && x < width; ++i, x += step) {
        int barHeight = static_cast<int>(values[i] * static_cast<float>(height) * 10.0f);
        barHeight = std::min(barHeight, height - 2);
        if (barHeight <= 0) barHeight = 1;
        TRIVERTEX corners[2] = {vertex(x, height - barHeight, barColour1), vertex(x + barWidth, height, barColour2)};
        GRADIENT_RECT rect{0, 1};
        GradientFill(memory.get(), corners, 2, &rect, 1, GRADIENT_FILL_RECT_V);
        if (barHeight > 2) {
            const int capY = std::max(height - barHeight - 2, 0);
            RECT cap{x, capY, x + barWidth, capY + 1};
            FillRect(memory.get(), &cap, static_cast<HBRUSH>(peakBrush.get()));
        }
    }
    BitBlt(windowDc.get(), 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

} // namespace audio
