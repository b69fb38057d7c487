// Translation of errno values into Win32 error codes: the one place where an errno
// becomes what GetLastError reports.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// The Win32 code for an errno. For ENOENT the path (a POSIX path) tells "file not
// found" (2, its directory exists) from "path not found" (3, a directory is missing).
DWORD Win32ErrorFromErrno(int error, const std::string& path = {});

// Sets the last error and gives FALSE, for the common failure return of a BOOL call.
BOOL Fail(DWORD code);

// Sets the last error from errno (see Win32ErrorFromErrno) and gives FALSE.
BOOL FailFromErrno(const std::string& path = {});

}  // namespace posix
