#include "platform/posix/data_open.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/errors.h"
#include "platform/posix/win32_api.h"

namespace posix {

bool IsUnopenableKind(mode_t mode) { return S_ISFIFO(mode) || S_ISSOCK(mode); }

int OpenData(const std::string& path, int flags, DWORD& error, mode_t mode) {
    int fd = ::open(path.c_str(), flags | O_NONBLOCK, mode);
    if (fd < 0) {
        error = Win32ErrorFromErrno(errno, path);
        return -1;
    }
    struct stat st;
    bool known = fstat(fd, &st) == 0;
    if (known && IsUnopenableKind(st.st_mode)) {
        error = ERROR_CANT_ACCESS_FILE;
    } else if (known && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
        return fd;
    } else {
        error = Win32ErrorFromErrno(errno, path);
    }
    ::close(fd);
    return -1;
}

}  // namespace posix
