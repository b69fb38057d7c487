#include "platform/posix/positioned_io.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace posix {

PositionedResult TransferAtPosition(int fd, bool write, void* buffer, std::size_t length, std::uint64_t position) {
    constexpr std::size_t kLargestCall = std::size_t{8} << 20;
    char* bytes = static_cast<char*>(buffer);
    PositionedResult result;
    while (result.moved < length) {
        std::size_t size = std::min(length - result.moved, kLargestCall);
        off_t at = static_cast<off_t>(position + result.moved);
        ssize_t n = write ? pwrite(fd, bytes + result.moved, size, at) : pread(fd, bytes + result.moved, size, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result.error = errno;
            break;
        }
        if (n == 0) break;  // end of file
        result.moved += static_cast<std::size_t>(n);
    }
    return result;
}

}  // namespace posix
