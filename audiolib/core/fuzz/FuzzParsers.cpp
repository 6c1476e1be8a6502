// libFuzzer entry point for the container parsers: every input must parse or
// be refused without reading outside the data, looping or asserting.
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSB_FUZZ=ON
//   build/fuzz/audiolib/core/fuzz_parsers -max_total_time=60
#include <cstddef>
#include <cstdint>

#include "audiolib/core/Mp3Format.h"
#include "audiolib/core/WavFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    audiolib::MemorySource src(data, size);
    audiolib::WavInfo wav;
    if (audiolib::parseWav(src, wav) == audiolib::WavResult::Ok) {
        if (wav.dataOffset + wav.dataBytes > size) __builtin_trap();
        if (wav.blockAlign == 0 || wav.dataBytes % wav.blockAlign != 0) __builtin_trap();
    }
    audiolib::Mp3Layout mp3;
    if (audiolib::parseMp3Layout(src, mp3)) {
        if (mp3.audioOffset > mp3.audioEnd || mp3.audioEnd > size) __builtin_trap();
        if (mp3.first.sampleRate == 0 || mp3.first.frameBytes == 0) __builtin_trap();
    }
    audiolib::SubSource part(src, size / 3, size);
    audiolib::WavInfo inner;
    (void)audiolib::parseWav(part, inner);
    return 0;
}
