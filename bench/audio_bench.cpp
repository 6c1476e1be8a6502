// Audio library figures: start latency, decode and mix speed, CPU of a
// playing stream, and (with --soak) underruns over a long run with the other
// cores kept busy. Run through bench/audio_bench.sh, which makes the clips.
//   audio_bench <short clip> <3-minute mp3> [--midi <jingle.mid> <dense.mid> <font.sf2>]
//               [--soak seconds <clip lasting that long>]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/core/MidiPlayer.h"
#include "audiolib/core/Mixer.h"
#include "bass.h"
#include "bench/BenchClock.h"

namespace {

using bench::cpuSeconds;
using bench::utf8;

double now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return double(t.QuadPart) / double(f.QuadPart);
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void latency(const char* clip, const BASSX_OUTPUTINFO& out) {
    std::vector<double> call, create, delay;
    for (int i = 0; i < 100; ++i) {
        const double t0 = now();
        HSTREAM h = BASS_StreamCreateFile(FALSE, clip, 0, 0, 0);
        const double tc = now();
        const BOOL ok = h && BASS_ChannelPlay(h, TRUE);
        const double t1 = now();
        create.push_back((tc - t0) * 1e3);
        if (!ok) {
            std::printf("create/play failed: error %d\n", BASS_LastError());
            return;
        }
        call.push_back((t1 - t0) * 1e3);
        Sleep(40);
        double d = 0;
        if (BASSX_ChannelGetStartDelay(h, &d)) delay.push_back(d * 1e3);
        BASS_StreamFree(h);
        Sleep(10 + i % 7); // vary the phase against the device period
    }
    const double period = out.periodFrames * 1e3 / out.rate;
    std::printf("device period                 %.2f ms (%lu frames at %lu Hz, buffer %lu frames)\n", period,
                (unsigned long)out.periodFrames, (unsigned long)out.rate, (unsigned long)out.bufferFrames);
    std::printf("createStream+play call        median %.3f ms, p99 %.3f ms (target < 2 ms; create alone "
                "median %.3f ms)\n",
                percentile(call, 0.5), percentile(call, 0.99), percentile(create, 0.5));
    if (!delay.empty())
        std::printf("play -> first sample in buffer median %.2f ms, p99 %.2f ms, max %.2f ms (target <= one "
                    "period)\n",
                    percentile(delay, 0.5), percentile(delay, 0.99), percentile(delay, 1.0));
}

// Decoding through the library (the system MP3 codec) and mixing with the
// library's own mixer code, to the device's rate, timed in one pass.
void throughput(const char* longMp3, uint32_t deviceRate) {
    HSTREAM h = BASS_StreamCreateFile(FALSE, longMp3, 0, 0, 0);
    if (!h) {
        std::printf("cannot open %s: error %d\n", longMp3, BASS_LastError());
        return;
    }
    const double seconds = BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h, BASS_POS_BYTE));
    float rate = 0;
    (void)rate;
    std::vector<int16_t> pcm;
    pcm.reserve(size_t(seconds * 44100 * 2 + 44100));
    std::vector<int16_t> buf(32768);
    const double t0 = now();
    for (;;) {
        const DWORD got = BASS_ChannelGetData(h, buf.data(), DWORD(buf.size() * 2));
        if (got == DWORD(-1) || got == 0) break;
        pcm.insert(pcm.end(), buf.begin(), buf.begin() + got / 2);
    }
    const double t1 = now();
    BASS_StreamFree(h);

    // The same mixing path the render thread runs, fed from memory.
    audiolib::Mixer mixer;
    const size_t block = 480;
    mixer.setFormat(deviceRate, 2, block);
    auto voice = std::make_shared<audiolib::Voice>(2, 44100, 1 << 20);
    mixer.add(voice);
    voice->state.store(audiolib::PlayState::Playing);
    std::vector<float> out(block * 2);
    size_t fed = 0;
    const double t2 = now();
    while (true) {
        fed += voice->ring.write(pcm.data() + fed, pcm.size() - fed);
        if (fed == pcm.size()) voice->sourceEnded.store(true);
        mixer.render(out.data(), block, 0);
        if (voice->state.load() == audiolib::PlayState::Stopped) break;
    }
    const double t3 = now();
    std::printf("decode %.1f s of MP3            %.3f s (%.0fx real time)\n", seconds, t1 - t0,
                seconds / (t1 - t0));
    std::printf("mix to %u Hz                   %.3f s (%.0fx real time)\n", deviceRate, t3 - t2,
                seconds / (t3 - t2));
    std::printf("decode + mix                  %.0fx real time (aim > 200x)\n",
                seconds / (t1 - t0 + t3 - t2));
}

