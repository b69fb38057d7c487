// Devices of the POSIX layer. A Win32 device name \\.\NAME stands for the Unix-domain
// socket NAME in the folder that DRAVIK_DEVICE_DIR names; a driver is whatever
// program listens there. DeviceIoControl sends one framed request over the socket
// and reads one framed reply; docs/device-protocol.md gives the frame format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/posix/win32_types.h"

namespace posix {

// Sizes of the frame headers, all fields unsigned 32-bit little-endian:
// request: control code, input length, output size, then the input bytes;
// reply: Win32 status, output length, then the output bytes.
constexpr std::size_t DeviceRequestHeaderSize = 12;
constexpr std::size_t DeviceReplyHeaderSize = 8;

// True for a name of the form \\.\NAME (either separator), which CreateFileA hands to
// OpenDevice instead of the file system.
bool IsDeviceName(const char* win32Name);

// Connects to the device's socket and gives its handle; INVALID_HANDLE_VALUE with
// 2 (file not found) when DRAVIK_DEVICE_DIR is not set or nothing listens on NAME.
// The access, sharing, disposition and flags of CreateFileA do not apply to devices.
HANDLE OpenDevice(const char* win32Name);

}  // namespace posix
