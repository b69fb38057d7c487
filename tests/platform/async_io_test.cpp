// Overlapped I/O of the POSIX layer: ReadFile/WriteFile with an OVERLAPPED record,
// ReadFileEx/WriteFileEx with completion routines, GetOverlappedResult, events and
// alertable waits. Every case runs with io_uring and with requests completed at
// submission (DRAVIK_ASYNC=sync).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "files_fixture.h"
#include "platform/posix/async.h"
#include "platform/posix/events.h"
#include "platform/posix/file_handle.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;

struct Completion {
    DWORD error;
    DWORD bytes;
    OVERLAPPED* overlapped;
};
std::vector<Completion> Completions;

void Record(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) { Completions.push_back({error, bytes, overlapped}); }

// The file's bytes are the low byte of their offset (makeFile).
bool HoldsFileBytes(const char* data, std::size_t offset, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (data[i] != static_cast<char>(offset + i)) return false;
    return true;
}

class AsyncTest : public FileApiTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        FileApiTest::SetUp();
        setenv("DRAVIK_ASYNC", GetParam(), 1);
        posix::ReconfigureAsync();
        // Without a ring (a build without liburing, or a kernel that refuses rings) the
        // layer completes every request at submission: the ring cases would test that.
        if (ring() && !posix::AsyncUsesRing()) GTEST_SKIP() << "no io_uring in this build or on this kernel";
        Completions.clear();
        makeFile("f.bin", 1000);
    }
    void TearDown() override {
        unsetenv("DRAVIK_ASYNC");
        posix::ReconfigureAsync();
        FileApiTest::TearDown();
    }
    bool ring() const { return std::string(GetParam()) == "ring"; }
    HANDLE openOverlapped(DWORD access = RW) {
        return open("f.bin", access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
    }
    static OVERLAPPED at(DWORD offset, HANDLE event = nullptr) {
        OVERLAPPED ov{};
        ov.Offset = offset;
        ov.hEvent = event;
        return ov;
    }
};

TEST_P(AsyncTest, TheModeIsTheOneAskedFor) { EXPECT_EQ(posix::AsyncUsesRing(), ring()); }

TEST_P(AsyncTest, ReadStartsPendingAndLeavesThePointer) {
    HANDLE h = openOverlapped();
    char buffer[100];
    OVERLAPPED ov = at(100);
    DWORD n = 7;
    EXPECT_FAILS_WITH(ReadFile(h, buffer, 100, &n, &ov), ERROR_IO_PENDING);
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(GetOverlappedResult(h, &ov, &n, TRUE));
    EXPECT_EQ(n, 100u);
    EXPECT_EQ(ov.Internal, 0u);
    EXPECT_EQ(ov.InternalHigh, 100u);
    EXPECT_TRUE(HoldsFileBytes(buffer, 100, 100));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 0u);
    // Asking again gives the same result.
    n = 0;
    EXPECT_TRUE(GetOverlappedResult(h, &ov, &n, FALSE));
    EXPECT_EQ(n, 100u);
    CloseHandle(h);
}

TEST_P(AsyncTest, PollingWithoutWaitEndsWithTheResult) {
    HANDLE h = openOverlapped();
    char buffer[100];
    OVERLAPPED ov = at(0);
    DWORD n = 0;
    EXPECT_FALSE(ReadFile(h, buffer, 100, &n, &ov));
    int polls = 0;
    while (!GetOverlappedResult(h, &ov, &n, FALSE)) {
        ASSERT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
        ASSERT_LT(++polls, 100000);
        Sleep(0);
    }
    EXPECT_EQ(n, 100u);
    EXPECT_TRUE(HoldsFileBytes(buffer, 0, 100));
    CloseHandle(h);
}

TEST_P(AsyncTest, EndOfFileAndShortReads) {
    HANDLE h = openOverlapped();
    char buffer[100];
    OVERLAPPED atEnd = at(1000), pastEnd = at(5000), across = at(950);
    DWORD n = 0;
    EXPECT_FAILS_WITH(ReadFile(h, buffer, 100, &n, &atEnd), ERROR_IO_PENDING);
    EXPECT_FAILS_WITH(ReadFile(h, buffer, 100, &n, &pastEnd), ERROR_IO_PENDING);
    EXPECT_FAILS_WITH(GetOverlappedResult(h, &atEnd, &n, TRUE), ERROR_HANDLE_EOF);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(atEnd.Internal, STATUS_END_OF_FILE);
    EXPECT_FAILS_WITH(GetOverlappedResult(h, &pastEnd, &n, FALSE), ERROR_HANDLE_EOF);
    EXPECT_FALSE(ReadFile(h, buffer, 100, &n, &across));
    EXPECT_TRUE(GetOverlappedResult(h, &across, &n, TRUE));
    EXPECT_EQ(n, 50u);
    EXPECT_TRUE(HoldsFileBytes(buffer, 950, 50));
    CloseHandle(h);
}

