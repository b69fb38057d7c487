// VirtualAlloc and VirtualFree for the large buffers of data transfers: whole pages
// from mmap. Large regions ask for transparent huge pages, which saves the page
// faults of touching a buffer of a gigabyte one small page at a time.
#include <map>
#include <sys/mman.h>

#include "platform/posix/errors.h"
#include "platform/posix/win32_api.h"

namespace {

constexpr SIZE_T kHugePageSize = 2u << 20;

// The size of each region, for VirtualFree(MEM_RELEASE), which names only the base.
std::map<void*, SIZE_T>& Regions() {
    static std::map<void*, SIZE_T> regions;
    return regions;
}

}  // namespace

LPVOID VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType, DWORD flProtect) {
    // Only what the program asks for: a new committed read-write region.
    if (lpAddress != nullptr || dwSize == 0 || (flAllocationType & MEM_COMMIT) == 0 || flProtect != PAGE_READWRITE) {
        posix::Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* region = mmap(nullptr, dwSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        posix::Fail(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (dwSize >= kHugePageSize) madvise(region, dwSize, MADV_HUGEPAGE);
    Regions()[region] = dwSize;
    return region;
}

BOOL VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
    if (dwFreeType != MEM_RELEASE || dwSize != 0) return posix::Fail(ERROR_INVALID_PARAMETER);
    auto it = Regions().find(lpAddress);
    if (it == Regions().end()) return posix::Fail(ERROR_INVALID_ADDRESS);
    munmap(it->first, it->second);
    Regions().erase(it);
    return TRUE;
}
