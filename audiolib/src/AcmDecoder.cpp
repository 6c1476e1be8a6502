#include "AcmDecoder.h"

#include <algorithm>
#include <cstring>

#include "bass.h"

namespace audiolib {
namespace {

constexpr size_t kSourceChunk = 4096;
// Enough for the most frames a source chunk can hold at the lowest bit rate,
// so one conversion never has to hold output back.
constexpr size_t kMinDestination = 192 * 1024;

const WAVEFORMATEX* sourceFormat(const AcmInput& in) { return reinterpret_cast<const WAVEFORMATEX*>(in.format.data()); }

} // namespace

AcmDecoder::AcmDecoder(std::unique_ptr<ByteSource> source, AcmInput input) : source_(std::move(source)), in_(std::move(input)) {}

AcmDecoder::~AcmDecoder() { stop(); }

std::unique_ptr<AcmDecoder> AcmDecoder::open(std::unique_ptr<ByteSource> source, AcmInput input, int* error) {
    if (input.format.size() < sizeof(WAVEFORMATEX) - 2) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    input.format.resize(std::max(input.format.size(), sizeof(WAVEFORMATEX)));
    auto* fmt = reinterpret_cast<WAVEFORMATEX*>(input.format.data());
    if (fmt->cbSize > input.format.size() - sizeof(WAVEFORMATEX)) fmt->cbSize = WORD(input.format.size() - sizeof(WAVEFORMATEX));

    std::unique_ptr<AcmDecoder> d(new AcmDecoder(std::move(source), std::move(input)));
    // Let the codec pick the PCM it produces (channels and rate follow the source).
    d->pcm_.wFormatTag = WAVE_FORMAT_PCM;
    d->pcm_.wBitsPerSample = 16;
    if (acmFormatSuggest(nullptr, const_cast<WAVEFORMATEX*>(sourceFormat(d->in_)), &d->pcm_, sizeof(d->pcm_),
                         ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_WBITSPERSAMPLE) != MMSYSERR_NOERROR ||
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

bool AcmDecoder::start() noexcept {
    if (acmStreamOpen(&stream_, nullptr, const_cast<WAVEFORMATEX*>(sourceFormat(in_)), &pcm_, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
        stream_ = nullptr;
        return false;
    }
    const size_t align = std::max<size_t>(1, sourceFormat(in_)->nBlockAlign);
    const size_t srcBytes = std::max(align, kSourceChunk - kSourceChunk % align);
    DWORD dstBytes = 0;
    if (acmStreamSize(stream_, DWORD(srcBytes), &dstBytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR) dstBytes = 0;
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
        const size_t want = size_t(std::min<uint64_t>(src_.size() - srcFill_, in_.end > readPos_ ? in_.end - readPos_ : 0));
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
