#include "transfer/transfer_buffer.h"

#include <new>

#include "interpreter/constants.h"

namespace {
constexpr std::uint64_t kSpareBytes = 50;
constexpr std::uint64_t kLargestOwnBuffer = 0xFFFFFFFFull;
}  // namespace

TransferBuffer::TransferBuffer(unsigned char* shared, std::uint64_t total) {
    if (total < kBufferSize) {
        data_ = shared;
        return;
    }
    if (total + kSpareBytes > kLargestOwnBuffer) return;
    own_.reset(new (std::nothrow) unsigned char[total + kSpareBytes]);
    data_ = own_.get();
}
