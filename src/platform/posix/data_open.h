// Opening a file's data without ever waiting in open(2): a FIFO would block there until
// a partner opens its other end. No Windows file system has FIFOs or sockets, so both
// are refused.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// Whether a file of this mode is one that Win32 calls cannot open (a FIFO or a socket).
bool IsUnopenableKind(mode_t mode);

// open(2) of path with flags (and mode for O_CREAT), non-blocking until what was opened
// is known: a descriptor in blocking mode, or -1 with error set to the Win32 code.
int OpenData(const std::string& path, int flags, DWORD& error, mode_t mode = 0666);

}  // namespace posix
