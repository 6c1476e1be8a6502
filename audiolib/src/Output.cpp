#include "Output.h"

#include <windows.h>
#include <audioclient.h>
#include <avrt.h>
#include <mmreg.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <optional>
#include <thread>
#include <vector>

#include "WinUtil.h"
#include "audiolib/core/PcmConvert.h"
#include "bass.h"

namespace audiolib {
namespace {

// How long the mix stays silent before the output rests: its thread stops
// waking every period and the device stream is stopped (or closed, on a
// driver that keeps working for a stopped stream), so that a program at rest
// costs nothing. Long enough that clips played in a quick run keep the
// device going, and that the silence between them reaches the device as it
// did; a play request starts it again at once.
constexpr double kRestAfterSeconds = 10.0;

// Gives the render thread the scheduling class the system reserves for audio.
class AudioThreadPriority {
  public:
    AudioThreadPriority() noexcept {
        DWORD index = 0;
        task_ = AvSetMmThreadCharacteristicsW(L"Pro Audio", &index);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    }
    ~AudioThreadPriority() {
        if (task_) AvRevertMmThreadCharacteristics(task_);
    }
    AudioThreadPriority(const AudioThreadPriority&) = delete;
    AudioThreadPriority& operator=(const AudioThreadPriority&) = delete;

  private:
    HANDLE task_ = nullptr;
};

// Device 0: mixes in real time and drops the result, so streams advance,
// end and report positions exactly as on a sound card.
class NullOutput final : public Output {
  public:
    static constexpr uint32_t kRate = 48000;
    static constexpr uint32_t kChannels = 2;
    static constexpr uint32_t kPeriod = 480;

    explicit NullOutput(Mixer& mixer)
        : mixer_(mixer), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        mixer_.setFormat(kRate, kChannels, kPeriod * 10);
        thread_ = std::thread([this] { run(); });
    }
    ~NullOutput() override {
        SetEvent(stop_.get());
        thread_.join();
    }
    bool valid() const { return stop_ && wake_; }
    void wake() noexcept override { SetEvent(wake_.get()); }
    OutputStats stats() const noexcept override {
        OutputStats s;
        s.rate = kRate;
        s.channels = kChannels;
        s.periodFrames = kPeriod;
        s.bufferFrames = kPeriod;
        s.framesWritten = written_.load();
        return s;
    }

  private:
    void run() {
        AudioThreadPriority priority;
        std::vector<float> buf(size_t(kPeriod) * 10 * kChannels);
        const double tps = win::ticksPerSecond();
        const uint64_t restAfter = uint64_t(kRestAfterSeconds * kRate);
        int64_t start = win::ticksNow();
        uint64_t done = 0;     // frames mixed since start
        uint64_t quiet = 0;    // frames mixed since the mix last sounded
        bool resting = false;
        HANDLE events[2] = {stop_.get(), wake_.get()};
        for (;;) {
            const DWORD w = WaitForMultipleObjects(2, events, FALSE, resting ? INFINITE : 10);
            if (w == WAIT_OBJECT_0) break;
            const int64_t now = win::ticksNow();
            if (resting) {
                // The clock starts again from the play request that woke us.
                resting = false;
                start = now;
                done = 0;
                quiet = 0;
            }
            // One period ahead of the clock, like a device buffer.
            const uint64_t due = uint64_t(double(now - start) / tps * kRate) + kPeriod;
            while (done < due) {
                const size_t n = size_t(std::min<uint64_t>(due - done, kPeriod * 10));
                mixer_.render(buf.data(), n, now);
                done += n;
                quiet = mixer_.soundedLastRender() ? 0 : quiet + n;
                written_.fetch_add(n);
            }
            resting = quiet >= restAfter;
        }
    }