TEST_P(AsyncTest, WritesExtendTheFile) {
    HANDLE h = openOverlapped();
    std::string data(100, 'w');
    OVERLAPPED ov = at(2000);
    DWORD n = 0;
    EXPECT_FAILS_WITH(WriteFile(h, data.data(), 100, &n, &ov), ERROR_IO_PENDING);
    EXPECT_TRUE(GetOverlappedResult(h, &ov, &n, TRUE));
    EXPECT_EQ(n, 100u);
    EXPECT_EQ(sizeOf("f.bin"), 2100u);
    CloseHandle(h);
}

// Whether the event behind a handle is set.
bool EventIsSet(HANDLE event) {
    const auto* object = posix::LookupHandleAs<posix::EventObject>(event);
    return object != nullptr && object->signalled;
}

// Twelve requests with auto-reset events, all started before the first wait, then
// waited for in order: the last two lie past the end of the file. Each request sets
// its event when it completes; a polling call leaves it set, a satisfied wait resets it.
// Half of them are polled to their end before the wait, half are waited for at once.
TEST_P(AsyncTest, EventRequestsInFlightTogether) {
    HANDLE h = openOverlapped();
    std::vector<char> buffer(1200);
    std::vector<OVERLAPPED> ov(12);
    for (DWORD i = 0; i < 12; ++i) {
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ASSERT_NE(event, nullptr);
        ov[i] = at(i * 100, event);
        EXPECT_FAILS_WITH(ReadFile(h, buffer.data() + std::size_t{i} * 100, 100, nullptr, &ov[i]), ERROR_IO_PENDING);
    }
    if (ring()) {
        // Nothing is reaped before the first wait, so all twelve are still pending.
        for (const OVERLAPPED& o : ov) EXPECT_EQ(o.Internal, STATUS_PENDING);
    }
    for (DWORD i = 0; i < 12; ++i) {
        DWORD n = 99;
        if (i % 2 == 0) {  // polled to its end first: the event is set and stays so
            while (!GetOverlappedResult(h, &ov[i], &n, FALSE) && GetLastError() == ERROR_IO_INCOMPLETE) Sleep(0);
            EXPECT_TRUE(EventIsSet(ov[i].hEvent)) << i;
        }
        if (i < 10) {
            EXPECT_TRUE(GetOverlappedResult(h, &ov[i], &n, TRUE)) << i;
            EXPECT_EQ(n, 100u);
        } else {
            EXPECT_FAILS_WITH(GetOverlappedResult(h, &ov[i], &n, TRUE), ERROR_HANDLE_EOF);
            EXPECT_EQ(n, 0u);
        }
        EXPECT_FALSE(EventIsSet(ov[i].hEvent)) << i;
        EXPECT_TRUE(CloseHandle(ov[i].hEvent));
    }
    EXPECT_TRUE(HoldsFileBytes(buffer.data(), 0, 1000));
    CloseHandle(h);
}

TEST_P(AsyncTest, RequestsThatCannotStart) {
    HANDLE writeOnly = openOverlapped(GENERIC_WRITE);
    char buffer[100];
    OVERLAPPED ov = at(0);
    DWORD n = 0;
    EXPECT_FAILS_WITH(ReadFile(writeOnly, buffer, 100, &n, &ov), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ov.Internal, STATUS_PENDING);
    // It never completes: polling says incomplete, and a waiting call does not hang.
    EXPECT_FAILS_WITH(GetOverlappedResult(writeOnly, &ov, &n, FALSE), ERROR_IO_INCOMPLETE);
    EXPECT_FAILS_WITH(GetOverlappedResult(writeOnly, &ov, &n, TRUE), ERROR_IO_INCOMPLETE);
    OVERLAPPED ex = at(0);
    EXPECT_FAILS_WITH(ReadFileEx(writeOnly, buffer, 100, &ex, Record), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SleepEx(50, TRUE), 0u);
    EXPECT_TRUE(Completions.empty());
    CloseHandle(writeOnly);
    EXPECT_FAILS_WITH(ReadFileEx(writeOnly, buffer, 100, &ex, Record), ERROR_INVALID_HANDLE);
}

