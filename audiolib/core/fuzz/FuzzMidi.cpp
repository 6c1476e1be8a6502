// libFuzzer entry point for the MIDI path: the input is read as a MIDI file
// and played on the fallback voices, and read as a SoundFont whose presets
// then play a few notes. Nothing may read outside its data, loop, or render
// non-finite samples.
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSB_FUZZ=ON
//   build/fuzz/audiolib/core/fuzz_midi -max_total_time=60
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audiolib/core/MidiPlayer.h"

namespace {

constexpr uint32_t kRate = 22050;
// Enough to reach notes and tails in short inputs; bounded for speed.
constexpr size_t kMaxFrames = kRate;

void checkFinite(const std::vector<float>& v) {
    for (float x : v)
        if (!std::isfinite(x)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto fallback = audiolib::makeFallbackBank();
    audiolib::MemorySource src(data, size);
    std::vector<float> out(1024 * 2);

    audiolib::MidiSong song;
    if (audiolib::parseMidi(src, kRate, song) == audiolib::MidiResult::Ok) {
        if (song.events.size() > audiolib::kMidiMaxEvents) __builtin_trap();
        for (size_t i = 1; i < song.events.size(); ++i)
            if (song.events[i].frame < song.events[i - 1].frame) __builtin_trap();
        audiolib::MidiPlayer player(std::move(song), fallback, kRate);
        for (size_t total = 0; total < kMaxFrames;) {
            const size_t n = player.render(out.data(), 1024);
            if (n == 0) break;
            checkFinite(out);
            total += n;
        }
    }

    auto bank = std::make_shared<audiolib::SoundBank>();
    if (audiolib::loadSoundFont(src, *bank) == audiolib::SoundFontResult::Ok) {
        audiolib::Synth synth(bank, kRate);
        for (size_t p = 0; p < bank->presets.size() && p < 8; ++p) {
            synth.event(0xC0, uint8_t(bank->presets[p].program), 0);
            synth.event(0x90, uint8_t(36 + 11 * p), 100);
            synth.render(out.data(), 1024);
            checkFinite(out);
        }
        synth.releaseAll();
        synth.render(out.data(), 1024);
        checkFinite(out);
    }
    return 0;
}
