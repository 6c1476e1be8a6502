#include "app/file_stamp.h"

#include <cstring>

namespace app {

namespace {
constexpr std::int64_t kTicksPerSecond = 10'000'000;
}

std::int64_t writeTimeStep(std::int64_t lastWrite) {
    return lastWrite % kTicksPerSecond == 0 ? 2 * kTicksPerSecond : kTicksPerSecond / 10;
}

bool stampProvesContent(std::int64_t lastWrite, std::int64_t readStartedAt) {
    return readStartedAt - lastWrite > writeTimeStep(lastWrite);
}

std::uint64_t contentFingerprint(std::string_view bytes) {
    constexpr std::uint64_t kMultiplier = 0xFF51AFD7ED558CCDull;
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
    const auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * kMultiplier;
        h ^= h >> 29;
    };
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        mix(word);
    }
    std::uint64_t tail = 0;
    if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    mix(tail);
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

} // namespace app
