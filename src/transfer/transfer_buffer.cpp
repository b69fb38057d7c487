#include "transfer/transfer_buffer.h"

#include "interpreter/constants.h"
#include "platform/win32.h"

namespace {
constexpr std::uint64_t kSpareBytes = 50;
constexpr std::uint64_t kLargestOwnBuffer = 0xFFFFFFFFull;
}  // namespace

// Own buffers come from whole pages (VirtualAlloc): a transfer of a gigabyte then
// does not go through the heap, and the pages are handed back at once.
TransferBuffer::TransferBuffer(unsigned char* shared, std::uint64_t total) {
    if (total < kBufferSize) {
        data_ = shared;
        return;
    }
    if (total + kSpareBytes > kLargestOwnBuffer) return;
    data_ = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, static_cast<SIZE_T>(total + kSpareBytes), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    own_ = data_ != nullptr;
}

TransferBuffer::~TransferBuffer() {
    if (own_) VirtualFree(data_, 0, MEM_RELEASE);
}
