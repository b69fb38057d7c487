#include "transfer/transfer_buffer.h"

#include <gtest/gtest.h>

#include "interpreter/constants.h"

namespace {

unsigned char Shared[1];

TEST(TransferBuffer, SharedBelowItsSize) {
    EXPECT_EQ(TransferBuffer(Shared, 0, false).data(), Shared);
    EXPECT_EQ(TransferBuffer(Shared, kBufferSize - 1, true).data(), Shared);
    EXPECT_EQ(TransferBuffer(Shared, kBufferSize - 1, true).size(), kBufferSize);
}

TEST(TransferBuffer, OwnBufferWithSpareBytes) {
    for (bool filledWhole : {false, true}) {
        TransferBuffer own(Shared, kBufferSize, filledWhole);
        ASSERT_NE(own.data(), nullptr);
        EXPECT_NE(own.data(), Shared);
        EXPECT_EQ(own.data()[0], 0);  // fresh memory reads as zeros
        EXPECT_EQ(own.size(), kBufferSize + 50);
        own.data()[kBufferSize + 49] = 1;  // the spare bytes are there
    }
}

// Sizes whose spare bytes would wrap a 32-bit size, or that are too large to be
// addressed with one, are refused instead of giving a buffer smaller than the transfer.
TEST(TransferBuffer, SizesThatWouldWrapAreRefused) {
    EXPECT_EQ(TransferBuffer(Shared, 4294967246ull, false).data(), nullptr);
    EXPECT_EQ(TransferBuffer(Shared, 4294967246ull, false).size(), 0u);
    EXPECT_EQ(TransferBuffer(Shared, 4294967295ull, true).data(), nullptr);
    EXPECT_EQ(TransferBuffer(Shared, 20ull * 300000000ull, true).data(), nullptr);
}

}  // namespace
