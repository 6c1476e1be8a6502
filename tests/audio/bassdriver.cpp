// Drives bass.dll from a script of commands given on the command line, one
// per argument group separated by ";", and prints one line per command with
// its results, for the audio tests and by hand:
//   bassdriver init -1 ; create C:\a.wav ; play ; sleep 500 ; stop
// Every line carries "written=" (frames handed to the device so far), which
// lets a test find in the captured output the moment a command was made.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bass.h"

namespace {

HSTREAM current = 0;
std::vector<char> memoryBlock;

unsigned long long written() {
    BASSX_OUTPUTINFO info{};
    return BASSX_GetOutputInfo(&info) ? info.framesWritten : 0;
}

std::string utf8Arg(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring widePath(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring w(size_t(n > 0 ? n - 1 : 0), L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, w.data(), n);
    return w;
}

DWORD threadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    DWORD n = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

void printResources(const char* tag) {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    PROCESS_MEMORY_COUNTERS_EX mem{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    std::printf("%s handles=%lu threads=%lu private=%llu\n", tag, handles, threadCount(),
                (unsigned long long)mem.PrivateUsage);
}

bool waitInactive(int timeoutMs) {
    const DWORD start = GetTickCount();
    while (BASS_ChannelIsActive(current) == BASS_ACTIVE_PLAYING ||
           BASS_ChannelIsActive(current) == BASS_ACTIVE_STALLED) {
        if (int(GetTickCount() - start) > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

// Runs one command; returns false to abort the script.
bool run(const std::vector<std::string>& c) {
    const std::string& cmd = c[0];
    auto arg = [&](size_t i, const char* def = "0") { return i < c.size() ? c[i] : std::string(def); };
    auto num = [&](size_t i, const char* def = "0") { return std::strtod(arg(i, def).c_str(), nullptr); };
    auto report = [&](const char* fmt, auto... values) {
        const int err = BASS_LastError();
        std::printf("%s ", cmd.c_str());
        std::printf(fmt, values...);
        std::printf(" err=%d written=%llu pos=%llu\n", err, written(),
                    current ? (unsigned long long)BASS_ChannelGetPosition(current, BASS_POS_BYTE) : 0ull);
    };
    if (cmd == "init") {
        const BOOL ok = BASS_Init(int(num(1, "-1")), 44100, 0, nullptr, nullptr);
        const int err = BASS_LastError();
        std::printf("init ok=%d device=%d err=%d written=%llu\n", ok, int(BASS_GetDevice()), err, written());
    } else if (cmd == "free") {
        report("ok=%d", BASS_Free());
    } else if (cmd == "device") {
        report("device=%d", int(BASS_GetDevice()));
    } else if (cmd == "info") {
        BASS_DEVICEINFO info{};
        const BOOL ok = BASS_GetDeviceInfo(DWORD(num(1)), &info);
        report("ok=%d flags=%lu name=%s", ok, ok ? (unsigned long)info.flags : 0ul, ok ? info.name : "");
    } else if (cmd == "output") {
        BASSX_OUTPUTINFO o{};
        const BOOL ok = BASSX_GetOutputInfo(&o);
        report("ok=%d rate=%lu channels=%lu period=%lu buffer=%lu deviceUnderruns=%lu streamUnderruns=%lu",
               ok, (unsigned long)o.rate, (unsigned long)o.channels, (unsigned long)o.periodFrames,
               (unsigned long)o.bufferFrames, (unsigned long)o.deviceUnderruns,
               (unsigned long)o.streamUnderruns);
    } else if (cmd == "create") {
        current = BASS_StreamCreateFile(FALSE, arg(1).c_str(), 0, 0, 0);
        report("handle=%lu", (unsigned long)current);
    } else if (cmd == "createmem") {
        std::ifstream in(arg(1), std::ios::binary);
        memoryBlock.assign(std::istreambuf_iterator<char>(in), {});
        current = BASS_StreamCreateFile(TRUE, memoryBlock.data(), 0, memoryBlock.size(), 0);
        report("handle=%lu", (unsigned long)current);
    } else if (cmd == "url") {
        current = BASS_StreamCreateURL(arg(1).c_str(), 0, 0, nullptr, nullptr);
        report("handle=%lu", (unsigned long)current);
    } else if (cmd == "play") {
        report("ok=%d", BASS_ChannelPlay(current, int(num(1, "1"))));
    } else if (cmd == "pause") {
        report("ok=%d", BASS_ChannelPause(current));
    } else if (cmd == "stop") {
        report("ok=%d", BASS_ChannelStop(current));
    } else if (cmd == "streamfree") {
        report("ok=%d", BASS_StreamFree(current));
    } else if (cmd == "active") {
        report("active=%lu", (unsigned long)BASS_ChannelIsActive(current));
    } else if (cmd == "pos") {
        report("pos=%llu", (unsigned long long)BASS_ChannelGetPosition(current, BASS_POS_BYTE));
    } else if (cmd == "len") {
        const BASS_QWORD len = BASS_ChannelGetLength(current, BASS_POS_BYTE);
        const int err = BASS_LastError();
        std::printf("len len=%llu seconds=%.6f err=%d\n", (unsigned long long)len,
                    BASS_ChannelBytes2Seconds(current, len), err);
    } else if (cmd == "seek") {
        report("ok=%d", BASS_ChannelSetPosition(current, BASS_QWORD(num(1)), BASS_POS_BYTE));
    } else if (cmd == "vol") {
        // The position just before the change too: this thread may be held up between the two.
        const unsigned long long before = current ? BASS_ChannelGetPosition(current, BASS_POS_BYTE) : 0;
        const BOOL ok = BASS_ChannelSetAttribute(current, BASS_ATTRIB_VOL, float(num(1)));
        report("ok=%d before=%llu", ok, before);
    } else if (cmd == "getvol") {
        float v = -1;
        const BOOL ok = BASS_ChannelGetAttribute(current, BASS_ATTRIB_VOL, &v);
        report("ok=%d vol=%.4f", ok, v);
    } else if (cmd == "master") {
        report("ok=%d", BASS_SetVolume(float(num(1))));
    } else if (cmd == "getmaster") {
        report("vol=%.4f", BASS_GetVolume());
    } else if (cmd == "tags") {
        const char* t = BASS_ChannelGetTags(current, BASS_TAG_ID3);
        report("present=%d text=%s", t != nullptr, t ? t + 3 : "");
    } else if (cmd == "fft") {
        float v[128] = {};
        const DWORD r = BASS_ChannelGetData(current, v, BASS_DATA_FFT256);
        int peak = 0;
        for (int i = 1; i < 128; ++i)
            if (v[i] > v[peak]) peak = i;
        report("result=%ld peak=%d value=%.4f", long(r), peak, v[peak]);
    } else if (cmd == "decode") {
        // Every decoded byte of a stream that is not playing (or the first
        // `limit` bytes), into a raw file.
        std::FILE* f = std::fopen(arg(1).c_str(), "wb");
        std::vector<char> buf(65536);
        unsigned long long total = 0;
        const double limit = num(2, "0");
        while (limit <= 0 || double(total) < limit) {
            const DWORD got = BASS_ChannelGetData(current, buf.data(), DWORD(buf.size()));
            if (got == DWORD(-1) || got == 0) break;
            if (f) std::fwrite(buf.data(), 1, got, f);
            total += got;
        }
        if (f) std::fclose(f);
        report("bytes=%llu", total);
    } else if (cmd == "sleep") {
        Sleep(DWORD(num(1)));
        report("ms=%d", int(num(1)));
    } else if (cmd == "waitend") {
        report("ended=%d", waitInactive(int(num(1, "30000"))));
    } else if (cmd == "delay") {
        double s = -1;
        const BOOL ok = BASSX_ChannelGetStartDelay(current, &s);
        report("ok=%d seconds=%.6f", ok, s);
    } else if (cmd == "resources") {
        printResources("resources");
    } else if (cmd == "loop") {
        // Create, play and free the same clip N times.
        const int n = int(num(1));
        int failures = 0;
        for (int i = 0; i < n; ++i) {
            HSTREAM h = BASS_StreamCreateFile(FALSE, arg(2).c_str(), 0, 0, 0);
            if (!h || !BASS_ChannelPlay(h, TRUE)) ++failures;
            BASS_StreamFree(h);
        }
        report("n=%d failures=%d", n, failures);
    } else if (cmd == "initloop") {
        const int n = int(num(1));
        int failures = 0;
        for (int i = 0; i < n; ++i) {
            if (!BASS_Init(int(num(2, "-1")), 44100, 0, nullptr, nullptr)) ++failures;
            HSTREAM h = c.size() > 3 ? BASS_StreamCreateFile(FALSE, arg(3).c_str(), 0, 0, 0) : 0;
            if (h) BASS_ChannelPlay(h, TRUE);
            if (!BASS_Free()) ++failures;
        }
        report("n=%d failures=%d", n, failures);
    } else if (cmd == "s2b") {
        report("bytes=%lld", (long long)BASS_ChannelSeconds2Bytes(current, num(1)));
    } else if (cmd == "b2s") {
        report("seconds=%.6f", BASS_ChannelBytes2Seconds(current, BASS_QWORD(num(1))));
    } else if (cmd == "handle") {
        current = HSTREAM(num(1));
        report("handle=%lu", (unsigned long)current);
    } else if (cmd == "lock") {
        // Another writer takes an exclusive lock on the whole file.
        static HANDLE locked = INVALID_HANDLE_VALUE;
        const std::wstring path = widePath(arg(1));
        locked = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             0, nullptr);
        OVERLAPPED all{};
        const BOOL ok = locked != INVALID_HANDLE_VALUE &&
                        LockFileEx(locked, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                                   MAXDWORD, &all);
        report("ok=%d", ok);
    } else if (cmd == "delete") {
        report("ok=%d", DeleteFileW(widePath(arg(1)).c_str()));
    } else if (cmd == "exit") {
        return false;
    } else {
        std::printf("unknown command %s\n", cmd.c_str());
        return false;
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::vector<std::string>> script(1);
    for (int i = 1; i < argc; ++i) {
        std::string a = utf8Arg(argv[i]);
        if (a == ";") {
            script.emplace_back();
        } else {
            script.back().push_back(a);
        }
    }
    for (const auto& c : script)
        if (!c.empty() && !run(c)) break;
    std::fflush(stdout);
    return 0;
}
