// Attribute and time calls: GetFileAttributesA and SetFileAttributesA by name, and
// GetFileInformationByHandle, GetFileTime and SetFileTime on an open file handle.
// Attribute calls ignore share modes, as on Windows.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "platform/posix/dos_attributes.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/file_times.h"
#include "platform/posix/name_args.h"
#include "platform/posix/volume.h"
#include "platform/posix/win32_api.h"

namespace {

using posix::Fail;

// The path through which the open file itself is reached, whatever became of its
// name: the descriptor's entry in /proc, or the name it was opened by.
std::string OpenFilePath(const posix::OpenFile& file) {
    return file.fd >= 0 ? "/proc/self/fd/" + std::to_string(file.fd) : file.path;
}

bool ReadHandleStatus(const posix::OpenFile& file, posix::FileStatus& status) {
    return file.fd >= 0 ? posix::ReadFileStatus(file.fd, status) : posix::ReadFileStatus(file.path, status);
}

// A FILETIME argument of SetFileTime that leaves its stamp alone: none, 0, or -1 (the
// value with which Windows stops updating the stamp).
bool LeavesStamp(const FILETIME* ft) {
    return ft == nullptr || posix::FileTimeValue(*ft) == 0 || posix::FileTimeValue(*ft) == ~0ull;
}

struct timespec StampArgument(const FILETIME* ft) {
    if (LeavesStamp(ft)) {
        struct timespec omit {};
        omit.tv_nsec = UTIME_OMIT;
        return omit;
    }
    return posix::TimespecFromFileTime(*ft);
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR lpFileName) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpFileName, path, error)) return Fail(error, INVALID_FILE_ATTRIBUTES);
    // stat refuses "file/" (ENOTDIR), which Win32 reports as a missing path.
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Fail(posix::Win32ErrorFromErrno(errno, path), INVALID_FILE_ATTRIBUTES);
    return posix::GetAttributeBits(posix::WithoutTrailingSlash(path), st);
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    std::string path;
    DWORD error = 0;
    if (!posix::ResolveName(lpFileName, path, error)) return Fail(error);
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return posix::FailFromErrno(path);
    if (DWORD code = posix::SetAttributeBits(posix::WithoutTrailingSlash(path), dwFileAttributes)) return Fail(code);
    return TRUE;
}

BOOL GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
    auto* handle = posix::LookupHandleAs<posix::FileHandle>(hFile);
    if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (!handle->canReadAttributes()) return Fail(ERROR_ACCESS_DENIED);
    const posix::OpenFile& file = *handle->file;
    posix::FileStatus status;
    if (!ReadHandleStatus(file, status)) return posix::FailFromErrno();
    BY_HANDLE_FILE_INFORMATION info{};
    info.dwFileAttributes = posix::GetAttributeBits(OpenFilePath(file), posix::LastComponent(file.path), status.st);
    info.ftCreationTime = status.creation;
    info.ftLastAccessTime = status.lastAccess;
    info.ftLastWriteTime = status.lastWrite;
    if (file.fd < 0 || !posix::VolumeSerialOfDescriptor(file.fd, info.dwVolumeSerialNumber))
        info.dwVolumeSerialNumber = 0;
    bool directory = S_ISDIR(status.st.st_mode);
    std::uint64_t size = directory ? 0 : static_cast<std::uint64_t>(status.st.st_size);
    info.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info.nFileSizeLow = static_cast<DWORD>(size);
    info.nNumberOfLinks = static_cast<DWORD>(status.st.st_nlink);
    std::uint64_t index = status.st.st_ino;
    info.nFileIndexHigh = static_cast<DWORD>(index >> 32);
    info.nFileIndexLow = static_cast<DWORD>(index);
    *lpFileInformation = info;
    return TRUE;
}

BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime, LPFILETIME lpLastWriteTime) {
    auto* handle = posix::LookupHandleAs<posix::FileHandle>(hFile);
    if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (!handle->canReadAttributes()) return Fail(ERROR_ACCESS_DENIED);
    posix::FileStatus status;
    if (!ReadHandleStatus(*handle->file, status)) return posix::FailFromErrno();
    if (lpCreationTime) *lpCreationTime = status.creation;
    if (lpLastAccessTime) *lpLastAccessTime = status.lastAccess;
    if (lpLastWriteTime) *lpLastWriteTime = status.lastWrite;
    return TRUE;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) {
    auto* handle = posix::LookupHandleAs<posix::FileHandle>(hFile);
    if (handle == nullptr) return Fail(ERROR_INVALID_HANDLE);
    // Changing the stamps needs write access to the file's attributes, as on Windows.
    if (!handle->canWriteAttributes()) return Fail(ERROR_ACCESS_DENIED);
    // Linux keeps no settable creation time: lpCreationTime is accepted and has no effect.
    (void)lpCreationTime;
    if (LeavesStamp(lpLastAccessTime) && LeavesStamp(lpLastWriteTime)) return TRUE;
    struct timespec times[2] = {StampArgument(lpLastAccessTime), StampArgument(lpLastWriteTime)};
    std::string path = OpenFilePath(*handle->file);
    if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) return posix::FailFromErrno(path);
    return TRUE;
}