TEST_P(AsyncTest, LockedRangesRefuseOtherHandles) {
    HANDLE owner = openOverlapped();
    HANDLE other = openOverlapped();
    ASSERT_TRUE(LockFile(owner, 0, 0, 100, 0));
    char buffer[50];
    OVERLAPPED ov = at(80);
    EXPECT_FAILS_WITH(ReadFile(other, buffer, 50, nullptr, &ov), ERROR_LOCK_VIOLATION);
    EXPECT_FAILS_WITH(WriteFileEx(other, buffer, 50, &ov, Record), ERROR_LOCK_VIOLATION);
    OVERLAPPED free = at(100);
    EXPECT_FAILS_WITH(ReadFile(other, buffer, 50, nullptr, &free), ERROR_IO_PENDING);
    DWORD n = 0;
    EXPECT_TRUE(GetOverlappedResult(other, &free, &n, TRUE));
    EXPECT_EQ(n, 50u);
    CloseHandle(other);
    CloseHandle(owner);
}

// Completion routines run only inside an alertable wait, all that are due, in order.
TEST_P(AsyncTest, RoutinesRunOnlyInAlertableWaits) {
    HANDLE h = openOverlapped();
    std::vector<char> buffer(300);
    std::vector<OVERLAPPED> ov{at(0), at(100), at(200)};
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(ReadFileEx(h, buffer.data() + i * 100, 100, &ov[i], Record));
    Sleep(20);
    DWORD n = 0;
    EXPECT_TRUE(GetOverlappedResult(h, &ov[2], &n, TRUE));
    EXPECT_EQ(SleepEx(0, FALSE), 0u);
    EXPECT_TRUE(Completions.empty());
    EXPECT_EQ(SleepEx(5000, TRUE), WAIT_IO_COMPLETION);
    ASSERT_EQ(Completions.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Completions[i].overlapped, &ov[i]);
        EXPECT_EQ(Completions[i].error, 0u);
        EXPECT_EQ(Completions[i].bytes, 100u);
    }
    EXPECT_TRUE(HoldsFileBytes(buffer.data(), 0, 300));
    EXPECT_EQ(SleepEx(0, TRUE), 0u);
    CloseHandle(h);
}

TEST_P(AsyncTest, RoutinesSeeEndOfFileAndPartialReads) {
    HANDLE h = openOverlapped();
    char buffer[200];
    OVERLAPPED atEnd = at(1000), across = at(950);
    EXPECT_TRUE(ReadFileEx(h, buffer, 100, &atEnd, Record));
    EXPECT_TRUE(ReadFileEx(h, buffer + 100, 100, &across, Record));
    while (Completions.size() < 2) ASSERT_EQ(SleepEx(INFINITE, TRUE), WAIT_IO_COMPLETION);
    for (const Completion& c : Completions) {
        if (c.overlapped == &atEnd) {
            EXPECT_EQ(c.error, ERROR_HANDLE_EOF);
            EXPECT_EQ(c.bytes, 0u);
        } else {
            EXPECT_EQ(c.error, 0u);
            EXPECT_EQ(c.bytes, 50u);
        }
    }
    CloseHandle(h);
}

TEST_P(AsyncTest, ExtendingWritesWithRoutines) {
    HANDLE h = openOverlapped();
    std::string data(100, 'x');
    OVERLAPPED first = at(1000), second = at(1050);
    EXPECT_TRUE(WriteFileEx(h, data.data(), 50, &first, Record));
    EXPECT_TRUE(WriteFileEx(h, data.data() + 50, 50, &second, Record));
    while (Completions.size() < 2) ASSERT_EQ(SleepEx(INFINITE, TRUE), WAIT_IO_COMPLETION);
    EXPECT_EQ(Completions[0].bytes + Completions[1].bytes, 100u);
    EXPECT_EQ(sizeOf("f.bin"), 1100u);
    CloseHandle(h);
}

// On a handle opened without FILE_FLAG_OVERLAPPED the transfer moves the file pointer
// and the routine still waits for an alertable wait.
TEST_P(AsyncTest, RoutineRequestsOnASynchronousHandle) {
    HANDLE h = open("f.bin", RW, 0, OPEN_EXISTING);
    char buffer[100];
    OVERLAPPED ov = at(100);
    EXPECT_TRUE(ReadFileEx(h, buffer, 100, &ov, Record));
    EXPECT_TRUE(Completions.empty());
    EXPECT_EQ(SleepEx(1000, TRUE), WAIT_IO_COMPLETION);
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0].bytes, 100u);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 200u);
    CloseHandle(h);
}

