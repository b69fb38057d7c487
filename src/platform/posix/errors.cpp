#include "platform/posix/errors.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/win32_api.h"

namespace {
thread_local DWORD LastError = 0;

bool ParentIsDirectory(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos) return true;
    std::string::size_type slash = path.rfind('/', end);
    if (slash == std::string::npos) return true;  // relative to the current directory
    std::string parent = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st;
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Row {
    int error;
    DWORD code;
};

// The code a Windows client of the same file system would see: the Win32 code of the
// NT status that its file system or redirector raises for the same condition.
constexpr Row kGeneral[] = {
    {0, ERROR_SUCCESS},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EEXIST, ERROR_FILE_EXISTS},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ENOSPC, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_QUOTA_EXCEEDED},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ELOOP, ERROR_INVALID_NAME},
    {EBADF, ERROR_INVALID_HANDLE},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EAGAIN, ERROR_LOCK_VIOLATION},
    {EPIPE, ERROR_BROKEN_PIPE},
    // A server that holds the file open elsewhere (an SMB sharing violation reaches a
    // Linux client as EBUSY).
    {EBUSY, ERROR_SHARING_VIOLATION},
    {EIO, ERROR_IO_DEVICE},
    {EBADMSG, ERROR_CRC},
    {EOVERFLOW, ERROR_FILE_TOO_LARGE},
    {ESTALE, ERROR_FILE_INVALID},
    {ENXIO, ERROR_NOT_READY},
    {ENOTCONN, ERROR_NETNAME_DELETED},
    {ECONNABORTED, ERROR_NETNAME_DELETED},
    {ECONNRESET, ERROR_NETNAME_DELETED},
    {ETIMEDOUT, ERROR_UNEXP_NET_ERR},
    {EHOSTDOWN, ERROR_UNEXP_NET_ERR},
    {ENOSYS, ERROR_NOT_SUPPORTED},
    {ENOTSUP, ERROR_NOT_SUPPORTED},  // also EOPNOTSUPP, the same value on Linux
    {ENODEV, ERROR_NOT_SUPPORTED},
};

struct UseRow {
    posix::ErrnoUse use;
    int error;
    DWORD code;
};

constexpr UseRow kByUse[] = {
    {posix::ErrnoUse::MakeDirectory, EEXIST, ERROR_ALREADY_EXISTS},
    {posix::ErrnoUse::MakeDirectory, ENOENT, ERROR_PATH_NOT_FOUND},
    {posix::ErrnoUse::MakeDirectory, ENOTDIR, ERROR_PATH_NOT_FOUND},
    {posix::ErrnoUse::RemoveDirectory, EEXIST, ERROR_DIR_NOT_EMPTY},
    {posix::ErrnoUse::ListDirectory, ENOTDIR, ERROR_INVALID_NAME},
    {posix::ErrnoUse::ListDirectory, ENOENT, ERROR_PATH_NOT_FOUND},
    // 0: the driver closed the connection before it answered.
    {posix::ErrnoUse::DriverConnection, 0, ERROR_BROKEN_PIPE},
    {posix::ErrnoUse::DriverConnection, ECONNRESET, ERROR_BROKEN_PIPE},
    {posix::ErrnoUse::DriverConnection, EPIPE, ERROR_BROKEN_PIPE},
};

}  // namespace

DWORD GetLastError() { return LastError; }
void SetLastError(DWORD code) { LastError = code; }

namespace posix {

DWORD Win32ErrorFromErrno(int error, ErrnoUse use, const std::string& path) {
    for (const UseRow& row : kByUse)
        if (row.use == use && row.error == error) return row.code;
    if (error == ENOENT) return path.empty() || ParentIsDirectory(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    for (const Row& row : kGeneral)
        if (row.error == error) return row.code;
    return ERROR_INVALID_FUNCTION;
}

DWORD Win32ErrorFromErrno(int error, const std::string& path) {
    return Win32ErrorFromErrno(error, ErrnoUse::Name, path);
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

BOOL FailFromErrno(const std::string& path) { return Fail(Win32ErrorFromErrno(errno, path)); }

BOOL FailFromErrno(ErrnoUse use, const std::string& path) { return Fail(Win32ErrorFromErrno(errno, use, path)); }

}  // namespace posix
