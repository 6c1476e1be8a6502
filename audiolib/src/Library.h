// The library's state behind the C functions: the current device, its
// output, the mixer, the decoder thread and the table of streams.
// Control calls are serialised by one lock; the render thread never takes it.
#pragma once
#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "Devices.h"
#include "Output.h"
#include "Stream.h"
#include "bass.h"

namespace audiolib {

// Every operation returns its result and leaves a BASS_ERROR_* code in `err`
// (BASS_OK on success).
class Library {
  public:
    static Library& instance();

    bool init(int device, int& err);
    bool free(int& err);
    int device();
    bool deviceInfo(uint32_t device, BASS_DEVICEINFO* info, int& err);
    bool setVolume(float volume, int& err);
    float volume();

    HSTREAM createStream(bool mem, const void* file, uint64_t offset, uint64_t length, int& err);
    bool freeStream(HSTREAM handle, int& err);

    bool play(HSTREAM handle, bool restart, int& err);
    bool pause(HSTREAM handle, int& err);
    bool stop(HSTREAM handle, int& err);
    uint32_t isActive(HSTREAM handle, int& err);
    uint64_t position(HSTREAM handle, int& err);
    bool setPosition(HSTREAM handle, uint64_t bytes, int& err);
    uint64_t length(HSTREAM handle, int& err);
    const char* tags(HSTREAM handle, uint32_t kind, int& err);
    uint32_t data(HSTREAM handle, void* buffer, uint32_t length, int& err);
    bool setVolumeAttribute(HSTREAM handle, float value, int& err);
    bool volumeAttribute(HSTREAM handle, float* value, int& err);
    double bytesToSeconds(HSTREAM handle, uint64_t bytes, int& err);
    uint64_t secondsToBytes(HSTREAM handle, double seconds, int& err);

    bool startTimes(HSTREAM handle, int64_t* requested, int64_t* firstOutput, int& err);
    bool startDelay(HSTREAM handle, double* seconds, int& err);
    bool outputInfo(BASSX_OUTPUTINFO* info, int& err);

  private:
    Library() = default;
    std::shared_ptr<Stream> find(HSTREAM handle, int& err);
    void decoderLoop();
    // Asks the decoder thread for a pass over the rings now.
    void wakeDecoder();
    void stopDecoder();
    const char* intern(const std::string& text);

    std::mutex api_;
    std::mutex table_; // guards streams_ for the decoder thread's snapshots
    std::map<HSTREAM, std::shared_ptr<Stream>> streams_;
    HSTREAM nextHandle_ = 1;
    int device_ = -1;
    Mixer mixer_;
    std::unique_ptr<Output> output_;
    // The device list as last read, and when: a program lists the devices
    // one call at a time, and each reading asks the system afresh.
    std::vector<Endpoint> endpoints(bool fresh);
    std::vector<Endpoint> endpoints_;
    std::chrono::steady_clock::time_point endpointsRead_{};
    // A device output let go by a Free that came right after its Init, kept
    // for the Init that follows (see free()); empty otherwise.
    std::unique_ptr<Output> parked_;
    std::wstring parkedEndpoint_, endpoint_;
    std::chrono::steady_clock::time_point initAt_{};
    float masterVolume_ = 1.0f;

    std::thread decoder_;
    std::mutex decoderLock_;
    std::condition_variable decoderWake_;
    bool decoderStop_ = false;
    bool decoderAsked_ = false;

    std::set<std::string> names_; // device names handed out stay valid
};

} // namespace audiolib