void cpuOfOneStream(const char* file, const char* what, const char* aim) {
    const double idle0 = cpuSeconds(), w0 = now();
    Sleep(5000);
    const double idle = (cpuSeconds() - idle0) / (now() - w0);
    HSTREAM h = BASS_StreamCreateFile(FALSE, file, 0, 0, 0);
    BASS_ChannelPlay(h, TRUE);
    const double c0 = cpuSeconds(), t0 = now();
    Sleep(10000);
    const double busy = (cpuSeconds() - c0) / (now() - t0);
    BASS_StreamFree(h);
    std::printf("CPU, device running, no stream %.2f %% of a core\n", idle * 100);
    std::printf("CPU, one %s stream playing    %.2f %% of a core (%.2f %% above idle%s)\n", what, busy * 100,
                (busy - idle) * 100, aim);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The synthesiser alone, on this thread, at the voice limit: seconds of
// audio per second of work.
void midiRenderSpeed(const std::string& dense, const std::string& font) {
    const auto midi = readFile(dense), sf2 = readFile(font);
    audiolib::MemorySource midiSrc(midi.data(), midi.size()), fontSrc(sf2.data(), sf2.size());
    auto bank = std::make_shared<audiolib::SoundBank>();
    const double l0 = now();
    audiolib::MidiSong song;
    if (audiolib::loadSoundFont(fontSrc, *bank) != audiolib::SoundFontResult::Ok ||
        audiolib::parseMidi(midiSrc, 44100, song) != audiolib::MidiResult::Ok) {
        std::printf("cannot read %s or %s\n", font.c_str(), dense.c_str());
        return;
    }
    const double l1 = now();
    const size_t events = song.events.size();
    audiolib::MidiPlayer player(std::move(song), bank, 44100);
    std::vector<int16_t> out(4096 * 2);
    size_t frames = 0;
    const double t0 = now();
    for (size_t n; (n = player.render(out.data(), 4096)) > 0;)
        frames += n;
    const double t1 = now();
    const double seconds = double(frames) / 44100;
    std::printf("SoundFont and MIDI file read  %.1f ms (%zu presets, %zu events)\n", (l1 - l0) * 1e3,
                bank->presets.size(), events);
    std::printf("render %.1f s of 16 channels at the %d-voice limit: %.3f s, %.0fx real time on one core "
                "(aim >= 100x)\n",
                seconds, audiolib::Synth::kMaxVoices, t1 - t0, seconds / (t1 - t0));
}

void soak(const char* longMp3, int seconds) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> burners;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i + 1 < cores; ++i)
        burners.emplace_back([&] {
            volatile uint64_t x = 0;
            while (!stop.load(std::memory_order_relaxed))
                x = x + 1;
        });
    BASSX_OUTPUTINFO before{}, after{};
    BASSX_GetOutputInfo(&before);
    HSTREAM h = BASS_StreamCreateFile(FALSE, longMp3, 0, 0, 0);
    if (!h || BASS_ChannelGetLength(h, BASS_POS_BYTE) < BASS_ChannelSeconds2Bytes(h, seconds)) {
        std::printf("soak: the clip must last at least %d s\n", seconds);
        return;
    }
    BASS_ChannelPlay(h, TRUE);
    const double end = now() + seconds;
    while (now() < end)
        Sleep(200);
    BASSX_GetOutputInfo(&after);
    stop.store(true);
    for (auto& t : burners)
        t.join();
    BASS_StreamFree(h);
    std::printf("soak %d s with %u busy threads: device underruns %lu, stream underruns %lu, frames %llu\n",
                seconds, cores - 1, (unsigned long)(after.deviceUnderruns - before.deviceUnderruns),
                (unsigned long)(after.streamUnderruns - before.streamUnderruns),
                (unsigned long long)(after.framesWritten - before.framesWritten));
}

