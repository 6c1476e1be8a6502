// MIDI figures: createStream + play of a MIDI file (the first click after
// BASS_Init included), the synthesiser's render speed on one core with a
// 16-channel General MIDI arrangement that keeps every voice busy, and the
// CPU of one playing MIDI stream. Run through bench/midi_bench.sh, which
// writes the files.
//   midi_bench <jingle.mid> <dense.mid> <font.sf2>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/core/MidiPlayer.h"
#include "bass.h"
#include "bench/BenchClock.h"

namespace {

using bench::now;
using bench::percentile;

double cpuSeconds() {
    FILETIME create, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
    auto s = [](FILETIME t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7; };
    return s(kernel) + s(user);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void latency(const char* jingle) {
    const double i0 = now();
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::printf("BASS_Init failed: %d\n", BASS_LastError());
        return;
    }
    const double i1 = now();
    // At once after BASS_Init, as no user can click: this call waits for the SoundFont.
    HSTREAM early = BASS_StreamCreateFile(FALSE, jingle, 0, 0, 0);
    BASS_ChannelPlay(early, TRUE);
    const double i2 = now();
    BASS_StreamFree(early);
    std::vector<double> call, delay;
    for (int i = 0; i < 100; ++i) {
        const double t0 = now();
        HSTREAM h = BASS_StreamCreateFile(FALSE, jingle, 0, 0, 0);
        const BOOL ok = h && BASS_ChannelPlay(h, TRUE);
        const double t1 = now();
        if (!ok) {
            std::printf("create/play failed: error %d\n", BASS_LastError());
            return;
        }
        call.push_back((t1 - t0) * 1e3);
        Sleep(40);
        double d = 0;
        if (BASSX_ChannelGetStartDelay(h, &d)) delay.push_back(d * 1e3);
        BASS_StreamFree(h);
        Sleep(10 + i % 7);
    }
    std::printf("BASS_Init (SoundFont read on its own thread)   %.2f ms\n", (i1 - i0) * 1e3);
    std::printf("MIDI createStream+play at once after init      %.3f ms (waits for the SoundFont)\n",
                (i2 - i1) * 1e3);
    std::printf("MIDI createStream+play call   median %.3f ms, p99 %.3f ms (aim < 2 ms)\n", percentile(call, 0.5),
                percentile(call, 0.99));
    if (!delay.empty())
        std::printf("play -> first sample in buffer median %.2f ms, p99 %.2f ms\n", percentile(delay, 0.5),
                    percentile(delay, 0.99));
}

// The synthesiser alone, on this thread: seconds of audio per second of work.
void renderSpeed(const char* dense, const char* font) {
    const auto midi = readFile(dense), sf2 = readFile(font);
    audiolib::MemorySource midiSrc(midi.data(), midi.size()), fontSrc(sf2.data(), sf2.size());
    auto bank = std::make_shared<audiolib::SoundBank>();
    const double l0 = now();
    if (audiolib::loadSoundFont(fontSrc, *bank) != audiolib::SoundFontResult::Ok) {
        std::printf("cannot read %s\n", font);
        return;
    }
    const double l1 = now();
    audiolib::MidiSong song;
    if (audiolib::parseMidi(midiSrc, 44100, song) != audiolib::MidiResult::Ok) {
        std::printf("cannot read %s\n", dense);
        return;
    }
    const size_t events = song.events.size();
    audiolib::MidiPlayer player(std::move(song), bank, 44100);
    std::vector<int16_t> out(4096 * 2);
    size_t frames = 0;
    const double c0 = cpuSeconds(), t0 = now();
    for (size_t n; (n = player.render(out.data(), 4096)) > 0;)
        frames += n;
    const double t1 = now(), c1 = cpuSeconds();
    const double seconds = double(frames) / 44100;
    std::printf("SoundFont read and resolved     %.1f ms (%zu presets)\n", (l1 - l0) * 1e3, bank->presets.size());
    std::printf("render %.1f s, 16 channels, %zu events, %d-voice limit: %.3f s, %.0fx real time on one core "
                "(aim >= 100x; CPU %.3f s)\n",
                seconds, events, audiolib::Synth::kMaxVoices, t1 - t0, seconds / (t1 - t0), c1 - c0);
}

void cpuOfOneStream(const char* dense) {
    const double idle0 = cpuSeconds(), w0 = now();
    Sleep(3000);
    const double idle = (cpuSeconds() - idle0) / (now() - w0);
    HSTREAM h = BASS_StreamCreateFile(FALSE, dense, 0, 0, 0);
    BASS_ChannelPlay(h, TRUE);
    const double c0 = cpuSeconds(), t0 = now();
    Sleep(10000);
    const double busy = (cpuSeconds() - c0) / (now() - t0);
    BASS_StreamFree(h);
    std::printf("CPU, device running, no stream        %.2f %% of a core\n", idle * 100);
    std::printf("CPU, one dense MIDI stream playing    %.2f %% of a core (%.2f %% above idle)\n", busy * 100,
                (busy - idle) * 100);
}

std::string utf8(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::printf("usage: midi_bench <jingle.mid> <dense.mid> <font.sf2>\n");
        return 2;
    }
    const std::string jingle = utf8(argv[1]), dense = utf8(argv[2]), font = utf8(argv[3]);
    latency(jingle.c_str());
    renderSpeed(dense.c_str(), font.c_str());
    cpuOfOneStream(dense.c_str());
    BASS_Free();
    return 0;
}
