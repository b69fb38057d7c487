#include "platform/large_buffer.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>

#include <cerrno>
#endif

namespace platform {

#ifndef _WIN32
namespace {
// Faults the whole buffer in at once, far cheaper than page by page on first touch.
#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;
#endif
}  // namespace
#endif

unsigned char* AllocateLargeBuffer(std::size_t size, bool populate) {
#ifdef _WIN32
    (void)populate;
    return static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) return nullptr;
    // Large pages are a hint: without them the buffer works the same.
    madvise(data, size, MADV_HUGEPAGE);
    // A kernel without MADV_POPULATE_WRITE (before Linux 5.14) refuses it with EINVAL
    // and the buffer is faulted in as it is touched; any other failure means the pages
    // cannot be had (over the memory limit), which a touch would meet as a crash.
    if (populate && madvise(data, size, kPopulateWrite) != 0 && errno != EINVAL) {
        munmap(data, size);
        return nullptr;
    }
    return static_cast<unsigned char*>(data);
#endif
}

void ReleaseLargeBuffer(unsigned char* data, std::size_t size) {
    if (!data) return;
#ifdef _WIN32
    (void)size;
    VirtualFree(data, 0, MEM_RELEASE);
#else
    munmap(data, size);
#endif
}

}  // namespace platform
