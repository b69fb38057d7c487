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
}  // namespace

DWORD GetLastError() { return LastError; }
void SetLastError(DWORD code) { LastError = code; }

namespace posix {

DWORD Win32ErrorFromErrno(int error, const std::string& path) {
    switch (error) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return path.empty() || ParentIsDirectory(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_FILE_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EBUSY:
            return ERROR_BUSY;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EAGAIN:
            return ERROR_LOCK_VIOLATION;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOTSUP:
            return ERROR_NOT_SUPPORTED;
        case ENODEV:
        case ENXIO:
            return ERROR_FILE_NOT_FOUND;
        case ELOOP:
            return ERROR_INVALID_NAME;
        case EFBIG:
            return ERROR_DISK_FULL;
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

BOOL FailFromErrno(const std::string& path) { return Fail(Win32ErrorFromErrno(errno, path)); }

}  // namespace posix
