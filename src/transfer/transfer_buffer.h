// The data buffer of one READ or WRITE: the shared buffer when the transfer fits it,
// else a buffer of the command's own with 50 spare bytes, released at the end.
#pragma once

#include <cstdint>
#include <memory>

class TransferBuffer {
public:
    // total is the bytes of one transfer (length x requests), computed without
    // wrapping. A buffer of its own must stay addressable by 32-bit sizes with its
    // spare bytes; a larger one, or one that cannot be allocated, leaves data() null.
    TransferBuffer(unsigned char* shared, std::uint64_t total);

    unsigned char* data() const { return data_; }

private:
    std::unique_ptr<unsigned char[]> own_;
    unsigned char* data_ = nullptr;
};
