#include "Library.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "AcmDecoder.h"
#include "Devices.h"
#include "FileSource.h"
#include "SoundFonts.h"
#include "WinUtil.h"
#include "audiolib/core/Spectrum.h"

namespace audiolib {
namespace {

constexpr const char* kNoSoundName = "No sound";

// How long Free waits for the fades of playing streams before it stops the
// output: a few periods.
constexpr auto kFadeWait = std::chrono::milliseconds(60);

// How long a reading of the device list answers the calls that follow it.
constexpr auto kEndpointsFresh = std::chrono::milliseconds(500);
// A Free this soon after its Init keeps the device's stream for the next Init.
constexpr auto kReuseWindow = std::chrono::seconds(1);

uint64_t bytesPerFrame(const Stream& s) {
    return uint64_t(s.channels()) * 2;
}

} // namespace

Library& Library::instance() {
    // Never destroyed: at process exit the threads are already gone and the
    // loader lock is held, so there is nothing safe left to clean up.
    static Library* lib = new Library;
    return *lib;
}

const char* Library::intern(const std::string& text) {
    return names_.insert(text).first->c_str();
}

bool Library::init(int device, int& err) {
    std::lock_guard api(api_);
    if (device_ != -1) {
        err = BASS_ERROR_ALREADY;
        return false;
    }
    if (device < -1) {
        err = BASS_ERROR_DEVICE;
        return false;
    }
    std::unique_ptr<Output> parked = std::move(parked_);
    std::vector<Endpoint> list;
    if (device != 0) list = endpoints(false);
    int chosen = device;
    if (device == -1) chosen = list.empty() ? 0 : 1;
    if (chosen > int(list.size())) {
        err = BASS_ERROR_DEVICE;
        return false;
    }
    mixer_.clear();
    mixer_.setMasterVolume(masterVolume_);
    endpoint_ = chosen == 0 ? std::wstring() : list[chosen - 1].id;
    if (parked && chosen != 0 && endpoint_ == parkedEndpoint_) {
        output_ = std::move(parked);
    } else {
        parked.reset(); // another device: the kept stream goes before the new one opens
        output_ = chosen == 0 ? startNullOutput(mixer_, &err) : startWasapiOutput(mixer_, endpoint_, &err);
    }
    if (!output_) return false;
    initAt_ = std::chrono::steady_clock::now();
    {
        std::lock_guard guard(decoderLock_);
        decoderStop_ = false;
        decoderAsked_ = false;
    }
    decoder_ = std::thread([this] { decoderLoop(); });
    // The SoundFont is read now, off the path of the first MIDI click.
    startLoadingSoundBank();
    device_ = chosen;
    err = BASS_OK;
    return true;
}

void Library::wakeDecoder() {
    {
        std::lock_guard guard(decoderLock_);
        decoderAsked_ = true;
    }
    decoderWake_.notify_one();
}

void Library::stopDecoder() {
    {
        std::lock_guard guard(decoderLock_);
        decoderStop_ = true;
    }
    decoderWake_.notify_all();
    if (decoder_.joinable()) decoder_.join();
}

bool Library::free(int& err) {
    std::lock_guard api(api_);
    if (device_ == -1) {
        err = BASS_ERROR_INIT;
        return false;
    }
    std::map<HSTREAM, std::shared_ptr<Stream>> streams;
    {
        std::lock_guard table(table_);
        streams.swap(streams_);
    }
    // Fade out whatever plays, then stop the device.
    for (auto& [handle, s] : streams)
        mixer_.release(*s->voice());
    output_->wake();
    const auto deadline = std::chrono::steady_clock::now() + kFadeWait;
    while (mixer_.anyAudible() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // A program that opens the default device to list the devices and then
    // opens the one chosen (nearly always the same) frees in between: its
    // stream, silent now, is kept for that Init instead of being closed and
    // opened again. Any later Init takes it or lets it go first.
    if (device_ > 0 && std::chrono::steady_clock::now() - initAt_ < kReuseWindow) {
        parked_ = std::move(output_);
        parkedEndpoint_ = endpoint_;
    }
    output_.reset();
    stopDecoder();
    for (auto& [handle, s] : streams)
        s->close();
    mixer_.clear();
    device_ = -1;
    err = BASS_OK;
    return true;
}

std::vector<Endpoint> Library::endpoints(bool fresh) {
    const auto now = std::chrono::steady_clock::now();
    if (fresh || endpointsRead_ == std::chrono::steady_clock::time_point{} || now - endpointsRead_ > kEndpointsFresh) {
        endpoints_ = listEndpoints();
        endpointsRead_ = now;
    }
    return endpoints_;
}

int Library::device() {
    std::lock_guard api(api_);
    return device_;
}

bool Library::deviceInfo(uint32_t device, BASS_DEVICEINFO* info, int& err) {
    std::lock_guard api(api_);
    if (!info) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    if (device == 0) {
        info->name = kNoSoundName;
        info->driver = intern("");
        info->flags = BASS_DEVICE_ENABLED | (device_ == 0 ? BASS_DEVICE_INIT : 0);
        err = BASS_OK;
        return true;
    }
    // The first device asks the system afresh; the others, asked right after it, take that reading.
    const auto list = endpoints(device == 1);
    if (device > list.size()) {
        err = BASS_ERROR_DEVICE;
        return false;
    }
    const Endpoint& e = list[device - 1];
    info->name = intern(e.name);
    info->driver = intern(win::narrow(e.id));
    info->flags = BASS_DEVICE_ENABLED | (device == 1 ? BASS_DEVICE_DEFAULT : 0) |
                  (device_ == int(device) ? BASS_DEVICE_INIT : 0);
    err = BASS_OK;
    return true;
}

bool Library::setVolume(float volume, int& err) {
    std::lock_guard api(api_);
    if (!(volume >= 0.0f && volume <= 1.0f)) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    masterVolume_ = volume;
    mixer_.setMasterVolume(volume);
    err = BASS_OK;
    return true;
}

float Library::volume() {
    std::lock_guard api(api_);
    return masterVolume_;
}

HSTREAM Library::createStream(bool mem, const void* file, uint64_t offset, uint64_t length, int& err) {
    std::lock_guard api(api_);
    if (device_ == -1) {
        err = BASS_ERROR_INIT;
        return 0;
    }
    if (!file) {
        err = BASS_ERROR_ILLPARAM;
        return 0;
    }
    std::unique_ptr<ByteSource> keepAlive;
    std::unique_ptr<ByteSource> source;
    if (mem) {
        if (length == 0 || offset >= length) {
            err = BASS_ERROR_ILLPARAM;
            return 0;
        }
        source = std::make_unique<MemorySource>(static_cast<const uint8_t*>(file) + offset, length - offset);
    } else {
        auto f = FileSource::open(static_cast<const char*>(file), &err);
        if (!f) return 0;
        if (offset == 0 && length == 0) {
            source = std::move(f);
        } else {
            source = std::make_unique<SubSource>(*f, offset, length ? length : f->size());
            keepAlive = std::move(f);
        }
    }
    uint8_t id3v1[128];
    const uint64_t size = source->size();
    const bool hasId3v1 =
        size >= 128 && source->readAt(size - 128, id3v1, 128) == 128 && std::memcmp(id3v1, "TAG", 3) == 0;

    auto decoder = openDecoder(std::move(source), &err);
    if (!decoder) return 0;
    auto stream = std::make_shared<Stream>(std::move(decoder), std::move(keepAlive));
    if (hasId3v1) stream->setId3v1(id3v1);
    // The rest of the ring is decoded once the stream plays: decoding now
    // would take the processor from the caller, who is about to call play.
    stream->fill(size_t(stream->sampleRate() * Stream::kPrimeSeconds));
    mixer_.add(stream->voice());

    std::lock_guard table(table_);
    while (nextHandle_ == 0 || streams_.count(nextHandle_))
        ++nextHandle_;
    const HSTREAM handle = nextHandle_++;
    streams_[handle] = std::move(stream);
    err = BASS_OK;
    return handle;
}

std::shared_ptr<Stream> Library::find(HSTREAM handle, int& err) {
    std::lock_guard table(table_);
    auto it = streams_.find(handle);
    if (it == streams_.end()) {
        err = BASS_ERROR_HANDLE;
        return nullptr;
    }
    err = BASS_OK;
    return it->second;
}

bool Library::freeStream(HSTREAM handle, int& err) {
    std::lock_guard api(api_);
    std::shared_ptr<Stream> s;
    {
        std::lock_guard table(table_);
        auto it = streams_.find(handle);
        if (it == streams_.end()) {
            err = BASS_ERROR_HANDLE;
            return false;
        }
        s = std::move(it->second);
        streams_.erase(it);
    }
    // The voice fades out on the render thread and is dropped once it is
    // silent; the file is released now. The render thread is not woken for
    // the fade: rendering sooner would not move it in the output (the fade
    // starts where the written audio ends either way), and a mix written now
    // would take the room in the device buffer that the next play, often a
    // moment away, needs for its first samples.
    mixer_.release(*s->voice());
    s->close();
    mixer_.reap();
    err = BASS_OK;
    return true;
}

bool Library::play(HSTREAM handle, bool restart, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return false;
    Voice& v = *s->voice();
    // A stream fresh from creation (or rewound) already holds its start.
    if (restart && v.position.load() != 0) s->seek(mixer_, 0);
    {
        std::lock_guard mix(mixer_.lock());
        if (!v.audible) v.fadeIn = v.position.load() > 0;
        v.playRequestedAt.store(win::ticksNow());
        v.firstOutputAt.store(0);
        v.awaitingFirstOutput.store(true);
        v.state.store(PlayState::Playing);
    }
    output_->wake();
    wakeDecoder();
    return true;
}

bool Library::pause(HSTREAM handle, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return false;
    PlayState expected = PlayState::Playing;
    if (!s->voice()->state.compare_exchange_strong(expected, PlayState::Paused)) {
        err = BASS_ERROR_NOTAVAIL;
        return false;
    }
    return true;
}

bool Library::stop(HSTREAM handle, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return false;
    s->voice()->state.store(PlayState::Stopped);
    return true;
}

uint32_t Library::isActive(HSTREAM handle, int& err) {
    auto s = find(handle, err);
    if (!s) return BASS_ACTIVE_STOPPED;
    const Voice& v = *s->voice();
    switch (v.state.load()) {
    case PlayState::Playing:
        return v.ring.readable() == 0 && !v.sourceEnded.load() ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING;
    case PlayState::Paused:
        return BASS_ACTIVE_PAUSED;
    default:
        return BASS_ACTIVE_STOPPED;
    }
}

uint64_t Library::position(HSTREAM handle, int& err) {
    auto s = find(handle, err);
    if (!s) return ~0ull;
    return s->voice()->position.load() * bytesPerFrame(*s);
}

bool Library::setPosition(HSTREAM handle, uint64_t bytes, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return false;
    const uint64_t frame = bytes / bytesPerFrame(*s);
    if (frame > s->lengthFrames()) {
        err = BASS_ERROR_POSITION;
        return false;
    }
    if (!s->seek(mixer_, frame)) {
        err = BASS_ERROR_POSITION;
        return false;
    }
    wakeDecoder();
    return true;
}

uint64_t Library::length(HSTREAM handle, int& err) {
    auto s = find(handle, err);
    if (!s) return ~0ull;
    return s->lengthFrames() * bytesPerFrame(*s);
}

const char* Library::tags(HSTREAM handle, uint32_t kind, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return nullptr;
    const char* tag = kind == BASS_TAG_ID3 ? s->id3v1() : nullptr;
    if (!tag) err = BASS_ERROR_NOTAVAIL;
    return tag;
}

uint32_t Library::data(HSTREAM handle, void* buffer, uint32_t length, int& err) {
    std::lock_guard api(api_);
    auto s = find(handle, err);
    if (!s) return ~0u;
    if (!buffer) {
        err = BASS_ERROR_ILLPARAM;
        return ~0u;
    }
    if (length == BASS_DATA_FFT256) {
        float history[kFftSize];
        if (!s->voice()->readHistory(history)) {
            err = BASS_ERROR_NOTAVAIL;
            return ~0u;
        }
        spectrum256(history, static_cast<float*>(buffer));
        return kFftBins * sizeof(float);
    }
    if (length & 0xF0000000u) {
        err = BASS_ERROR_ILLPARAM;
        return ~0u;
    }
    const Voice& v = *s->voice();
    if (v.state.load() == PlayState::Playing) {
        err = BASS_ERROR_NOTAVAIL;
        return ~0u;
    }
    const size_t frames = length / bytesPerFrame(*s);
    const size_t got = s->readPcm(mixer_, static_cast<int16_t*>(buffer), frames);
    return uint32_t(got * bytesPerFrame(*s));
}

bool Library::setVolumeAttribute(HSTREAM handle, float value, int& err) {
    auto s = find(handle, err);
    if (!s) return false;
    if (std::isnan(value)) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    s->voice()->volume.store(std::clamp(value, 0.0f, 1.0f));
    return true;
}

bool Library::volumeAttribute(HSTREAM handle, float* value, int& err) {
    auto s = find(handle, err);
    if (!s) return false;
    if (!value) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    *value = s->voice()->volume.load();
    return true;
}

double Library::bytesToSeconds(HSTREAM handle, uint64_t bytes, int& err) {
    auto s = find(handle, err);
    if (!s) return -1.0;
    return double(bytes / bytesPerFrame(*s)) / s->sampleRate();
}

uint64_t Library::secondsToBytes(HSTREAM handle, double seconds, int& err) {
    auto s = find(handle, err);
    if (!s) return ~0ull;
    if (!(seconds >= 0.0) || seconds > 1e9) {
        err = BASS_ERROR_ILLPARAM;
        return ~0ull;
    }
    return uint64_t(std::floor(seconds * s->sampleRate())) * bytesPerFrame(*s);
}

bool Library::startTimes(HSTREAM handle, int64_t* requested, int64_t* firstOutput, int& err) {
    auto s = find(handle, err);
    if (!s) return false;
    const Voice& v = *s->voice();
    const int64_t first = v.firstOutputAt.load();
    const int64_t asked = v.playRequestedAt.load();
    if (first == 0 || asked == 0) {
        err = BASS_ERROR_NOTAVAIL;
        return false;
    }
    *requested = asked;
    *firstOutput = first;
    return true;
}

bool Library::startDelay(HSTREAM handle, double* seconds, int& err) {
    if (!seconds) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    int64_t asked = 0, first = 0;
    if (!startTimes(handle, &asked, &first, err)) return false;
    *seconds = double(first - asked) / win::ticksPerSecond();
    return true;
}

bool Library::outputInfo(BASSX_OUTPUTINFO* info, int& err) {
    std::lock_guard api(api_);
    if (!info) {
        err = BASS_ERROR_ILLPARAM;
        return false;
    }
    if (!output_) {
        err = BASS_ERROR_INIT;
        return false;
    }
    const OutputStats st = output_->stats();
    info->rate = st.rate;
    info->channels = st.channels;
    info->periodFrames = st.periodFrames;
    info->bufferFrames = st.bufferFrames;
    info->framesWritten = st.framesWritten;
    info->deviceUnderruns = st.glitches;
    info->streamUnderruns = mixer_.underruns();
    err = BASS_OK;
    return true;
}

void Library::decoderLoop() {
    // Below the render thread, above the program's own threads: it keeps the
    // rings ahead of playback.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    std::unique_lock guard(decoderLock_);
    bool draining = false; // a playing stream has more to decode
    while (!decoderStop_) {
        // Rings drain only while their streams play: then they are topped
        // up every 10 ms; otherwise the thread sleeps until it is asked.
        const auto asked = [this] { return decoderAsked_ || decoderStop_; };
        if (draining)
            decoderWake_.wait_for(guard, std::chrono::milliseconds(10), asked);
        else
            decoderWake_.wait(guard, asked);
        if (decoderStop_) break;
        decoderAsked_ = false;
        guard.unlock();
        std::vector<std::shared_ptr<Stream>> work;
        {
            std::lock_guard table(table_);
            work.reserve(streams_.size());
            for (auto& [handle, s] : streams_)
                work.push_back(s);
        }
        draining = false;
        for (auto& s : work) {
            const Voice& v = *s->voice();
            if (v.sourceEnded.load()) continue;
            if (v.state.load() == PlayState::Playing) draining = true;
            // Top up once a quarter of the ring has been played.
            if (v.ring.writable() / v.channels >= s->ringFrames() / 4) s->fill(s->ringFrames(), true);
        }
        work.clear();
        mixer_.reap();
        AcmDecoder::warmSpare();
        guard.lock();
    }
}

} // namespace audiolib
