#include "platform/large_buffer.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/mman.h>
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
    // Hints, both: without large pages, or on a kernel without MADV_POPULATE_WRITE
    // (Linux 5.14), the buffer still works and is faulted in as it is touched.
    madvise(data, size, MADV_HUGEPAGE);
    if (populate) madvise(data, size, kPopulateWrite);
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
