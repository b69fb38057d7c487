#include "platform/append_log.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The file grows by this much at a time (a multiple of every page size).
constexpr std::size_t kStep = 1 << 20;

}  // namespace

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

bool AppendLog::mapNextStep() {
    unmap();
    std::uint64_t start = end_ - end_ % kStep;
    int fd = static_cast<int>(file_);
    if (ftruncate(fd, static_cast<off_t>(start + kStep)) != 0) return false;
    void* view = mmap(nullptr, kStep, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, static_cast<off_t>(start));
    if (view == MAP_FAILED) return false;
    view_ = static_cast<unsigned char*>(view);
    viewStart_ = start;
    viewSize_ = kStep;
    return true;
}

void AppendLog::unmap() {
    if (view_ != nullptr) munmap(view_, viewSize_);
    view_ = nullptr;
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
