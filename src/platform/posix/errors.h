// Translation of errno values into Win32 error codes: the one place where an errno
// becomes what GetLastError reports. docs/errors.md gives each row with its reason.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// What the failed call was doing, where one errno means different things to Win32.
enum class ErrnoUse {
    Name,              // a call on a name or a handle: the general table
    MakeDirectory,     // mkdir: an existing name is 183, a missing parent 3
    RemoveDirectory,   // rmdir: EEXIST is the other spelling of "not empty"
    ListDirectory,     // opendir of a search: a file on the way is 123, a missing folder 3
    DriverConnection,  // a driver's socket: a driver that went away is a broken pipe
};

// The Win32 code for an errno. For ENOENT the path (a POSIX path) tells "file not
// found" (2, its directory exists) from "path not found" (3, a directory is missing).
DWORD Win32ErrorFromErrno(int error, const std::string& path = {});
DWORD Win32ErrorFromErrno(int error, ErrnoUse use, const std::string& path = {});

// Sets the last error and gives FALSE, for the common failure return of a BOOL call.
BOOL Fail(DWORD code);

// Sets the last error and gives the call's failure value, for the calls whose failure
// is not FALSE (INVALID_HANDLE_VALUE, INVALID_FILE_SIZE, a null pointer, ...).
template <typename Result>
Result Fail(DWORD code, Result failure) {
    Fail(code);
    return failure;
}

// Sets the last error from errno (see Win32ErrorFromErrno) and gives FALSE.
BOOL FailFromErrno(const std::string& path = {});
BOOL FailFromErrno(ErrnoUse use, const std::string& path = {});

}  // namespace posix
