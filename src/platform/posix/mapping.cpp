// CreateFileMappingA records the file, the protection and the size; MapViewOfFile is
// mmap of that file; UnmapViewOfFile is munmap of a view that MapViewOfFile gave.
#include "platform/posix/mapping.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "platform/posix/errors.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

// Views must start on the allocation granularity, as on Windows.
constexpr std::uint64_t kAllocationGranularity = 65536;
constexpr DWORD kErrorMappedAlignment = 1132;

// A mapping keeps its file open, as a Windows section keeps its file object.
struct Mapping : HandleObject {
    std::shared_ptr<OpenFile> file;
    bool writable = false;
    std::uint64_t size = 0;
};

struct View {
    std::size_t length;
    dev_t device;
    ino_t inode;
};

// Never destroyed, like the other registries that handles reach at exit.
std::map<const void*, View>& Views() {
    static auto* views = new std::map<const void*, View>;
    return *views;
}

}  // namespace

bool ViewMapped(dev_t device, ino_t inode) {
    for (const auto& [address, view] : Views())
        if (view.device == device && view.inode == inode) return true;
    return false;
}

}  // namespace posix

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCSTR) {
    auto* handle = posix::LookupHandleAs<posix::FileHandle>(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE, nullptr);
    bool writable = flProtect == PAGE_READWRITE;
    if (!writable && flProtect != PAGE_READONLY) return posix::Fail(ERROR_INVALID_PARAMETER, nullptr);
    // Read access is needed for either protection, write access as well for read-write.
    if (!handle->canRead() || (writable && !handle->canWrite()) || handle->file->directory)
        return posix::Fail(ERROR_ACCESS_DENIED, nullptr);

    struct stat st;
    if (fstat(handle->file->fd, &st) != 0) return posix::Fail(posix::Win32ErrorFromErrno(errno), nullptr);
    std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t size = (static_cast<std::uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    if (size == 0) {
        if (fileSize == 0) return posix::Fail(ERROR_FILE_INVALID, nullptr);
        size = fileSize;
    } else if (size > fileSize) {
        // A larger read-write mapping grows the file; a read-only one cannot.
        if (!writable) return posix::Fail(ERROR_NOT_ENOUGH_MEMORY, nullptr);
        if (ftruncate(handle->file->fd, static_cast<off_t>(size)) != 0)
            return posix::Fail(posix::Win32ErrorFromErrno(errno), nullptr);
    }

    auto mapping = std::make_unique<posix::Mapping>();
    mapping->file = handle->file;
    mapping->writable = writable;
    mapping->size = size;
    HANDLE result = posix::AddHandle(std::move(mapping));
    SetLastError(ERROR_SUCCESS);
    return result;
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     SIZE_T dwNumberOfBytesToMap) {
    auto* mapping = posix::LookupHandleAs<posix::Mapping>(hFileMappingObject);
    if (mapping == nullptr) return posix::Fail(ERROR_INVALID_HANDLE, nullptr);
    bool write = (dwDesiredAccess & FILE_MAP_WRITE) != 0;
    if (write && !mapping->writable) return posix::Fail(ERROR_ACCESS_DENIED, nullptr);
    std::uint64_t offset = (static_cast<std::uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
    if (offset % posix::kAllocationGranularity != 0) return posix::Fail(posix::kErrorMappedAlignment, nullptr);
    if (offset >= mapping->size) return posix::Fail(ERROR_ACCESS_DENIED, nullptr);
    std::uint64_t length = dwNumberOfBytesToMap == 0 ? mapping->size - offset : dwNumberOfBytesToMap;
    if (length > mapping->size - offset) return posix::Fail(ERROR_ACCESS_DENIED, nullptr);

    int protection = PROT_READ | (write ? PROT_WRITE : 0);
    void* view = mmap(nullptr, static_cast<std::size_t>(length), protection, MAP_SHARED, mapping->file->fd,
                      static_cast<off_t>(offset));
    if (view == MAP_FAILED) return posix::Fail(posix::Win32ErrorFromErrno(errno), nullptr);
    posix::Views()[view] = {static_cast<std::size_t>(length), mapping->file->device, mapping->file->inode};
    return view;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    auto& views = posix::Views();
    auto found = views.find(lpBaseAddress);
    if (found == views.end()) return posix::Fail(ERROR_INVALID_ADDRESS);
    munmap(const_cast<void*>(lpBaseAddress), found->second.length);
    views.erase(found);
    return TRUE;
}