    Mixer& mixer_;
    win::UniqueHandle stop_;
    win::UniqueHandle wake_;
    std::atomic<uint64_t> written_{0};
    std::thread thread_;
};

bool deviceFormat(const WAVEFORMATEX* wf, DeviceSampleFormat& out) {
    WORD tag = wf->wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE && wf->cbSize >= 22) {
        const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(wf);
        // The KSDATAFORMAT sub-format GUIDs carry the classic tag in Data1.
        tag = WORD(ext->SubFormat.Data1);
    }
    if (tag == WAVE_FORMAT_IEEE_FLOAT && wf->wBitsPerSample == 32) {
        out = DeviceSampleFormat::Float32;
        return true;
    }
    if (tag != WAVE_FORMAT_PCM) return false;
    switch (wf->wBitsPerSample) {
    case 16:
        out = DeviceSampleFormat::Int16;
        return true;
    case 24:
        out = DeviceSampleFormat::Int24;
        return true;
    case 32:
        out = DeviceSampleFormat::Int32;
        return true;
    default:
        return false;
    }
}

class WasapiOutput final : public Output {
  public:
    WasapiOutput(Mixer& mixer, std::wstring id)
        : mixer_(mixer), id_(std::move(id)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          period_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~WasapiOutput() override {
        SetEvent(stop_.get());
        if (thread_.joinable()) thread_.join();
    }

    int start() {
        if (!stop_ || !wake_ || !period_) return BASS_ERROR_MEM;
        std::promise<int> ready;
        auto result = ready.get_future();
        thread_ = std::thread([this, &ready] { run(ready); });
        return result.get();
    }
    void wake() noexcept override { SetEvent(wake_.get()); }
    OutputStats stats() const noexcept override {
        OutputStats s = stats_;
        s.framesWritten = written_.load();
        s.glitches = glitches_.load();
        return s;
    }

  private:
    // One opening of the device: closed again while the output rests.
    struct DeviceStream {
        win::ComPtr<IAudioClient> client;
        win::ComPtr<IAudioRenderClient> render;
        win::ComPtr<IAudioClock> clock;
        UINT64 clockFrequency = 0;
        OutputStats format; // rate, channels, period and buffer
        DeviceSampleFormat sampleFormat = DeviceSampleFormat::Float32;
    };

    int open(DeviceStream& d) {
        win::ComPtr<IMMDeviceEnumerator> enumerator;
        win::ComPtr<IMMDevice> device;
        if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                    __uuidof(IMMDeviceEnumerator), enumerator.putVoid())) ||
            FAILED(enumerator->GetDevice(id_.c_str(), device.put())) ||
            FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, d.client.putVoid())))
            return BASS_ERROR_DEVICE;
        win::CoTaskPtr<WAVEFORMATEX> mix;
        if (FAILED(d.client->GetMixFormat(mix.put())) || !deviceFormat(mix.get(), d.sampleFormat))
            return BASS_ERROR_FORMAT;
        REFERENCE_TIME defaultPeriod = 0, minPeriod = 0;
        d.client->GetDevicePeriod(&defaultPeriod, &minPeriod);
        // Shared mode runs at the engine's period; asking for no extra buffer
        // gives the smallest the engine allows.
        if (FAILED(d.client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                                        AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST, 0, 0,
                                        mix.get(), nullptr)) ||
            FAILED(d.client->SetEventHandle(period_.get())) ||
            FAILED(d.client->GetBufferSize(&d.format.bufferFrames)) ||
            FAILED(d.client->GetService(__uuidof(IAudioRenderClient), d.render.putVoid())))
            return BASS_ERROR_DRIVER;
        d.format.rate = mix.get()->nSamplesPerSec;
        d.format.channels = mix.get()->nChannels;
        d.format.periodFrames = uint32_t(double(defaultPeriod) * d.format.rate / 1e7 + 0.5);
        if (d.format.periodFrames == 0 || d.format.periodFrames > d.format.bufferFrames)
            d.format.periodFrames = d.format.bufferFrames;
        // Without a clock the output still plays; only underruns go uncounted.
        if (FAILED(d.client->GetService(__uuidof(IAudioClock), d.clock.putVoid())) ||
            FAILED(d.clock->GetFrequency(&d.clockFrequency)))
            d.clockFrequency = 0;
        return BASS_OK;
    }

    // The mixer and the streams were set up for the first opening's format; a
    // device that comes back from rest in another one is not used.
    bool sameFormat(const DeviceStream& d) const {
        return d.sampleFormat == format_ && d.format.rate == stats_.rate && d.format.channels == stats_.channels &&
               d.format.periodFrames == stats_.periodFrames && d.format.bufferFrames == stats_.bufferFrames;
    }

    // Right after a stop: whether the driver still signals periods, watched
    // for three of them. Answers the event that ended the watch: the stop
    // event, the period event (it does), the play request event, or a
    // timeout (it does not).
    DWORD driverWakesWhenStopped() {
        WaitForSingleObject(period_.get(), 0); // a period signalled before the stop
        HANDLE watched[3] = {stop_.get(), period_.get(), wake_.get()};
        const DWORD periodMs = std::max<DWORD>(1, DWORD(uint64_t(stats_.periodFrames) * 1000 / stats_.rate));
        return WaitForMultipleObjects(3, watched, FALSE, 3 * periodMs);
    }

    void run(std::promise<int>& ready) {
        win::ComScope com;
        AudioThreadPriority priority;
        DeviceStream d;
        const int error = open(d);
        if (error != BASS_OK) {
            ready.set_value(error);
            return;
        }
        // Written once, before start() returns; stats() reads them from then on.
        stats_.rate = d.format.rate;
        stats_.channels = d.format.channels;
        stats_.periodFrames = d.format.periodFrames;
        stats_.bufferFrames = d.format.bufferFrames;
        format_ = d.sampleFormat;
        mixer_.setFormat(stats_.rate, int(stats_.channels), stats_.bufferFrames);
        std::vector<float> mix(size_t(stats_.bufferFrames) * stats_.channels);

        // Each period tops the queue up to two and a half periods: enough to
        // ride out a wake-up up to 15 ms late (seen under load), and it still
        // leaves room so that a play request, which wakes us at once, puts
        // its first samples in right away.
        const UINT32 target = std::min(stats_.bufferFrames, stats_.periodFrames * 5 / 2);
        // An underrun is the device playing frames we never gave it: its
        // clock gets ahead of what we wrote since it last started. (The
        // buffer's fill level cannot tell: some engines move data on to the
        // driver at once.)
        auto playedFrames = [&](int64_t& frames) {
            UINT64 position = 0;
            if (!d.clockFrequency || FAILED(d.clock->GetPosition(&position, nullptr))) return false;
            frames = int64_t(double(position) * stats_.rate / double(d.clockFrequency));
            return true;
        };
        int64_t worstDeficit = 0;
        int64_t playedAtStart = 0;
        uint64_t writtenAtStart = 0;
        auto checkClock = [&] {
            int64_t played = 0;
            if (!playedFrames(played)) return;
            const int64_t deficit = (played - playedAtStart) - int64_t(written_.load() - writtenAtStart);
            if (deficit > worstDeficit) {
                worstDeficit = deficit;
                glitches_.fetch_add(1);
            }
        };
        const uint64_t restAfter = uint64_t(kRestAfterSeconds * stats_.rate);
        uint64_t quiet = 0; // frames written since the mix last sounded
        auto fill = [&](UINT32 limit, bool periodic) {
            UINT32 padding = 0;
            if (FAILED(d.client->GetCurrentPadding(&padding))) return false;
            if (periodic) checkClock();
            const UINT32 frames = limit > padding ? limit - padding : 0;
            if (frames == 0) return true;
            BYTE* data = nullptr;
            if (FAILED(d.render->GetBuffer(frames, &data))) return false;
            mixer_.render(mix.data(), frames, win::ticksNow());
            fromFloat(mix.data(), size_t(frames) * stats_.channels, format_, data);
            d.render->ReleaseBuffer(frames, 0);
            written_.fetch_add(frames);
            quiet = mixer_.soundedLastRender() ? 0 : quiet + frames;
            return true;
        };
        // From an empty buffer: the first samples go in before the device runs.
        auto startDevice = [&] {
            if (!playedFrames(playedAtStart)) playedAtStart = 0;
            writtenAtStart = written_.load();
            worstDeficit = 0;
            quiet = 0;
            return fill(target, false) && SUCCEEDED(d.client->Start());
        };
        if (!startDevice()) {
            ready.set_value(BASS_ERROR_DRIVER);
            return;
        }
        ready.set_value(BASS_OK);
        HANDLE events[3] = {stop_.get(), period_.get(), wake_.get()};
        // At rest only a stop or a play request wakes us: some drivers keep
        // signalling periods on a stopped stream, and each of those wake-ups
        // is a round trip through the system for nothing.
        HANDLE restingEvents[2] = {stop_.get(), wake_.get()};
        bool resting = false;
        // Whether the driver keeps working for a stopped stream, found at
        // the first rest: unknown until then.
        std::optional<bool> stoppedStreamCosts;
        for (;;) {
            const DWORD w = resting ? WaitForMultipleObjects(2, restingEvents, FALSE, INFINITE)
                                    : WaitForMultipleObjects(3, events, FALSE, 200);
            if (w == WAIT_OBJECT_0 || w == WAIT_FAILED) break;
            if (resting) {
                if (!d.client) {
                    // A device that cannot be opened now (taken by another
                    // program, unplugged, set to another format) leaves the
                    // output at rest: the next play request tries again.
                    DeviceStream reopened;
                    if (open(reopened) != BASS_OK || !sameFormat(reopened)) continue;
                    d = std::move(reopened);
                }
                if (!startDevice()) {
                    d = DeviceStream{};
                    continue;
                }
                resting = false;
                continue;
            }
            // A lost device (unplugged, reconfigured) ends output; streams
            // stay valid and the next Init picks a working device.
            const bool periodic = w == WAIT_OBJECT_0 + 1;
            if (!fill(periodic ? target : stats_.bufferFrames, periodic)) break;
            if (quiet < restAfter) continue;
            // All that sounded has long been played; the silence queued behind
            // it is dropped, so the next start is not delayed by it.
            if (FAILED(d.client->Stop())) break;
            resting = true;
            if (!stoppedStreamCosts) {
                const DWORD seen = driverWakesWhenStopped();
                if (seen == WAIT_OBJECT_0) break;
                if (seen == WAIT_OBJECT_0 + 2) SetEvent(wake_.get()); // a play request: seen by the rest wait
                else stoppedStreamCosts = seen == WAIT_OBJECT_0 + 1;
            }
            // A stopped stream costs nothing on a driver that stops with it,
            // and starting it again is immediate. A driver that keeps a
            // thread waking every period for it (Wine's ALSA driver) would
            // make a program at rest pay for that: there the stream is closed
            // and opened again at the next play request, which costs a few
            // milliseconds.
            if (stoppedStreamCosts.value_or(false)) d = DeviceStream{};
            else if (FAILED(d.client->Reset())) break;
        }
        if (d.client) d.client->Stop();
    }

    Mixer& mixer_;
    std::wstring id_;
    win::UniqueHandle stop_;
    win::UniqueHandle wake_;
    win::UniqueHandle period_;
    DeviceSampleFormat format_ = DeviceSampleFormat::Float32;
    OutputStats stats_;
    std::atomic<uint64_t> written_{0};
    std::atomic<uint32_t> glitches_{0};
    std::thread thread_;
};

} // namespace

std::unique_ptr<Output> startNullOutput(Mixer& mixer, int* error) {
    auto out = std::make_unique<NullOutput>(mixer);
    if (!out->valid()) {
        *error = BASS_ERROR_MEM;
        return nullptr;
    }
    return out;
}

std::unique_ptr<Output> startWasapiOutput(Mixer& mixer, const std::wstring& endpointId, int* error) {
    auto out = std::make_unique<WasapiOutput>(mixer, endpointId);
    const int result = out->start();
    if (result != BASS_OK) {
        *error = result;
        return nullptr;
    }
    return out;
}

} // namespace audiolib
