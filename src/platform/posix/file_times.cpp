#include "platform/posix/file_times.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace posix {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;

struct timespec FromStatx(const struct statx_timestamp& t) {
    struct timespec ts {};
    ts.tv_sec = t.tv_sec;
    ts.tv_nsec = t.tv_nsec;
    return ts;
}

// Copies what statx gives into the form that stat(2) gives, plus the three stamps.
void FillFromStatx(const struct statx& sx, FileStatus& status) {
    struct stat& st = status.st;
    st = {};
    st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.st_ino = sx.stx_ino;
    st.st_mode = sx.stx_mode;
    st.st_nlink = sx.stx_nlink;
    st.st_uid = sx.stx_uid;
    st.st_gid = sx.stx_gid;
    st.st_size = static_cast<off_t>(sx.stx_size);
    st.st_blksize = sx.stx_blksize;
    st.st_blocks = static_cast<blkcnt_t>(sx.stx_blocks);
    st.st_atim = FromStatx(sx.stx_atime);
    st.st_mtim = FromStatx(sx.stx_mtime);
    st.st_ctim = FromStatx(sx.stx_ctime);
    status.lastAccess = FileTimeFromTimespec(st.st_atim);
    status.lastWrite = FileTimeFromTimespec(st.st_mtim);
    status.creation = CreationTimeOf(sx);
}

bool Statx(int dirfd, const char* path, int flags, FileStatus& status) {
    struct statx sx {};
    if (statx(dirfd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) return false;
    FillFromStatx(sx, status);
    return true;
}

}  // namespace

FILETIME CreationTimeOf(const struct statx& sx) {
    // A birth time of 0 is one the file system did not record.
    bool born = (sx.stx_mask & STATX_BTIME) != 0 && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
    return FileTimeFromTimespec(FromStatx(born ? sx.stx_btime : sx.stx_ctime));
}

std::uint64_t FileTimeValue(const FILETIME& ft) {
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME MakeFileTime(std::uint64_t value) {
    return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

FILETIME FileTimeFromTimespec(const struct timespec& ts) {
    std::int64_t ticks = static_cast<std::int64_t>(ts.tv_sec) * kTicksPerSecond + ts.tv_nsec / 100;
    std::int64_t sinceEpoch = ticks + static_cast<std::int64_t>(kUnixEpochAsFileTime);
    return MakeFileTime(sinceEpoch < 0 ? 0 : static_cast<std::uint64_t>(sinceEpoch));
}

struct timespec TimespecFromFileTime(const FILETIME& ft) {
    // Signed arithmetic: times before 1970 give a negative tv_sec with tv_nsec in range.
    std::int64_t ticks = static_cast<std::int64_t>(FileTimeValue(ft) - kUnixEpochAsFileTime);
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(rest * 100);
    return ts;
}

bool ReadFileStatus(const std::string& path, FileStatus& status) { return Statx(AT_FDCWD, path.c_str(), 0, status); }

bool ReadFileStatus(int fd, FileStatus& status) { return Statx(fd, "", AT_EMPTY_PATH, status); }

}  // namespace posix
