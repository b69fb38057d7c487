// The data buffer of one READ or WRITE: the shared buffer when the transfer fits it,
// else a buffer of the command's own with 50 spare bytes, released at the end.
#pragma once

#include <cstddef>
#include <cstdint>

class TransferBuffer {
public:
    // total is the bytes of one transfer (length x requests), computed without
    // wrapping. A buffer of its own must stay addressable by 32-bit sizes with its
    // spare bytes; a larger one, or one that cannot be allocated, leaves data() null.
    // filledWhole: the command fills every byte before the transfer (WRITE), so the
    // pages of a buffer of its own are faulted in at once; a READ leaves them to the
    // data that arrives (a short read of a huge buffer touches little).
    TransferBuffer(unsigned char* shared, std::uint64_t total, bool filledWhole);
    ~TransferBuffer();
    TransferBuffer(const TransferBuffer&) = delete;
    TransferBuffer& operator=(const TransferBuffer&) = delete;

    unsigned char* data() const { return data_; }
    // The bytes data() holds: the shared buffer's size, or the buffer's own size.
    std::size_t size() const;

private:
    unsigned char* own_ = nullptr;
    std::size_t ownSize_ = 0;
    unsigned char* data_ = nullptr;
};
