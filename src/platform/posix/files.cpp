// Open files: CreateFileA and the calls on a file handle. Share modes are checked
// through the sharing registry, byte-range locks through the lock table, and a file
// without the owner's write bit is READONLY: the layer refuses to write, replace or
// truncate it whatever the process's user is.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/async.h"
#include "platform/posix/data_open.h"
#include "platform/posix/devices.h"
#include "platform/posix/dos_attributes.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/locks.h"
#include "platform/posix/mapping.h"
#include "platform/posix/name_args.h"
#include "platform/posix/paths.h"
#include "platform/posix/positioned_io.h"
#include "platform/posix/sharing.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

HANDLE FailHandle(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

// The data access of a desired-access mask, as GENERIC_READ / GENERIC_WRITE bits.
DWORD DataAccess(DWORD desired) {
    DWORD access = 0;
    if (desired & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) access |= GENERIC_READ;
    if (desired & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) access |= GENERIC_WRITE;
    return access;
}

// The attribute access of a desired-access mask: GENERIC_READ holds FILE_READ_ATTRIBUTES,
// GENERIC_WRITE FILE_WRITE_ATTRIBUTES; FILE_WRITE_DATA alone holds neither.
DWORD AttributeAccess(DWORD desired) {
    DWORD access = desired & (FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (desired & (GENERIC_READ | GENERIC_ALL)) access |= FILE_READ_ATTRIBUTES;
    if (desired & (GENERIC_WRITE | GENERIC_ALL)) access |= FILE_WRITE_ATTRIBUTES;
    return access;
}

// Checks a Win32 file name and translates it (the checks of every name-taking call,
// the normal forms of name_rules.h among them). A trailing separator is reported
// separately.
bool ResolveFileName(LPCSTR name, std::string& path, bool& trailingSeparator, DosDevice& device, DWORD& error) {
    ResolvedName resolved;
    if (!ResolveName(name, resolved, error)) return false;
    path = WithoutTrailingSlash(resolved.path);
    trailingSeparator = resolved.trailingSeparator;
    device = resolved.device;
    return true;
}

int OpenMode(DWORD access) {
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) return O_RDWR;
    if (access & GENERIC_WRITE) return O_WRONLY;
    return O_RDONLY;
}

// Wraps an open descriptor into a handle and registers it for sharing.
HANDLE MakeHandle(int fd, const std::string& path, DWORD access, DWORD share, DWORD flags, DWORD lastError) {
    struct stat st;
    if (fstat(fd, &st) != 0) {
        DWORD code = Win32ErrorFromErrno(errno, path);
        ::close(fd);
        return FailHandle(code);
    }
    auto file = std::make_shared<OpenFile>();
    file->fd = fd;
    file->path = path;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    file->overlapped = (flags & FILE_FLAG_OVERLAPPED) != 0;
    file->directory = S_ISDIR(st.st_mode);
    RegisterSharing(*file, access, share);
    auto handle = std::make_unique<FileHandle>();
    handle->file = std::move(file);
    handle->access = access;
    handle->share = share;
    // CreateFileA always grants FILE_READ_ATTRIBUTES; write access brings FILE_WRITE_ATTRIBUTES.
    handle->attributeAccess = FILE_READ_ATTRIBUTES | AttributeAccess(access);
    HANDLE result = AddHandle(std::move(handle));
    SetLastError(lastError);
    return result;
}

HANDLE OpenDirectory(const std::string& path, const struct stat& st, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags, bool trailingSeparator) {
    // Windows refuses to make a file where a directory is (file.c test_CreateFile
    // asserts 5 for CREATE_NEW; Wine itself gives 80 there).
    if (disposition == CREATE_NEW) return FailHandle(ERROR_ACCESS_DENIED);
    bool openOnly = disposition == OPEN_EXISTING || disposition == OPEN_ALWAYS;
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || !openOnly || trailingSeparator) return FailHandle(ERROR_ACCESS_DENIED);
    if (DWORD code = CheckSharing(st.st_dev, st.st_ino, access, share)) return FailHandle(code);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FailHandle(Win32ErrorFromErrno(errno, path));
    return MakeHandle(fd, path, access, share, flags, disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : 0);
}

