// The SERVERIOCTL request block and the reply dump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "volume/server_request.h"

namespace {

std::string Build(std::uint32_t value, const std::string& name, std::uint32_t dataLength) {
    ServerRequestSize size = MeasureServerRequest(dataLength, name.size());
    std::vector<unsigned char> buffer(size.whole + 8, '#');
    BuildServerRequest(buffer.data(), value, name, dataLength);
    return std::string(buffer.begin(), buffer.end());
}

TEST(ServerRequest, SixtyBytesForServer) {
    ServerRequestSize size = MeasureServerRequest(60, 6);
    EXPECT_EQ(size.input, 71u);
    EXPECT_EQ(size.whole, 71u);
    std::string block = Build(7, "SERVER", 60);
    EXPECT_EQ(block, std::string("\x07\0\0\0SERVER\0", 11) +
                         "00000000 server IOCTL bytes.\r\n00000030 server IOCTL bytes.\r\n########");
}

TEST(ServerRequest, PartialRecordIsWrittenWholeButNotDeclared) {
    ServerRequestSize size = MeasureServerRequest(31, 1);
    EXPECT_EQ(size.input, 37u);
    EXPECT_EQ(size.whole, 66u);
    std::string block = Build(0x01020304, "S", 31);
    EXPECT_EQ(block.substr(0, 6), std::string("\x04\x03\x02\x01S\0", 6));
    EXPECT_EQ(block.substr(36, 30), "00000030 server IOCTL bytes.\r\n");
    EXPECT_EQ(block.substr(66), "########");
}

TEST(ServerRequest, NoDataWritesNoRecord) {
    EXPECT_EQ(MeasureServerRequest(0, 3).input, 8u);
    EXPECT_EQ(Build(1, "SRV", 0), std::string("\x01\0\0\0SRV\0########", 16));
}

TEST(ServerRequest, SizesBeyond32BitsAreKept) {
    // The caller refuses these; the measure must not wrap to a small size.
    ServerRequestSize size = MeasureServerRequest(0xFFFFFFFFu, 99);
    EXPECT_EQ(size.input, 0xFFFFFFFFull + 104);
    EXPECT_GT(size.whole, 0xFFFFFFFFull);
}

TEST(ServerRequest, RecordNumbersKeepEightDigits) {
    // Offsets of 10^8 and more show their last eight digits.
    std::uint32_t dataLength = 100000021;
    ServerRequestSize size = MeasureServerRequest(dataLength, 0);
    std::vector<unsigned char> buffer(size.whole);
    BuildServerRequest(buffer.data(), 0, "", dataLength);
    EXPECT_EQ(std::string(buffer.begin() + 5 + 99999990, buffer.begin() + 5 + 100000020),
              "99999990 server IOCTL bytes.\r\n");
    EXPECT_EQ(std::string(buffer.begin() + 5 + 100000020, buffer.begin() + 5 + 100000050),
              "00000020 server IOCTL bytes.\r\n");
}

}  // namespace
