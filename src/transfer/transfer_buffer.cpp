#include "transfer/transfer_buffer.h"

#include "interpreter/constants.h"
#include "platform/large_buffer.h"

namespace {
constexpr std::uint64_t kSpareBytes = 50;
constexpr std::uint64_t kLargestOwnBuffer = 0xFFFFFFFFull;
}  // namespace

TransferBuffer::TransferBuffer(unsigned char* shared, std::uint64_t total, bool filledWhole) {
    if (total < kBufferSize) {
        data_ = shared;
        return;
    }
    if (total + kSpareBytes > kLargestOwnBuffer) return;
    ownSize_ = static_cast<std::size_t>(total + kSpareBytes);
    own_ = platform::AllocateLargeBuffer(ownSize_, filledWhole);
    data_ = own_;
}

std::size_t TransferBuffer::size() const { return own_ != nullptr ? ownSize_ : (data_ != nullptr ? kBufferSize : 0); }

TransferBuffer::~TransferBuffer() { platform::ReleaseLargeBuffer(own_, ownSize_); }