HANDLE OpenExisting(const std::string& path, const struct stat& st, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags) {
    if (disposition == CREATE_NEW) return FailHandle(ERROR_FILE_EXISTS);
    // A file deleted while open keeps only its name until its last handle closes.
    if (DeletePending(st.st_dev, st.st_ino)) return FailHandle(ERROR_ACCESS_DENIED);
    bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    bool readOnly = IsReadOnly(path, st);
    if (readOnly && (truncate || (access & GENERIC_WRITE))) return FailHandle(ERROR_ACCESS_DENIED);
    if (disposition == CREATE_ALWAYS) {
        // Windows refuses to replace a HIDDEN or SYSTEM file unless the same bits are
        // asked for again.
        DWORD kept = GetAttributeBits(path, st) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if ((flags & kept) != kept) return FailHandle(ERROR_ACCESS_DENIED);
    }
    if (DWORD code = CheckSharing(st.st_dev, st.st_ino, access, share)) return FailHandle(code);
    if (truncate && st.st_size > 0 && ViewMapped(st.st_dev, st.st_ino)) return FailHandle(ERROR_USER_MAPPED_FILE);

    int mode = OpenMode(access) | O_CLOEXEC | ((flags & FILE_FLAG_WRITE_THROUGH) ? O_DSYNC : 0);
    DWORD openError = 0;
    int fd = OpenData(path, mode, openError);
    if (fd < 0 && openError == ERROR_ACCESS_DENIED && (access & (GENERIC_READ | GENERIC_WRITE)) == 0) {
        fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);  // no data access is needed
        if (fd < 0) openError = Win32ErrorFromErrno(errno, path);
    }
    if (fd < 0) return FailHandle(openError);
    if (truncate && S_ISREG(st.st_mode) && ::truncate(path.c_str(), 0) != 0) {
        DWORD code = Win32ErrorFromErrno(errno, path);
        ::close(fd);
        return FailHandle(code);
    }
    bool existedAlready = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    return MakeHandle(fd, path, access, share, flags, existedAlready ? ERROR_ALREADY_EXISTS : 0);
}

