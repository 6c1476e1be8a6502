#pragma once
// When a parsed copy of a settings file may stand in for the file itself.
// The store keeps the last parse of each file and reuses it while the file's
// identity, size and last-write time are those it had when it was read; a
// rewrite of the same size within one step of the file system's clock keeps
// the last-write time too, so until the file's time is older than that step
// the bytes are read again and compared by fingerprint (cheap next to a parse).
// Pure logic; thread safe.
#include <cstdint>
#include <string_view>

namespace app {

// Times are in 100 ns units, like FILETIME.
struct FileStamp {
    bool exists = false;
    std::uint32_t volume = 0;
    std::uint64_t fileIndex = 0; // changes when the file is replaced by another
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0;
    bool operator==(const FileStamp&) const = default;
};

// The step of the clock that stamped lastWrite: FAT keeps two seconds, and a
// time on a whole second is taken for one from such a file system; others keep
// the time of a clock tick (16 ms on NTFS, 10 ms on exFAT, a few ms under Linux),
// which 100 ms covers.
std::int64_t writeTimeStep(std::int64_t lastWrite);

// True when any write after readStartedAt (the clock before the read that saw
// this content) must give the file a different last-write time, so that an
// unchanged stamp proves unchanged content.
bool stampProvesContent(std::int64_t lastWrite, std::int64_t readStartedAt);

// A 64-bit fingerprint of the bytes, fast enough for megabytes per read.
std::uint64_t contentFingerprint(std::string_view bytes);

} // namespace app