// The program's own start-up sequence: initialise the default device, read
// the names of the first five devices for its channel list, free, and
// initialise the chosen one. The first round is the process's first use of
// the system's audio stack (cold); the others show what stays cached.
bool deviceStartup() {
    std::vector<double> initMs, infoMs, freeMs, reinitMs;
    for (int round = 0; round < 6; ++round) {
        const double t0 = now();
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
            std::printf("BASS_Init failed: %d\n", BASS_LastError());
            return false;
        }
        const double t1 = now();
        BASS_DEVICEINFO info{};
        for (DWORD n = 1; n <= 5; ++n) BASS_GetDeviceInfo(n, &info);
        const double t2 = now();
        BASS_Free();
        const double t3 = now();
        BASS_Init(1, 44100, 0, nullptr, nullptr);
        const double t4 = now();
        if (round == 0) {
            std::printf("device start-up, first in the process: init %.1f ms, five device names %.1f ms, free %.1f ms,"
                        " init again %.1f ms; in all %.1f ms\n",
                        (t1 - t0) * 1e3, (t2 - t1) * 1e3, (t3 - t2) * 1e3, (t4 - t3) * 1e3, (t4 - t0) * 1e3);
        } else {
            initMs.push_back((t1 - t0) * 1e3), infoMs.push_back((t2 - t1) * 1e3), freeMs.push_back((t3 - t2) * 1e3),
                reinitMs.push_back((t4 - t3) * 1e3);
        }
        if (round < 5) BASS_Free();
    }
    std::printf("device start-up, later rounds (median): init %.1f ms, five device names %.1f ms, free %.1f ms,"
                " init again %.1f ms\n",
                percentile(initMs, 0.5), percentile(infoMs, 0.5), percentile(freeMs, 0.5), percentile(reinitMs, 0.5));
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: audio_bench <short clip> <3-minute mp3> [--midi <jingle.mid> <dense.mid> <font.sf2>] "
                    "[--soak seconds <clip>]\n");
        return 2;
    }
    const std::string clip = utf8(argv[1]), longMp3 = utf8(argv[2]);
    std::string jingle, dense, font, soakClip;
    int soakSeconds = 0;
    for (int i = 3; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--midi") == 0 && i + 3 < argc) {
            jingle = utf8(argv[i + 1]), dense = utf8(argv[i + 2]), font = utf8(argv[i + 3]);
            i += 3;
        } else if (std::wcscmp(argv[i], L"--soak") == 0 && i + 2 < argc) {
            soakSeconds = _wtoi(argv[i + 1]);
            soakClip = utf8(argv[i + 2]);
            i += 2;
        }
    }
    if (!deviceStartup()) return 1;
    BASSX_OUTPUTINFO out{};
    BASSX_GetOutputInfo(&out);
    std::printf("device %d\n", int(BASS_GetDevice()));
    latency(clip.c_str(), out);
    throughput(longMp3.c_str(), out.rate);
    cpuOfOneStream(longMp3.c_str(), "MP3", "; aim < 1 %");
    if (!jingle.empty()) {
        std::printf("-- MIDI (a jingle; a minute of 16 channels asking for some 250 notes at once)\n");
        latency(jingle.c_str(), out);
        midiRenderSpeed(dense, font);
        cpuOfOneStream(dense.c_str(), "dense MIDI", "");
    }
    if (soakSeconds > 0) soak(soakClip.c_str(), soakSeconds);
    BASS_Free();
    return 0;
}
