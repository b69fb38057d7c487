// The byte-range lock table shared by the file and transfer modules.
#pragma once

#include <cstdint>

#include "platform/posix/file_handle.h"

namespace posix {

// 0 when a read or write of [offset, offset + length) through this handle touches
// no range locked by another handle of the file, else ERROR_LOCK_VIOLATION.
DWORD LockConflict(const FileHandle& handle, std::uint64_t offset, std::uint64_t length);

// Drops every lock that the OpenFile owns (its last handle is closing).
void ReleaseLocks(const OpenFile& file);

}  // namespace posix
