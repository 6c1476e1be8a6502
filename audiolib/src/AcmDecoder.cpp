#include "AcmDecoder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <mutex>

#include "bass.h"

namespace audiolib {
namespace {

constexpr size_t kSourceChunk = 4096;
// Enough for the most frames a source chunk can hold at the lowest bit rate,
// so one conversion never has to hold output back.
constexpr size_t kMinDestination = 192 * 1024;

const WAVEFORMATEX* sourceFormat(const AcmInput& in) {
    return reinterpret_cast<const WAVEFORMATEX*>(in.format.data());
}

// Opening a stream without naming a driver makes ACM ask every installed
// codec in turn, which costs tens of milliseconds: far too slow for a click.
// The driver that took a format tag once is kept open for the process and
// asked directly afterwards.
class DriverCache {
  public:
    HACMDRIVER find(WORD tag) {
        std::lock_guard guard(lock_);
        auto it = drivers_.find(tag);
        return it == drivers_.end() ? nullptr : it->second;
    }
    void remember(WORD tag, HACMSTREAM stream) {
        HACMDRIVERID id = nullptr;
        if (acmDriverID(reinterpret_cast<HACMOBJ>(stream), &id, 0) != MMSYSERR_NOERROR) return;
        HACMDRIVER driver = nullptr;
        if (acmDriverOpen(&driver, id, 0) != MMSYSERR_NOERROR) return;
        std::lock_guard guard(lock_);
        if (!drivers_.emplace(tag, driver).second) acmDriverClose(driver, 0);
    }

    // Opening a codec stream still costs most of a millisecond, a large part
    // of a click's budget. One fresh stream for the format used last is kept
    // open in advance (by the decoder thread), and the next stream of that
    // format takes it. Streams are never reused: a spare has decoded nothing.
    HACMSTREAM takeSpare(const std::vector<uint8_t>& key) {
        std::lock_guard guard(lock_);
        wantedKey_ = key;
        wanted_ = true;
        if (spare_ && spareKey_ == key) return std::exchange(spare_, nullptr);
        return nullptr;
    }
    void warm() noexcept {
        std::vector<uint8_t> key;
        {
            std::lock_guard guard(lock_);
            if (!wanted_) return;
            wanted_ = false;
            if (spare_ && spareKey_ == wantedKey_) return;
            key = wantedKey_;
        }
        auto* src = reinterpret_cast<WAVEFORMATEX*>(key.data());
        auto* pcm = reinterpret_cast<WAVEFORMATEX*>(key.data() + key.size() - sizeof(WAVEFORMATEX));
        HACMDRIVER driver = find(src->wFormatTag);
        HACMSTREAM fresh = nullptr;
        if (!driver || acmStreamOpen(&fresh, driver, src, pcm, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) !=
                           MMSYSERR_NOERROR)
            return;
        std::lock_guard guard(lock_);
        if (spare_) acmStreamClose(spare_, 0);
        spare_ = fresh;
        spareKey_ = std::move(key);
    }

