#include "Decoder.h"

#include <cstring>

#include "AcmDecoder.h"
#include "MidiDecoder.h"
#include "PcmDecoder.h"
#include "audiolib/core/MidiFile.h"
#include "audiolib/core/Mp3Format.h"
#include "audiolib/core/WavFormat.h"
#include "bass.h"

namespace audiolib {
namespace {

std::unique_ptr<Decoder> openWav(std::unique_ptr<ByteSource> source, int* error) {
    WavInfo info;
    if (parseWav(*source, info) != WavResult::Ok) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    if (info.kind != SampleKind::Encoded) return std::make_unique<PcmDecoder>(std::move(source), info);

    const auto* fmt = reinterpret_cast<const WAVEFORMATEX*>(info.fmt.data());
    AcmInput in;
    in.format = info.fmt;
    in.begin = info.dataOffset;
    in.end = info.dataOffset + info.dataBytes;
    in.totalFrames = info.factFrames;
    if (fmt->nAvgBytesPerSec)
        in.estimatedFrames = uint64_t(double(info.dataBytes) / fmt->nAvgBytesPerSec * info.sampleRate);
    auto d = AcmDecoder::open(std::move(source), std::move(in), error);
    return d;
}

std::unique_ptr<Decoder> openMp3(std::unique_ptr<ByteSource> source, int* error) {
    Mp3Layout layout;
    if (!parseMp3Layout(*source, layout)) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = layout.first.channels;
    mp3.wfx.nSamplesPerSec = layout.first.sampleRate;
    mp3.wfx.nAvgBytesPerSec = layout.first.bitrate / 8;
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = WORD(layout.first.frameBytes);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;

    AcmInput in;
    in.format.resize(sizeof(mp3));
    std::memcpy(in.format.data(), &mp3, sizeof(mp3));
    in.begin = layout.audioOffset;
    in.end = layout.audioEnd;
    // The codec's output starts with its own delay, which is never audio;
    // LAME also records the encoder's delay and the padding at the end.
    in.skipFrames = kMp3DecoderDelay + (layout.hasGaplessInfo ? layout.encoderDelay : 0);
    in.totalFrames = layout.totalFrames;
    in.estimatedFrames = uint64_t(double(layout.audioEnd - layout.audioOffset) * 8 / layout.first.bitrate *
                                  layout.first.sampleRate);
    return AcmDecoder::open(std::move(source), std::move(in), error);
}

} // namespace

std::unique_ptr<Decoder> openDecoder(std::unique_ptr<ByteSource> source, int* error) {
    uint8_t head[12] = {};
    const size_t n = source->readAt(0, head, sizeof(head));
    if (n < 4) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    if (looksLikeWav(head, n)) return openWav(std::move(source), error);
    if (looksLikeMidi(head, n)) return MidiDecoder::open(*source, error);
    if (std::memcmp(head, "RIFF", 4) == 0) {
        // Some other RIFF form: not audio we know.
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    return openMp3(std::move(source), error);
}

} // namespace audiolib
