// The handle object of an open file. A handle and its duplicates share one OpenFile:
// the open file description (and so the file pointer) and the ownership of byte-range
// locks, as on Windows.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/posix/handles.h"

namespace posix {

struct OpenFile {
    int fd = -1;
    std::string path;  // the POSIX path it was opened by
    dev_t device = 0;  // with inode: the key of the sharing and lock registries
    ino_t inode = 0;
    bool overlapped = false;  // opened with FILE_FLAG_OVERLAPPED
    bool directory = false;
    // Closes the descriptor; the Win32 code of a failed close, 0 for none. Some file
    // systems refuse written data only there (a network mount out of space).
    DWORD closeDescriptor();
    ~OpenFile();
};

struct FileHandle : HandleObject {
    std::shared_ptr<OpenFile> file;
    DWORD access = 0;           // granted rights, as GENERIC_READ / GENERIC_WRITE bits
    DWORD share = 0;            // FILE_SHARE_* bits
    DWORD attributeAccess = 0;  // FILE_READ_ATTRIBUTES / FILE_WRITE_ATTRIBUTES
    bool canReadAttributes() const { return (attributeAccess & FILE_READ_ATTRIBUTES) != 0; }
    bool canWriteAttributes() const { return (attributeAccess & FILE_WRITE_ATTRIBUTES) != 0; }
    bool canRead() const { return (access & GENERIC_READ) != 0; }
    bool canWrite() const { return (access & GENERIC_WRITE) != 0; }
    // The last handle of the open closes its descriptor and reports how that went.
    DWORD release() override { return file.use_count() == 1 ? file->closeDescriptor() : 0; }
};

}  // namespace posix