  private:
    std::mutex lock_;
    std::map<WORD, HACMDRIVER> drivers_;
    HACMSTREAM spare_ = nullptr;
    std::vector<uint8_t> spareKey_;
    std::vector<uint8_t> wantedKey_;
    bool wanted_ = false;
};

DriverCache& driverCache() {
    // Process lifetime on purpose: closing codecs during unload is unsafe.
    static DriverCache* cache = new DriverCache;
    return *cache;
}

} // namespace

AcmDecoder::AcmDecoder(std::unique_ptr<ByteSource> source, AcmInput input)
    : source_(std::move(source)), in_(std::move(input)) {}

AcmDecoder::~AcmDecoder() {
    stop();
}

std::unique_ptr<AcmDecoder> AcmDecoder::open(std::unique_ptr<ByteSource> source, AcmInput input, int* error) {
    if (input.format.size() < sizeof(WAVEFORMATEX) - 2) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    input.format.resize(std::max(input.format.size(), sizeof(WAVEFORMATEX)));
    auto* fmt = reinterpret_cast<WAVEFORMATEX*>(input.format.data());
    if (fmt->cbSize > input.format.size() - sizeof(WAVEFORMATEX))
        fmt->cbSize = WORD(input.format.size() - sizeof(WAVEFORMATEX));

    std::unique_ptr<AcmDecoder> d(new AcmDecoder(std::move(source), std::move(input)));
    // Let the codec pick the PCM it produces (channels and rate follow the source).
    d->pcm_.wFormatTag = WAVE_FORMAT_PCM;
    d->pcm_.wBitsPerSample = 16;
    const WORD tag = sourceFormat(d->in_)->wFormatTag;
    // MP3 decodes to its own rate and channel count; other codecs are asked.
    if (tag == WAVE_FORMAT_MPEGLAYER3 ||
        acmFormatSuggest(driverCache().find(tag), const_cast<WAVEFORMATEX*>(sourceFormat(d->in_)), &d->pcm_,
                         sizeof(d->pcm_),
                         ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_WBITSPERSAMPLE) !=
            MMSYSERR_NOERROR ||
        d->pcm_.nChannels == 0 || d->pcm_.nSamplesPerSec == 0) {
        d->pcm_.nChannels = sourceFormat(d->in_)->nChannels;
        d->pcm_.nSamplesPerSec = sourceFormat(d->in_)->nSamplesPerSec;
    }
    d->pcm_.wFormatTag = WAVE_FORMAT_PCM;
    d->pcm_.wBitsPerSample = 16;
    d->pcm_.nBlockAlign = WORD(d->pcm_.nChannels * 2);
    d->pcm_.nAvgBytesPerSec = d->pcm_.nSamplesPerSec * d->pcm_.nBlockAlign;
    d->pcm_.cbSize = 0;
    if (d->pcm_.nChannels == 0 || d->pcm_.nChannels > 8 || d->pcm_.nSamplesPerSec == 0 || !d->start()) {
        *error = BASS_ERROR_CODEC;
        return nullptr;
    }
    d->channels_ = d->pcm_.nChannels;
    d->rate_ = d->pcm_.nSamplesPerSec;
    d->length_ = d->in_.totalFrames ? d->in_.totalFrames : d->in_.estimatedFrames;
    d->toSkip_ = d->in_.skipFrames;
    return d;
}

void AcmDecoder::warmSpare() noexcept {
    driverCache().warm();
}

bool AcmDecoder::start() noexcept {
    auto* src = const_cast<WAVEFORMATEX*>(sourceFormat(in_));
    HACMDRIVER known = driverCache().find(src->wFormatTag);
    std::vector<uint8_t> key;
    try {
        key.assign(in_.format.begin(), in_.format.end());
        const auto* p = reinterpret_cast<const uint8_t*>(&pcm_);
        key.insert(key.end(), p, p + sizeof(pcm_));
    } catch (...) {
        return false;
    }
    stream_ = known ? driverCache().takeSpare(key) : nullptr;
    if (!stream_ && (!known || acmStreamOpen(&stream_, known, src, &pcm_, nullptr, 0, 0,
                                             ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR)) {
        if (acmStreamOpen(&stream_, nullptr, src, &pcm_, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) !=
            MMSYSERR_NOERROR) {
            stream_ = nullptr;
            return false;
        }
        if (!known) driverCache().remember(src->wFormatTag, stream_);
    }
    const size_t align = std::max<size_t>(1, sourceFormat(in_)->nBlockAlign);
    const size_t srcBytes = std::max(align, kSourceChunk - kSourceChunk % align);
    DWORD dstBytes = 0;
    if (acmStreamSize(stream_, DWORD(srcBytes), &dstBytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR)
        dstBytes = 0;
    try {
        src_.resize(srcBytes);
        dst_.resize(std::max<size_t>(kMinDestination, size_t(dstBytes) * 2));
    } catch (...) {
        stop();
        return false;
    }
    header_ = {};
    header_.cbStruct = sizeof(header_);
    header_.pbSrc = src_.data();
    header_.cbSrcLength = DWORD(src_.size());
    header_.pbDst = dst_.data();
    header_.cbDstLength = DWORD(dst_.size());
    if (acmStreamPrepareHeader(stream_, &header_, 0) != MMSYSERR_NOERROR) {
        stop();
        return false;
    }
    prepared_ = true;
    readPos_ = in_.begin;
    srcFill_ = 0;
    inputDone_ = false;
    flushed_ = false;
    dstPos_ = dstEnd_ = 0;
    return true;
}

void AcmDecoder::stop() noexcept {
    if (prepared_) {
        header_.cbSrcLength = DWORD(src_.size());
        header_.cbDstLength = DWORD(dst_.size());
        acmStreamUnprepareHeader(stream_, &header_, 0);
        prepared_ = false;
    }
    if (stream_) acmStreamClose(stream_, 0);
    stream_ = nullptr;
}

bool AcmDecoder::refill() noexcept {
    if (flushed_ || !stream_) return false;
    if (!inputDone_ && srcFill_ < src_.size()) {
        const size_t want =
            size_t(std::min<uint64_t>(src_.size() - srcFill_, in_.end > readPos_ ? in_.end - readPos_ : 0));
        const size_t got = want ? source_->readAt(readPos_, src_.data() + srcFill_, want) : 0;
        srcFill_ += got;
        readPos_ += got;
        if (got < want || readPos_ >= in_.end) inputDone_ = true;
    }
    const size_t align = std::max<size_t>(1, sourceFormat(in_)->nBlockAlign);
    size_t feed = srcFill_;
    if (!inputDone_) feed -= feed % align;
    header_.cbSrcLength = DWORD(feed);
    header_.cbDstLength = DWORD(dst_.size());
    header_.cbSrcLengthUsed = 0;
    header_.cbDstLengthUsed = 0;
    const DWORD flags = inputDone_ ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
    if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR) {
        flushed_ = true;
        return false;
    }
    const size_t used = std::min<size_t>(header_.cbSrcLengthUsed, srcFill_);
    const size_t produced = std::min<size_t>(header_.cbDstLengthUsed, dst_.size());
    std::memmove(src_.data(), src_.data() + used, srcFill_ - used);
    srcFill_ -= used;
    dstPos_ = 0;
    dstEnd_ = produced - produced % (size_t(channels_ ? channels_ : pcm_.nChannels) * 2);
    if (produced == 0 && used == 0) {
        if (inputDone_) {
            flushed_ = true;
            return false;
        }
        // A full buffer the codec will not take is not audio: drop it.
        if (srcFill_ == src_.size()) srcFill_ = 0;
    }
    return true;
}

size_t AcmDecoder::decode(int16_t* out, size_t maxFrames) noexcept {
    const size_t frameBytes = size_t(channels_) * 2;
    size_t done = 0;
    while (done < maxFrames) {
        if (dstPos_ >= dstEnd_) {
            if (!refill()) break;
            continue;
        }
        size_t avail = (dstEnd_ - dstPos_) / frameBytes;
        if (toSkip_ > 0) {
            const size_t n = size_t(std::min<uint64_t>(avail, toSkip_));
            dstPos_ += n * frameBytes;
            toSkip_ -= n;
            continue;
        }
        if (in_.totalFrames) {
            if (emitted_ >= in_.totalFrames) break;
            avail = size_t(std::min<uint64_t>(avail, in_.totalFrames - emitted_));
        }
        const size_t n = std::min(avail, maxFrames - done);
        std::memcpy(out + done * channels_, dst_.data() + dstPos_, n * frameBytes);
        dstPos_ += n * frameBytes;
        done += n;
        emitted_ += n;
    }
    // The true length of a file without a frame count is known at its end.
    if (done == 0 && !in_.totalFrames) length_ = emitted_;
    return done;
}

bool AcmDecoder::seek(uint64_t frame) noexcept {
    stop();
    if (!start()) return false;
    toSkip_ = in_.skipFrames + frame;
    emitted_ = frame;
    return true;
}

} // namespace audiolib
