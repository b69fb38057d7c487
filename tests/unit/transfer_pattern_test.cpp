#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "transfer/dump.h"
#include "transfer/pattern.h"

namespace {

using transfer::fillPattern;
using transfer::matchesPattern;

std::string pattern(std::uint64_t offset, std::size_t length) {
    std::string out(length, '\0');
    fillPattern(offset, length, reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

// The pattern byte at one file offset, written out from the record's definition.
char patternByte(std::uint64_t x) {
    char record[31];
    std::snprintf(record, sizeof record, "%08llu written to file ...\r\n",
                  static_cast<unsigned long long>((x - x % 30) % 100000000u));
    return record[x % 30];
}

TEST(Pattern, FirstRecord) { EXPECT_EQ(pattern(0, 30), "00000000 written to file ...\r\n"); }

TEST(Pattern, StartsInsideARecord) {
    EXPECT_EQ(pattern(35, 30), "030 written to file ...\r\n00000");
    EXPECT_EQ(pattern(31, 3), "000");
}

TEST(Pattern, WritesExactlyLengthBytes) {
    std::string buffer(40, '#');
    fillPattern(0, 5, reinterpret_cast<unsigned char*>(buffer.data()));
    EXPECT_EQ(buffer, "00000" + std::string(35, '#'));
    fillPattern(12345, 0, reinterpret_cast<unsigned char*>(buffer.data()));
    EXPECT_EQ(buffer, "00000" + std::string(35, '#'));
}

TEST(Pattern, DigitsKeepTheLowestEight) {
    EXPECT_EQ(pattern(100000020, 8), "00000020");
    EXPECT_EQ(pattern(99999990, 38).substr(0, 38), "99999990 written to file ...\r\n00000020");
}

TEST(Pattern, OffsetsPastFourGibContinueTheStream) {
    std::uint64_t offset = 0x100000000ull - 45;
    std::string got = pattern(offset, 7000);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], patternByte(offset + i)) << "at " << offset + i;
}

// Every alignment against the bulk blocks: heads, whole blocks and tails.
TEST(Pattern, MatchesTheRecordDefinitionAcrossBlocks) {
    for (std::uint64_t offset : {0ull, 1ull, 29ull, 2999ull, 3000ull, 3001ull, 997000ull, 99997000ull, 123456789ull}) {
        for (std::size_t length : {1u, 2999u, 3000u, 6001u, 9030u}) {
            std::string got = pattern(offset, length);
            for (std::size_t i = 0; i < length; ++i)
                ASSERT_EQ(got[i], patternByte(offset + i))
                    << "offset " << offset << " length " << length << " at " << i;
        }
    }
}

TEST(Pattern, FillDoesNotDependOnHowTheRangeIsSplit) {
    std::string whole = pattern(1000, 20000);
    EXPECT_EQ(pattern(1000, 7777) + pattern(8777, 12223), whole);
}

TEST(Pattern, MatchesPatternFindsAnyDifferentByte) {
    std::vector<unsigned char> data(50000);
    fillPattern(40, data.size(), data.data());
    EXPECT_TRUE(matchesPattern(40, data.data(), data.size()));
    EXPECT_FALSE(matchesPattern(70, data.data(), data.size()));
    // Every byte of the first records, those around a block of records (file offset
    // 30000), and the last.
    std::vector<std::size_t> positions;
    for (std::size_t at = 0; at < 200; ++at) positions.push_back(at);
    for (std::size_t at = 29900; at < 30100; ++at) positions.push_back(at - 40);
    positions.push_back(data.size() - 1);
    for (std::size_t at : positions) {
        data[at] ^= 1;
        ASSERT_FALSE(matchesPattern(40, data.data(), data.size())) << "at " << at;
        data[at] ^= 1;
    }
    EXPECT_TRUE(matchesPattern(40, data.data(), 0));
}

void appendTo(void* context, const char* data, std::size_t size) {
    static_cast<std::string*>(context)->append(data, size);
}

std::string dump(const std::string& bytes) {
    std::string out;
    transfer::dumpData(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), appendTo, &out);
    return out;
}

TEST(Dump, EscapesWhatIsNotPrintableTextOrLineEnd) {
    EXPECT_EQ(dump(std::string("A\0\r\n\xFF", 5)), "A00\r\nFF");
    EXPECT_EQ(dump(std::string("\x1F \x7E\x7F\x80\t", 6)), "1F ~7F8009");
    EXPECT_EQ(dump(""), "");
    // A driver's reply to SERVERIOCTL is shown in the same form.
    EXPECT_EQ(dump(std::string("\0A\r\n\x1F \x7E\x7F\xFF\xAB", 10)), "00A\r\n1F ~7FFFAB");
}

TEST(Dump, LongRunsAndEscapesInAnyPosition) {
    std::string text = pattern(0, 3000);
    EXPECT_EQ(dump(text), text);
    for (std::size_t at : {0u, 15u, 16u, 17u, 2999u}) {
        std::string bytes = text;
        bytes[at] = '\x01';
        std::string expected = text.substr(0, at) + "01" + text.substr(at + 1);
        EXPECT_EQ(dump(bytes), expected) << "at " << at;
    }
    std::string binary(1000, '\xAB');
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += "AB";
    EXPECT_EQ(dump(binary), expected);
}

}  // namespace
