// The program's only door to sound: each operation is one call into bass.dll.
// It keeps no state; the stream started last is tracked by the callers.
#pragma once

#include "bass.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace audio {

using StreamHandle = HSTREAM;

class AudioPlayer {
  public:
    AudioPlayer() = default;
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    virtual ~AudioPlayer();
    [[nodiscard]] virtual std::unique_ptr<AudioPlayer> copy() const;
    virtual bool init(int device = -1, uint32_t frequency = 44100, uint32_t flags = 0, HWND window = nullptr);
    virtual void free();
    // The first that applies: nothing given -> 0; an existing file; the memory block; the URL; else 0.
    virtual StreamHandle createStream(std::wstring_view file, std::span<const std::byte> memory = {},
                                      std::wstring_view url = {}, uint64_t offset = 0);
    virtual bool play(StreamHandle handle, bool restart = true);
    virtual bool pause(StreamHandle handle);
    virtual bool stop(StreamHandle handle);
    virtual uint64_t getPosition(StreamHandle handle);
    virtual bool setPosition(StreamHandle handle, uint64_t position);
    virtual uint64_t getLength(StreamHandle handle);
    virtual std::string getTags(StreamHandle handle);
    virtual int isActive(StreamHandle handle);
    virtual bool freeStream(StreamHandle handle);
    virtual int getFftData(StreamHandle handle, std::array<float, 128>& values);
    virtual bool setMasterVolume(float volume);
    virtual float getMasterVolume();
    virtual bool setStreamVolume(StreamHandle handle, float volume);
    virtual bool getStreamVolume(StreamHandle handle, float& volume);
    virtual double bytesToSeconds(StreamHandle handle, uint64_t bytes);
    virtual uint64_t secondsToBytes(StreamHandle handle, double seconds);
    // Component 1, 2 or 3 of a COLORREF-like value (red, green, blue); 0 otherwise.
    virtual int colourComponent(int colour, int which);
    virtual void drawSpectrum(HWND pictureBox, StreamHandle handle, int barColour1 = 0xFFFF, int barColour2 = 255,
                              int peakColour = 0xFFFF, int barStep = 3, int barWidth = 2);
};

// FindFirstFile finds a match for the path (wildcards included, as the system does).
bool fileExists(std::wstring_view path);

std::string toUtf8(std::wstring_view text);

} // namespace audio
