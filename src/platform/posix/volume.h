// What the volume calls know about a file system, for the other modules that report
// it (GetFileInformationByHandle gives the same serial number as GetVolumeInformationA).
#pragma once

#include "platform/posix/win32_types.h"

namespace posix {

// The volume serial number of the file system that holds the open descriptor: its
// file-system id folded to 32 bits. False when the file system cannot be asked.
bool VolumeSerialOfDescriptor(int fd, DWORD& serial);

}  // namespace posix
