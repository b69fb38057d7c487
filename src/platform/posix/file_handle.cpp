#include "platform/posix/file_handle.h"

#include <unistd.h>

#include "platform/posix/locks.h"
#include "platform/posix/sharing.h"

namespace posix {

// The last handle of the open is gone: its locks and its sharing entry go with it,
// and closing the descriptor drops the open-file-description locks.
OpenFile::~OpenFile() {
    ReleaseLocks(*this);
    ReleaseSharing(*this);
    if (fd >= 0) ::close(fd);
}

}  // namespace posix
