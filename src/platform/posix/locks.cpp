// Byte-range locks with Windows semantics: exclusive and mandatory. A lock belongs to
// the OpenFile (a handle and its duplicates) that took it; a lock of any owner,
// the same one included, refuses an overlapping lock (locks do not stack), and reads
// and writes through other owners may not touch a locked range. Unlocking must name
// exactly a range that the owner locked. Each lock is also taken as an
// open-file-description lock so that other processes see it.
#include "platform/posix/locks.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

struct Lock {
    const OpenFile* owner;
    dev_t device;
    ino_t inode;
    std::uint64_t offset;
    std::uint64_t length;  // 0: a zero-length lock, which covers only its offset
};

// Never destroyed: handles still open at exit are destroyed with the handle table,
// and their OpenFiles release their locks here.
std::vector<Lock>& Table() {
    static auto* table = new std::vector<Lock>;
    return *table;
}

std::uint64_t EndOf(std::uint64_t offset, std::uint64_t length) {
    // A range that would run past 2^64 ends at the last byte.
    return length > std::numeric_limits<std::uint64_t>::max() - offset ? std::numeric_limits<std::uint64_t>::max()
                                                                       : offset + length;
}

bool SameFile(const Lock& lock, const OpenFile& file) { return lock.device == file.device && lock.inode == file.inode; }

// Whether a new lock conflicts with a held one. Two zero-length locks never do; a
// zero-length lock conflicts with a range that contains its offset.
bool LocksOverlap(const Lock& held, std::uint64_t offset, std::uint64_t length) {
    if (held.length == 0 && length == 0) return false;
    if (held.length == 0) return held.offset >= offset && held.offset < EndOf(offset, length);
    if (length == 0) return offset >= held.offset && offset < EndOf(held.offset, held.length);
    return offset < EndOf(held.offset, held.length) && held.offset < EndOf(offset, length);
}

std::uint64_t Combine(DWORD low, DWORD high) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Places or removes the matching open-file-description lock; zero-length ranges and
// ranges beyond what off_t can name have none (an OFD lock of length 0 would mean "to
// the end of the file").
bool SetSystemLock(int fd, bool writable, short type, std::uint64_t offset, std::uint64_t length) {
    constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (fd < 0 || length == 0 || offset > kMax || length > kMax - offset) return true;
    struct flock fl {};
    fl.l_type = static_cast<short>(type == F_UNLCK ? F_UNLCK : (writable ? F_WRLCK : F_RDLCK));
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
    // A file system without OFD locks still gets the process's own lock table.
    return errno != EAGAIN && errno != EACCES;
}

bool Writable(int fd) {
    int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

FileHandle* FileOf(HANDLE handle) { return LookupHandleAs<FileHandle>(handle); }

// The owner and range that a lock call names; no owner for a handle that is no file.
struct LockRange {
    OpenFile* owner;
    std::uint64_t offset, length;
};

LockRange ReadLockRange(HANDLE hFile, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh) {
    FileHandle* handle = FileOf(hFile);
    if (handle == nullptr) return {nullptr, 0, 0};
    return {handle->file.get(), Combine(offsetLow, offsetHigh), Combine(lengthLow, lengthHigh)};
}

}  // namespace

DWORD LockConflict(const FileHandle& handle, std::uint64_t offset, std::uint64_t length) {
    if (length == 0) return 0;
    const OpenFile& file = *handle.file;
    for (const Lock& lock : Table()) {
        if (lock.owner == &file || lock.length == 0 || !SameFile(lock, file)) continue;
        if (LocksOverlap(lock, offset, length)) return ERROR_LOCK_VIOLATION;
    }
    return 0;
}

void ReleaseLocks(const OpenFile& file) {
    auto& table = Table();
    table.erase(std::remove_if(table.begin(), table.end(), [&](const Lock& l) { return l.owner == &file; }),
                table.end());
}

}  // namespace posix

BOOL LockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToLockLow,
              DWORD nNumberOfBytesToLockHigh) {
    posix::LockRange range = posix::ReadLockRange(hFile, dwFileOffsetLow, dwFileOffsetHigh, nNumberOfBytesToLockLow,
                                                  nNumberOfBytesToLockHigh);
    if (range.owner == nullptr) return posix::Fail(ERROR_INVALID_HANDLE);
    posix::OpenFile& file = *range.owner;
    for (const posix::Lock& lock : posix::Table())
        if (posix::SameFile(lock, file) && posix::LocksOverlap(lock, range.offset, range.length))
            return posix::Fail(ERROR_LOCK_VIOLATION);
    if (!posix::SetSystemLock(file.fd, posix::Writable(file.fd), F_WRLCK, range.offset, range.length))
        return posix::Fail(ERROR_LOCK_VIOLATION);
    posix::Table().push_back({&file, file.device, file.inode, range.offset, range.length});
    return TRUE;
}

BOOL UnlockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToUnlockLow,
                DWORD nNumberOfBytesToUnlockHigh) {
    posix::LockRange range = posix::ReadLockRange(hFile, dwFileOffsetLow, dwFileOffsetHigh, nNumberOfBytesToUnlockLow,
                                                  nNumberOfBytesToUnlockHigh);
    if (range.owner == nullptr) return posix::Fail(ERROR_INVALID_HANDLE);
    auto& table = posix::Table();
    auto found = std::find_if(table.begin(), table.end(), [&](const posix::Lock& l) {
        return l.owner == range.owner && l.offset == range.offset && l.length == range.length;
    });
    if (found == table.end()) return posix::Fail(ERROR_NOT_LOCKED);
    table.erase(found);
    posix::SetSystemLock(range.owner->fd, false, F_UNLCK, range.offset, range.length);
    return TRUE;
}
