// File mappings and their views over mmap.
#pragma once

#include <sys/types.h>

namespace posix {

// True while a view of the file is mapped: the file may then not be made shorter
// (ERROR_USER_MAPPED_FILE).
bool ViewMapped(dev_t device, ino_t inode);

}  // namespace posix