// The folder that holds path.
std::string ParentOf(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

HANDLE CreateNew(const std::string& path, DWORD access, DWORD share, DWORD flags) {
    // HIDDEN and SYSTEM need the extended attribute: where the file system has none,
    // the create is refused before anything is made, rather than made without them.
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    bool needsAttribute = (flags & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    if (needsAttribute && !KeepsUserAttributes(ParentOf(path))) {
        struct statvfs volume;
        if (statvfs(ParentOf(path).c_str(), &volume) == 0)
            return FailHandle((volume.f_flag & ST_RDONLY) ? ERROR_WRITE_PROTECT : ERROR_ACCESS_DENIED);
    }
    int mode = OpenMode(access) | O_CREAT | O_EXCL | O_CLOEXEC | ((flags & FILE_FLAG_WRITE_THROUGH) ? O_DSYNC : 0);
    int fd = ::open(path.c_str(), mode, 0666);
    if (fd < 0) return FailHandle(Win32ErrorFromErrno(errno, path));
    // A new file gets ARCHIVE besides the READONLY, HIDDEN and SYSTEM bits asked for;
    // the handle keeps the access it was opened with even when READONLY is set. Bits
    // that cannot be kept (READONLY where neither the mode nor an attribute keeps it)
    // undo the create.
    if (DWORD code = SetAttributeBits(path, (flags & kKept) | FILE_ATTRIBUTE_ARCHIVE)) {
        ::close(fd);
        ::unlink(path.c_str());
        return FailHandle(code);
    }
    return MakeHandle(fd, path, access, share, flags, 0);
}

FileHandle* FileOf(HANDLE handle) { return LookupHandleAs<FileHandle>(handle); }

// A synchronous transfer at the file pointer, or at the OVERLAPPED offset; the file
// pointer ends behind the bytes moved.
BOOL Transfer(FileHandle& handle, bool write, void* buffer, DWORD length, LPDWORD done, LPOVERLAPPED overlapped) {
    int fd = handle.file->fd;
    off_t position = 0;
    if (overlapped != nullptr) {
        position = static_cast<off_t>((static_cast<std::uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
    } else {
        position = lseek(fd, 0, SEEK_CUR);
        if (position < 0) return FailFromErrno();
    }
    if (length == 0) return TRUE;
    if (DWORD code = LockConflict(handle, static_cast<std::uint64_t>(position), length)) return Fail(code);

    PositionedResult result = TransferAtPosition(fd, write, buffer, length, static_cast<std::uint64_t>(position));
    if (result.error != 0) return Fail(Win32ErrorFromErrno(result.error));
    std::size_t moved = result.moved;
    lseek(fd, position + static_cast<off_t>(moved), SEEK_SET);
    if (done != nullptr) *done = static_cast<DWORD>(moved);
    if (overlapped != nullptr) {
        overlapped->Internal = 0;
        overlapped->InternalHigh = moved;
    }
    return TRUE;
}

BOOL ReadOrWrite(HANDLE hFile, bool write, void* buffer, DWORD length, LPDWORD done, LPOVERLAPPED overlapped) {
    if (done != nullptr) *done = 0;
    FileHandle* handle = FileOf(hFile);
    if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (handle->file->overlapped) {
        if (overlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        return SubmitOverlapped(*handle, write, buffer, length, overlapped, nullptr);
    }
    if (write ? !handle->canWrite() : !handle->canRead()) return Fail(ERROR_ACCESS_DENIED);
    return Transfer(*handle, write, buffer, length, done, overlapped);
}

}  // namespace
}  // namespace posix

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
    using namespace posix;
    // \\.\NAME is a device: a driver's socket, not a file (devices.h).
    if (IsDeviceName(lpFileName)) return OpenDevice(lpFileName);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return FailHandle(ERROR_INVALID_PARAMETER);
    // Truncating needs write access, whatever the name is (file.c test_CreateFile
    // asserts 87 of Windows for a file and a directory alike; Wine truncates).
    if (dwCreationDisposition == TRUNCATE_EXISTING && !(DataAccess(dwDesiredAccess) & GENERIC_WRITE))
        return FailHandle(ERROR_INVALID_PARAMETER);
    std::string path;
    bool trailingSeparator = false;
    DosDevice device = DosDevice::None;
    DWORD error = 0;
    if (!ResolveFileName(lpFileName, path, trailingSeparator, device, error)) return FailHandle(error);
    // NUL, in any folder and with any extension, is the null device: reads give 0
    // bytes, writes succeed (Wine's file.c tests assert it of Windows). The other DOS
    // devices are absent here, as a serial or printer port on a machine without one.
    if (device == DosDevice::Absent) return FailHandle(ERROR_FILE_NOT_FOUND);
    if (device == DosDevice::Nul) path = "/dev/null";

    DWORD access = DataAccess(dwDesiredAccess);
    DWORD share = dwShareMode & (FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    // Opens of the null device never conflict with one another.
    if (device == DosDevice::Nul) share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return OpenDirectory(path, st, access, share, dwCreationDisposition, dwFlagsAndAttributes,
                                 trailingSeparator);
        if (trailingSeparator) return FailHandle(ERROR_INVALID_NAME);
        if (IsUnopenableKind(st.st_mode)) return FailHandle(ERROR_CANT_ACCESS_FILE);
        return OpenExisting(path, st, access, share, dwCreationDisposition, dwFlagsAndAttributes);
    }
    if (errno != ENOENT) return FailHandle(Win32ErrorFromErrno(errno, path));
    if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)
        return FailHandle(Win32ErrorFromErrno(ENOENT, path));
    if (trailingSeparator) return FailHandle(ERROR_INVALID_NAME);
    return CreateNew(path, access, share, dwFlagsAndAttributes);
}

BOOL FlushFileBuffers(HANDLE hFile) {
    posix::FileHandle* handle = posix::FileOf(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE);
    if (!handle->canWrite() || handle->file->directory) return posix::Fail(ERROR_ACCESS_DENIED);
    if (fsync(handle->file->fd) != 0) return posix::FailFromErrno();
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    posix::FileHandle* handle = posix::FileOf(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    int fd = handle->file->fd;
    // Without a high part the distance is the signed 32-bit value; with one, the two
    // form a signed 64-bit distance.
    std::int64_t distance =
        lpDistanceToMoveHigh == nullptr
            ? lDistanceToMove
            : static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                  static_cast<std::uint32_t>(lDistanceToMove));
    std::int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st;
        base = fstat(fd, &st) == 0 ? st.st_size : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        return posix::Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    if (base < 0) return posix::Fail(posix::Win32ErrorFromErrno(errno), INVALID_SET_FILE_POINTER);
    std::int64_t target = base + distance;
    if (target < 0) return posix::Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
    // Without a high part the result must fit 32 bits, as on Windows.
    if (lpDistanceToMoveHigh == nullptr && target > 0xFFFFFFFFLL)
        return posix::Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    if (lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0)
        return posix::Fail(posix::Win32ErrorFromErrno(errno), INVALID_SET_FILE_POINTER);
    if (lpDistanceToMoveHigh != nullptr) *lpDistanceToMoveHigh = static_cast<LONG>(target >> 32);
    DWORD low = static_cast<DWORD>(target & 0xFFFFFFFF);
    // A position that reads as INVALID_SET_FILE_POINTER tells its success by error 0.
    if (low == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return low;
}

BOOL SetEndOfFile(HANDLE hFile) {
    posix::FileHandle* handle = posix::FileOf(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE);
    if (!handle->canWrite() || handle->file->directory) return posix::Fail(ERROR_ACCESS_DENIED);
    int fd = handle->file->fd;
    off_t position = lseek(fd, 0, SEEK_CUR);
    struct stat st;
    if (position < 0 || fstat(fd, &st) != 0) return posix::FailFromErrno();
    if (position < st.st_size && posix::ViewMapped(st.st_dev, st.st_ino)) return posix::Fail(ERROR_USER_MAPPED_FILE);
    if (ftruncate(fd, position) != 0) return posix::FailFromErrno();
    return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    posix::FileHandle* handle = posix::FileOf(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
    struct stat st;
    if (fstat(handle->file->fd, &st) != 0) return posix::Fail(posix::Win32ErrorFromErrno(errno), INVALID_FILE_SIZE);
    std::uint64_t size = handle->file->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size & 0xFFFFFFFF);
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
    return posix::ReadOrWrite(hFile, false, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
    return posix::ReadOrWrite(hFile, true, const_cast<void*>(lpBuffer), nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                              lpOverlapped);
}

BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL, DWORD dwOptions) {
    if (lpTargetHandle != nullptr) *lpTargetHandle = nullptr;
    HANDLE self = GetCurrentProcess();
    posix::FileHandle* source = posix::FileOf(hSourceHandle);
    if (hSourceProcessHandle != self || hTargetProcessHandle != self || source == nullptr)
        return posix::Fail(ERROR_INVALID_HANDLE);
    if (lpTargetHandle == nullptr) return posix::Fail(ERROR_INVALID_PARAMETER);
    // The duplicate shares the open file: its pointer, its locks and its sharing entry.
    auto duplicate = std::make_unique<posix::FileHandle>();
    duplicate->file = source->file;
    // A duplicate never has more data access than its source handle.
    DWORD access = (dwOptions & DUPLICATE_SAME_ACCESS) ? source->access : posix::DataAccess(dwDesiredAccess);
    if (access & ~source->access) return posix::Fail(ERROR_ACCESS_DENIED);
    duplicate->access = access;
    // Attribute rights come only from what was asked for (a write-data duplicate has none).
    duplicate->attributeAccess = (dwOptions & DUPLICATE_SAME_ACCESS)
                                     ? source->attributeAccess
                                     : posix::AttributeAccess(dwDesiredAccess) & source->attributeAccess;
    duplicate->share = source->share;
    if (dwOptions & DUPLICATE_CLOSE_SOURCE) posix::RemoveHandle(hSourceHandle);
    *lpTargetHandle = posix::AddHandle(std::move(duplicate));
    return TRUE;
}
