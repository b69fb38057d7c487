// Reading or writing a whole range of a file at a given position, as one Win32 read
// or write does: retried over interrupted and short calls, ended early by the end of
// the file. Large ranges go in calls of at most 8 MiB: one huge write() into tmpfs
// is several times slower than the same bytes in pieces, and a Win32 caller sees one
// call either way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace posix {

struct PositionedResult {
    std::size_t moved = 0;  // bytes moved before the end of file or an error
    int error = 0;          // errno of a failed call, or 0
};

PositionedResult TransferAtPosition(int fd, bool write, void* buffer, std::size_t length, std::uint64_t position);

}  // namespace posix
