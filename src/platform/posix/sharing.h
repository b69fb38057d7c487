// Share modes among the handles of the process. Every CreateFileA registers its open
// (access and share mode) under the file's (device, inode); a later open must be
// allowed by every registered open, and must allow them, as on Windows.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

struct OpenFile;

// 0 when an open with this access (GENERIC_READ / GENERIC_WRITE bits) and share mode
// agrees with every open registered for the file, else ERROR_SHARING_VIOLATION. An
// open without data access is not checked and does not restrict others.
DWORD CheckSharing(dev_t device, ino_t inode, DWORD access, DWORD share);

// Registers the open; it stays until ReleaseSharing.
void RegisterSharing(const OpenFile& file, DWORD access, DWORD share);

// Removes the open's registration (its last handle is closing).
void ReleaseSharing(const OpenFile& file);

// True when a handle of the process holds the file open.
bool IsOpen(dev_t device, ino_t inode);

// True when an open with data access and without FILE_SHARE_DELETE holds the file:
// deleting or renaming it then gives ERROR_SHARING_VIOLATION.
bool OpenWithoutDeleteSharing(dev_t device, ino_t inode);

// Deleting a file that is open: as on Windows, its name stays until the last open of
// the file closes (ReleaseSharing then removes it). False when no open holds the file,
// which the caller then deletes at once.
bool DeleteAtLastClose(dev_t device, ino_t inode, const std::string& path);

// True when the file waits for its last close to be deleted: it cannot be opened or
// deleted again (ERROR_ACCESS_DENIED).
bool DeletePending(dev_t device, ino_t inode);

}  // namespace posix
