#include <gtest/gtest.h>

#include "interpreter/constants.h"
#include "transfer/transfer_buffer.h"

namespace {

unsigned char Shared[1];

TEST(TransferBuffer, SharedBelowItsSize) {
    EXPECT_EQ(TransferBuffer(Shared, 0).data(), Shared);
    EXPECT_EQ(TransferBuffer(Shared, kBufferSize - 1).data(), Shared);
}

TEST(TransferBuffer, OwnBufferWithSpareBytes) {
    TransferBuffer own(Shared, kBufferSize);
    ASSERT_NE(own.data(), nullptr);
    EXPECT_NE(own.data(), Shared);
    own.data()[kBufferSize + 49] = 1;  // the spare bytes are there (checked under ASan)
}

// Sizes whose spare bytes would wrap a 32-bit size, or that are too large to be
// addressed with one, are refused instead of giving a buffer smaller than the transfer.
TEST(TransferBuffer, SizesThatWouldWrapAreRefused) {
    EXPECT_EQ(TransferBuffer(Shared, 4294967246ull).data(), nullptr);
    EXPECT_EQ(TransferBuffer(Shared, 4294967295ull).data(), nullptr);
    EXPECT_EQ(TransferBuffer(Shared, 20ull * 300000000ull).data(), nullptr);
}

}  // namespace
