// The append-only log: bytes put into reserved room and committed are in the file at
// once and in order, across the views that the log maps as it grows, after whatever
// the file already held; a normal close trims the file to them.
#include "platform/append_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

class AppendLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        int fd = mkstemp(path_);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    void TearDown() override { unlink(path_); }

    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void put(platform::AppendLog& log, const std::string& bytes, std::size_t room) {
        char* at = log.reserve(room);
        ASSERT_NE(at, nullptr);
        std::copy(bytes.begin(), bytes.end(), at);
        log.commit(bytes.size());
    }

    char path_[32] = "/tmp/dravik-append-log-XXXXXX";
};

// Records of every size up to the largest reserve, over several MiB: each view the log
// maps begins where the last one left off, so no byte is lost, doubled or zero.
TEST_F(AppendLogTest, KeepsEveryByteInOrderAcrossItsViews) {
    std::string want;
    {
        std::unique_ptr<platform::AppendLog> log = platform::AppendLog::Open(path_);
        ASSERT_TRUE(log);
        for (std::size_t i = 0; want.size() < (std::size_t{5} << 20); ++i) {
            std::size_t size = 1 + (i * 7919) % platform::AppendLog::kMaxReserve;
            std::string record(size, static_cast<char>('a' + i % 26));
            record.back() = '\n';
            // Room asked for is often more than the record uses, as a formatter asks for
            // room for its largest record.
            put(*log, record, platform::AppendLog::kMaxReserve);
            want += record;
        }
    }
    std::string got = contents();
    ASSERT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);
}

// The file ends a byte before a 64 KiB boundary, where the first view begins: the
// whole of the largest room lies in the view all the same.
TEST_F(AppendLogTest, AppendsBehindWhatTheFileHeld) {
    std::string before(2 * 65536 - 1, 'x');
    std::ofstream(path_, std::ios::binary) << before;
    std::string record = "{\"event\":\"exit\"}\n";
    {
        std::unique_ptr<platform::AppendLog> log = platform::AppendLog::Open(path_);
        ASSERT_TRUE(log);
        char* room = log->reserve(platform::AppendLog::kMaxReserve);
        ASSERT_NE(room, nullptr);
        std::fill_n(room, platform::AppendLog::kMaxReserve, 'y');
        std::copy(record.begin(), record.end(), room);
        log->commit(record.size());
    }
    EXPECT_EQ(contents(), before + record);
}

// While the log is open, a reader of the file (a runner after a kill) finds every
// committed byte, then zero bytes; room reserved and not committed is handed out again.
TEST_F(AppendLogTest, CommittedBytesAreInTheFileBeforeItCloses) {
    std::unique_ptr<platform::AppendLog> log = platform::AppendLog::Open(path_);
    ASSERT_TRUE(log);
    put(*log, "first\n", 64);
    std::string dropped = "dropped";
    std::copy(dropped.begin(), dropped.end(), log->reserve(64));
    put(*log, "second\n", 64);
    std::string got = contents();
    ASSERT_GE(got.size(), 13u);
    EXPECT_EQ(got.substr(0, 13), "first\nsecond\n");
    EXPECT_EQ(got.find_first_not_of('\0', 13), std::string::npos);
}

}  // namespace
