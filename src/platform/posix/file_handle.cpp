#include "platform/posix/file_handle.h"

#include <unistd.h>

#include <cerrno>

#include "platform/posix/errors.h"
#include "platform/posix/locks.h"
#include "platform/posix/sharing.h"

namespace posix {

// The last handle of the open is gone: its locks and its sharing entry go with it,
// and closing the descriptor drops the open-file-description locks.
OpenFile::~OpenFile() {
    ReleaseLocks(*this);
    ReleaseSharing(*this);
    closeDescriptor();
}

DWORD OpenFile::closeDescriptor() {
    if (fd < 0) return 0;
    int result = ::close(fd);
    fd = -1;
    // On Linux the descriptor is gone even when close is interrupted.
    return result == 0 || errno == EINTR ? 0 : Win32ErrorFromErrno(errno, path);
}

}  // namespace posix
