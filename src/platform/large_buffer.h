// Memory for the large transfer buffers that a READ or WRITE of its own size needs.
// It comes straight from the system, in large pages where the system offers them, so
// that a buffer of a gigabyte does not cost hundreds of thousands of page faults on
// its first touch.
#pragma once

#include <cstddef>

namespace platform {

// Zeroed memory of the given size, or null when it cannot be had. With populate, the
// pages are faulted in at once (for a buffer that is about to be filled whole).
unsigned char* AllocateLargeBuffer(std::size_t size, bool populate);

// Releases memory from AllocateLargeBuffer (null is ignored).
void ReleaseLargeBuffer(unsigned char* data, std::size_t size);

}  // namespace platform
