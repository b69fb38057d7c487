#include "files/file_object.h"

#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "interpreter/run_state.h"

namespace {
// The code reported for a failed positioning step inside an open with a size and
// inside an end-of-file change.
constexpr ReturnCode kPositioningFailed = 65535;
}  // namespace

FileObject::FileObject() = default;

FileObject::~FileObject() {
    if (mappedFlag_ != 0) unmap();
}

void FileObject::setPath(const char* text) {
    if (text == nullptr) return;
    name_ = text;
    hasName_ = true;
}

void FileObject::setCreateSize(std::uint32_t value) {
    if (value == 0xFFFFFFFFu) {
        out::line("!!! The file size cannot be set to ", value);
        return;
    }
    createSize_ = static_cast<std::int32_t>(value);
}

ReturnCode FileObject::open(int writeThrough) {
    DWORD disposition = 0;
    bool useAttributes = false;
    if (openFlags_ == 0) {
        disposition = CREATE_NEW;
        useAttributes = true;
    } else if (openFlags_ & kCreateIfNew) {
        useAttributes = true;
        disposition = (openFlags_ & kReplaceIfExists) ? CREATE_ALWAYS
                      : (openFlags_ & kOpenIfExists)  ? OPEN_ALWAYS
                                                      : CREATE_NEW;
    } else {
        disposition = (openFlags_ & kOpenIfExists)      ? OPEN_EXISTING
                      : (openFlags_ & kReplaceIfExists) ? TRUNCATE_EXISTING
                                                        : 0;  // CreateFileA refuses it with 87
    }

    if (accessFlags_ == 0) accessFlags_ = kRead | kWrite;
    DWORD access = ((accessFlags_ & kRead) ? GENERIC_READ : 0) | ((accessFlags_ & kWrite) ? GENERIC_WRITE : 0);

    DWORD share = 0;
    if ((denyFlags_ & (kRead | kWrite)) == 0)
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    else if (denyFlags_ == kWrite)
        share = FILE_SHARE_READ;
    else if (denyFlags_ == kRead)
        share = FILE_SHARE_WRITE;

    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (useAttributes) flags |= fileAttributes_;
    if (writeThrough != 0) flags |= FILE_FLAG_WRITE_THROUGH;
    if (overlapped_ != 0) flags |= FILE_FLAG_OVERLAPPED;

    handle_ = CreateFileA(hasName_ ? name_.c_str() : nullptr, access, share, nullptr, disposition, flags, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return LastErrorCode();

    if (disposition == OPEN_EXISTING || disposition == OPEN_ALWAYS || createSize_ == kNoSize) return 0;
    ReturnCode rc = 0;
    if (SetFilePointer(handle_, createSize_, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        rc = kPositioningFailed;
    } else if (!SetEndOfFile(handle_)) {
        rc = LastErrorCode();
    }
    if (rc != 0) {
        // The caller destroys a FileObject whose open failed; without this close its
        // handle would stay open, unreachable, and keep the file locked against every
        // later open of the run.
        CloseHandle(handle_);
        handle_ = nullptr;
    }
    return rc;
}

ReturnCode FileObject::close() { return CloseHandle(handle_) ? 0 : LastErrorCode(); }

ReturnCode FileObject::commit() { return FlushFileBuffers(handle_) ? 0 : LastErrorCode(); }

ReturnCode FileObject::seek() {
    DWORD result = SetFilePointer(handle_, seekDistance_, nullptr, moveMethod_);
    ReturnCode rc = result == INVALID_SET_FILE_POINTER ? LastErrorCode() : 0;
    moveMethod_ = kFromBeginning;
    return rc;
}

ReturnCode FileObject::changeEndOfFile(std::uint32_t newSize) {
    if (SetFilePointer(handle_, static_cast<LONG>(newSize), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return kPositioningFailed;
    return SetEndOfFile(handle_) ? 0 : LastErrorCode();
}

ReturnCode FileObject::getFileSize(std::uint32_t& size) {
    DWORD result = GetFileSize(handle_, nullptr);
    // 0xFFFFFFFF is also the size of a file of 4294967295 bytes: the call then
    // succeeded and the last error is 0.
    if (result == INVALID_FILE_SIZE) {
        ReturnCode rc = LastErrorCode();
        size = rc == 0 ? result : 0;
        return rc;
    }
    size = result;
    return 0;
}

ReturnCode FileObject::duplicate(HANDLE& newHandle) {
    newHandle = INVALID_HANDLE_VALUE;
    HANDLE process = GetCurrentProcess();
    return DuplicateHandle(process, handle_, process, &newHandle, FILE_WRITE_DATA, TRUE, 0) ? 0 : LastErrorCode();
}

ReturnCode FileObject::lock(std::uint32_t offset, std::uint32_t length) {
    return LockFile(handle_, offset, 0, length, 0) ? 0 : LastErrorCode();
}

ReturnCode FileObject::unlock(std::uint32_t offset, std::uint32_t length) {
    if (length == 0) return LockFile(handle_, 0, 0, 0, 0) ? 0 : LastErrorCode();
    return UnlockFile(handle_, offset, 0, length, 0) ? 0 : LastErrorCode();
}

ReturnCode FileObject::lockUnlock(std::uint32_t lockOffset, std::uint32_t lockLength, std::uint32_t unlockOffset,
                                  std::uint32_t unlockLength) {
    // Exactly one half runs: the unlock when it has a length, else the lock.
    if (unlockLength != 0) return UnlockFile(handle_, unlockOffset, 0, unlockLength, 0) ? 0 : LastErrorCode();
    return LockFile(handle_, lockOffset, 0, lockLength, 0) ? 0 : LastErrorCode();
}

ReturnCode FileObject::map() {
    bool writable = (accessFlags_ & kWrite) != 0;
    DWORD protection = writable ? PAGE_READWRITE : PAGE_READONLY;
    DWORD viewAccess = writable ? FILE_MAP_WRITE : FILE_MAP_READ;
    // The view covers the file's size now; transfers on the view stay inside it.
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(handle_, &sizeHigh);
    mappingHandle_ = CreateFileMappingA(handle_, nullptr, protection, 0, 0, nullptr);
    if (mappingHandle_ == nullptr) return LastErrorCode();
    viewAddress_ = MapViewOfFile(mappingHandle_, viewAccess, 0, 0, 0);
    if (viewAddress_ == nullptr) {
        // Without a view nothing would ever close the mapping, which keeps the file
        // referenced for the rest of the run.
        ReturnCode rc = LastErrorCode();
        CloseHandle(mappingHandle_);
        mappingHandle_ = nullptr;
        return rc;
    }
    viewSize_ = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
    mappedFlag_ = 1;
    return 0;
}

// Once the view is gone the slot forgets it and its mapping handle at once: the
// system may give the same address and handle value to another slot's MAP, and a
// second UNMAP must then find a null view (487), not that slot's view.
ReturnCode FileObject::unmap() {
    if (!UnmapViewOfFile(viewAddress_)) return LastErrorCode();
    viewAddress_ = nullptr;
    viewSize_ = 0;
    mappedFlag_ = 0;
    HANDLE mapping = mappingHandle_;
    mappingHandle_ = nullptr;
    return CloseHandle(mapping) ? 0 : LastErrorCode();
}

void FileObjectRelease::operator()(FileObject* file) const { std::default_delete<FileObject>()(file); }
