// FILETIME arithmetic shared by the POSIX layer: the conversion between a POSIX
// timespec and a Win32 FILETIME (100 ns units since 1601-01-01 UTC), and the status
// of a file with its three Win32 time stamps.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

std::uint64_t FileTimeValue(const FILETIME& ft);
FILETIME MakeFileTime(std::uint64_t value);

// A timespec (also before 1970) as a FILETIME; times before 1601 give 0.
FILETIME FileTimeFromTimespec(const struct timespec& ts);
// The timespec of a FILETIME; 100 ns resolution is kept.
struct timespec TimespecFromFileTime(const FILETIME& ft);

// The creation time of a file: its birth time where the file system recorded one, else
// its change time (some file systems report a birth time of 0 for entries whose birth
// they did not record).
FILETIME CreationTimeOf(const struct statx& sx);

// What the layer knows of a file for the Win32 status calls.
struct FileStatus {
    struct stat st {};
    FILETIME creation{};  // birth time where the file system keeps one, else the change time
    FILETIME lastAccess{};
    FILETIME lastWrite{};
};

// Reads the status of a path (following a final symbolic link) or of an open file
// descriptor. Gives false with errno set.
bool ReadFileStatus(const std::string& path, FileStatus& status);
bool ReadFileStatus(int fd, FileStatus& status);

}  // namespace posix
