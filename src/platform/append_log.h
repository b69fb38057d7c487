// An append-only log file whose bytes reach the system as soon as they are stored,
// without a system call per write: the file is mapped shared and grown in steps, and a
// writer puts its bytes straight into the mapped view. A process that is killed or dies
// leaves every byte it wrote; its file then ends in zero bytes behind the last one. A
// normal close trims the file to the bytes written.
// The Windows build maps through CreateFileMappingA and MapViewOfFile, the Linux
// build through mmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

class AppendLog {
public:
    // Opens the file for appending (made when missing); null when it cannot be.
    static std::unique_ptr<AppendLog> Open(const char* path);
    ~AppendLog();
    AppendLog(const AppendLog&) = delete;
    AppendLog& operator=(const AppendLog&) = delete;

    // The most that one reserve may ask for.
    static constexpr std::size_t kMaxReserve = 4096;

    // Room for `size` bytes (at most kMaxReserve) at the end of the log, to be filled
    // and then committed; null when the file cannot grow. Bytes stored there are in
    // the file at once, but a later reserve hands out the same room until they are
    // committed.
    char* reserve(std::size_t size) {
        if (end_ + size > viewStart_ + viewSize_ && !mapAtEnd()) return nullptr;
        return view_ + (end_ - viewStart_);
    }
    // The first `size` bytes of the last room reserved belong to the log.
    void commit(std::size_t size) { end_ += size; }

private:
    AppendLog() = default;
    // A view begins at a multiple of kAlign (a multiple of every page size and of the
    // Windows allocation granularity) at or before the end of the log. Each is twice
    // as long as the last, from kAlign up to kStep, so that a short run readies few
    // pages and a long one maps seldom.
    static constexpr std::size_t kAlign = std::size_t{1} << 16;
    static constexpr std::size_t kStep = std::size_t{1} << 20;
    static_assert(kAlign >= kMaxReserve && (kAlign << 4) == kStep);
    // The length of the next view, which begins at `start`: with room for a reserve.
    std::size_t nextViewSize(std::uint64_t start) const {
        std::size_t size = viewsMapped_ >= 4 ? kStep : kAlign << viewsMapped_;
        return end_ + kMaxReserve > start + size ? size + kAlign : size;
    }
    // Maps the view that holds the end of the log, growing the file to hold the view.
    bool mapAtEnd();
    void unmap();

    std::intptr_t file_ = -1;  // the descriptor or HANDLE
    char* view_ = nullptr;
    std::uint64_t viewStart_ = 0;  // file offset of view_[0]
    std::size_t viewSize_ = 0;
    std::uint64_t end_ = 0;  // file offset behind the last byte written
    unsigned viewsMapped_ = 0;
};

}  // namespace platform