TEST_P(AsyncTest, AlertableSleepWithNothingDueTimesOut) { EXPECT_EQ(SleepEx(30, TRUE), 0u); }

INSTANTIATE_TEST_SUITE_P(Modes, AsyncTest, ::testing::Values("ring", "sync"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// A request on a pipe with no data stays in flight until data arrives; only the ring
// can leave a request pending, so these run with it alone.
class PendingTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("DRAVIK_ASYNC");
        posix::ReconfigureAsync();
        if (!posix::AsyncUsesRing()) GTEST_SKIP() << "no io_uring";
        Completions.clear();
        ASSERT_EQ(pipe(fds_), 0);
        auto handle = std::make_unique<posix::FileHandle>();
        handle->file = std::make_shared<posix::OpenFile>();
        handle->file->fd = fds_[0];
        handle->file->overlapped = true;
        handle->access = GENERIC_READ;
        handle_ = posix::AddHandle(std::move(handle));
    }
    void TearDown() override {
        if (handle_ != nullptr) CloseHandle(handle_);
        if (fds_[1] >= 0) close(fds_[1]);
    }
    void feed(const char* text, std::size_t size) { ASSERT_EQ(write(fds_[1], text, size), ssize_t(size)); }

    int fds_[2] = {-1, -1};
    HANDLE handle_ = nullptr;
};

TEST_F(PendingTest, IncompleteUntilDataArrives) {
    char buffer[10];
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov{};
    ov.hEvent = event;
    DWORD n = 77;
    EXPECT_FAILS_WITH(ReadFile(handle_, buffer, 10, &n, &ov), ERROR_IO_PENDING);
    EXPECT_FAILS_WITH(GetOverlappedResult(handle_, &ov, &n, FALSE), ERROR_IO_INCOMPLETE);
    EXPECT_EQ(ov.Internal, STATUS_PENDING);
    EXPECT_EQ(n, 0u);
    // The record in flight cannot start a second request.
    EXPECT_FAILS_WITH(ReadFile(handle_, buffer, 10, &n, &ov), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ov.Internal, STATUS_PENDING);
    feed("0123456789", 10);
    EXPECT_TRUE(GetOverlappedResult(handle_, &ov, &n, TRUE));
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    CloseHandle(event);
}

TEST_F(PendingTest, RoutineWaitsForTheAlertableSleep) {
    char buffer[10];
    OVERLAPPED ov{};
    EXPECT_TRUE(ReadFileEx(handle_, buffer, 10, &ov, Record));
    EXPECT_EQ(SleepEx(20, TRUE), 0u);  // nothing has arrived yet
    feed("abc", 3);
    Sleep(50);
    EXPECT_TRUE(Completions.empty());
    EXPECT_EQ(SleepEx(INFINITE, TRUE), WAIT_IO_COMPLETION);
    ASSERT_EQ(Completions.size(), 1u);
    EXPECT_EQ(Completions[0].bytes, 3u);
}

}  // namespace

// A write that fails (a device that is always full): carried out at submission, the
// call fails at once with the error and nothing completes later; through the ring it
// starts and completes with the error. Either way the code is 112.
TEST_P(AsyncTest, AFailedWriteGivesItsErrorAtStartOrAtCompletion) {
    HANDLE h = CreateFileA("Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char data[100] = {};
    OVERLAPPED ov = at(0);
    DWORD done = 7;
    EXPECT_FALSE(WriteFile(h, data, sizeof data, &done, &ov));
    if (ring()) {
        EXPECT_EQ(GetLastError(), DWORD{ERROR_IO_PENDING});
        EXPECT_FAILS_WITH(GetOverlappedResult(h, &ov, &done, TRUE), ERROR_DISK_FULL);
    } else {
        EXPECT_EQ(GetLastError(), DWORD{ERROR_DISK_FULL});
    }
    EXPECT_EQ(done, 0u);

    OVERLAPPED ex = at(0);
    SetLastError(0xDEAD);
    BOOL started = WriteFileEx(h, data, sizeof data, &ex, Record);
    EXPECT_EQ(started, ring() ? TRUE : FALSE);
    if (!ring()) {
        EXPECT_EQ(GetLastError(), DWORD{ERROR_DISK_FULL});
    }
    SleepEx(ring() ? 1000 : 0, TRUE);
    // A routine runs only for a request that started.
    ASSERT_EQ(Completions.size(), ring() ? 1u : 0u);
    if (ring()) {
        EXPECT_EQ(Completions[0].error, DWORD{ERROR_DISK_FULL});
    }
    CloseHandle(h);
}
