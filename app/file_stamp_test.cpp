#include "app/file_stamp.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace app {
namespace {

constexpr std::int64_t kSecond = 10'000'000;
constexpr std::int64_t kMs = 10'000;
// 2026-12-10 12:00:00 UTC as a FILETIME.
constexpr std::int64_t kNoon = 134'413'776'000'000'000;

TEST(FileStamp, AnUnchangedStampProvesTheContentOnlyOnceTheClockHasMovedOnByAStep) {
    struct Case {
        const char* name;
        std::int64_t lastWrite;
        std::int64_t readStartedAt;
        bool proves;
    };
    const Case cases[] = {
        {"fine clock, read at the same time", kNoon + 123 * kMs + 4567, kNoon + 123 * kMs + 4567, false},
        {"fine clock, read 50 ms later", kNoon + 123 * kMs, kNoon + 173 * kMs, false},
        {"fine clock, read 101 ms later", kNoon + 123 * kMs, kNoon + 224 * kMs + 1, true},
        {"fine clock, read an hour later", kNoon + 1, kNoon + 3600 * kSecond, true},
        {"whole second (FAT), read 1.5 s later", kNoon, kNoon + 1500 * kMs, false},
        {"whole second (FAT), read 2 s later", kNoon, kNoon + 2 * kSecond, false},
        {"whole second (FAT), read 2.1 s later", kNoon, kNoon + 2100 * kMs, true},
        {"file time ahead of our clock", kNoon + 10 * kSecond + 7, kNoon, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stampProvesContent(c.lastWrite, c.readStartedAt), c.proves) << c.name;
}

TEST(FileStamp, FingerprintsTellOneChangedByteOrLengthApart) {
    std::string bytes = "[music]\r\nvolume=35\r\n" + std::string(1000, ';');
    std::set<std::uint64_t> seen{contentFingerprint(bytes)};
    for (std::size_t i = 0; i < bytes.size(); i += 7) {
        std::string changed = bytes;
        changed[i] ^= 0x01;
        EXPECT_TRUE(seen.insert(contentFingerprint(changed)).second) << i;
    }
    for (std::size_t n = 0; n < 40; ++n)
        EXPECT_TRUE(seen.insert(contentFingerprint(std::string(n, '\0'))).second) << n;
    EXPECT_EQ(contentFingerprint(bytes), contentFingerprint(std::string(bytes)));
}

} // namespace
} // namespace app
