#include "platform/append_log.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<AppendLog> AppendLog::Open(const char* path) {
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0) close(fd);
        return nullptr;
    }
    std::unique_ptr<AppendLog> log(new AppendLog);
    log->file_ = fd;
    log->end_ = static_cast<std::uint64_t>(info.st_size);
    return log;
}

bool AppendLog::mapAtEnd() {
    unmap();
    std::uint64_t start = end_ - end_ % kAlign;
    std::size_t size = nextViewSize(start);
    int fd = static_cast<int>(file_);
    if (ftruncate(fd, static_cast<off_t>(start + size)) != 0) return false;
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(start));
    if (view == MAP_FAILED) return false;
    // The pages are made writable now, in one call, rather than by a fault on the first
    // store to each (an older kernel refuses with EINVAL; its faults then do the same).
    // Any other refusal means the file system has no room for them (a full disk): a
    // store would then end the process with SIGBUS, so the view is given up instead.
    if (madvise(view, size, MADV_POPULATE_WRITE) != 0 && errno != EINVAL) {
        munmap(view, size);
        return false;
    }
    view_ = static_cast<char*>(view);
    viewStart_ = start;
    viewSize_ = size;
    ++viewsMapped_;
    return true;
}

void AppendLog::unmap() {
    if (view_ != nullptr) munmap(view_, viewSize_);
    view_ = nullptr;
    viewSize_ = 0;
}

AppendLog::~AppendLog() {
    unmap();
    int fd = static_cast<int>(file_);
    if (ftruncate(fd, static_cast<off_t>(end_)) != 0) {
        // The file keeps zero bytes behind the last record, as a killed run leaves it.
    }
    close(fd);
}

}  // namespace platform
