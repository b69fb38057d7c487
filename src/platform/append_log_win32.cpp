// The Windows build's append-only log (the Linux build's is in posix/append_log.cpp).
#ifdef _WIN32
#include "platform/append_log.h"
#include "platform/win32.h"

namespace platform {

namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

std::unique_ptr<AppendLog> AppendLog::Open(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return nullptr;
    }
    std::unique_ptr<AppendLog> log(new AppendLog);
    log->file_ = reinterpret_cast<std::intptr_t>(file);
    log->end_ = static_cast<std::uint64_t>(size.QuadPart);
    return log;
}

bool AppendLog::mapAtEnd() {
    unmap();
    std::uint64_t start = end_ - end_ % kAlign;
    std::size_t size = nextViewSize(start);
    std::uint64_t fileSize = start + size;
    HANDLE mapping = CreateFileMappingA(AsHandle(file_), nullptr, PAGE_READWRITE, static_cast<DWORD>(fileSize >> 32),
                                        static_cast<DWORD>(fileSize), nullptr);
    if (mapping == nullptr) return false;
    void* view =
        MapViewOfFile(mapping, FILE_MAP_WRITE, static_cast<DWORD>(start >> 32), static_cast<DWORD>(start), size);
    // The view keeps the mapping object alive until it is unmapped.
    CloseHandle(mapping);
    if (view == nullptr) return false;
    view_ = static_cast<char*>(view);
    viewStart_ = start;
    viewSize_ = size;
    ++viewsMapped_;
    return true;
}

void AppendLog::unmap() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    view_ = nullptr;
    viewSize_ = 0;
}

AppendLog::~AppendLog() {
    unmap();
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(end_);
    if (SetFilePointerEx(AsHandle(file_), end, nullptr, FILE_BEGIN)) SetEndOfFile(AsHandle(file_));
    CloseHandle(AsHandle(file_));
}

}  // namespace platform
#endif
