// Audio library figures: start latency, decode and mix speed, CPU of a
// playing stream, and (with --soak) underruns over a long run with the other
// cores kept busy. Run through bench/audio_bench.sh, which makes the clips.
//   audio_bench <short clip> <3-minute mp3> [--soak seconds <clip lasting that long>]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audiolib/core/Mixer.h"
#include "bass.h"

namespace {

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

double cpuSeconds() {
    FILETIME create, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
    auto s = [](FILETIME t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7; };
    return s(kernel) + s(user);
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

void cpuOfOneStream(const char* longMp3) {
    const double idle0 = cpuSeconds(), w0 = now();
    Sleep(5000);
    const double idle = (cpuSeconds() - idle0) / (now() - w0);
    HSTREAM h = BASS_StreamCreateFile(FALSE, longMp3, 0, 0, 0);
    BASS_ChannelPlay(h, TRUE);
    const double c0 = cpuSeconds(), t0 = now();
    Sleep(10000);
    const double busy = (cpuSeconds() - c0) / (now() - t0);
    BASS_StreamFree(h);
    std::printf("CPU, device running, no stream %.2f %% of a core\n", idle * 100);
    std::printf("CPU, one MP3 stream playing    %.2f %% of a core (%.2f %% above idle; aim < 1 %%)\n",
                busy * 100, (busy - idle) * 100);
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

std::string utf8(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: audio_bench <short clip> <3-minute mp3> [--soak seconds <clip>]\n");
        return 2;
    }
    const std::string clip = utf8(argv[1]), longMp3 = utf8(argv[2]);
    const int soakSeconds = argc >= 6 && std::wcscmp(argv[3], L"--soak") == 0 ? _wtoi(argv[4]) : 0;
    const std::string soakClip = soakSeconds ? utf8(argv[5]) : std::string();
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::printf("BASS_Init failed: %d\n", BASS_LastError());
        return 1;
    }
    BASSX_OUTPUTINFO out{};
    BASSX_GetOutputInfo(&out);
    std::printf("device %d\n", int(BASS_GetDevice()));
    latency(clip.c_str(), out);
    throughput(longMp3.c_str(), out.rate);
    cpuOfOneStream(longMp3.c_str());
    if (soakSeconds > 0) soak(soakClip.c_str(), soakSeconds);
    BASS_Free();
    return 0;
}
