// An append-only log file whose bytes reach the system as soon as they are copied in,
// without a system call per write: the file is mapped shared and grown in steps. A
// process that is killed or dies leaves every byte it wrote; its file then ends in
// zero bytes behind the last one. A normal close trims the file to the bytes written.
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

    // Appends the bytes; gives false when the file cannot grow.
    bool append(const char* data, std::size_t size);

private:
    AppendLog() = default;
    bool mapNextStep();
    void unmap();

    std::intptr_t file_ = -1;  // the descriptor or HANDLE
    unsigned char* view_ = nullptr;
    std::uint64_t viewStart_ = 0;  // file offset of view_[0]
    std::size_t viewSize_ = 0;
    std::uint64_t end_ = 0;  // file offset behind the last byte written
};

}  // namespace platform
