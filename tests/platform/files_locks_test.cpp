// Byte-range locks: exclusive, mandatory for other handles, exact unlocks, zero-length
// locks, ownership shared by duplicates, release on close, and visibility to other
// processes.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files_fixture.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD ShareRW = FILE_SHARE_READ | FILE_SHARE_WRITE;

class FileLockTest : public FileApiTest {
protected:
    void SetUp() override {
        FileApiTest::SetUp();
        makeFile("f.txt", 1000);
        h1 = open("f.txt", RW, ShareRW, OPEN_EXISTING);
        h2 = open("f.txt", RW, ShareRW, OPEN_EXISTING);
        ASSERT_NE(h1, INVALID_HANDLE_VALUE);
        ASSERT_NE(h2, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(h1);
        CloseHandle(h2);
        FileApiTest::TearDown();
    }
    bool readAt(HANDLE h, DWORD offset, DWORD length) {
        char buffer[64];
        DWORD n = 0;
        SetFilePointer(h, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
        return ReadFile(h, buffer, length, &n, nullptr);
    }
    bool writeAt(HANDLE h, DWORD offset, DWORD length) {
        char buffer[64] = {};
        DWORD n = 0;
        SetFilePointer(h, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
        return WriteFile(h, buffer, length, &n, nullptr);
    }
    HANDLE h1 = nullptr;
    HANDLE h2 = nullptr;
};

}  // namespace

TEST_F(FileLockTest, LocksAreExclusiveAndDoNotStack) {
    EXPECT_TRUE(LockFile(h1, 0, 0, 100, 0));
    EXPECT_FAILS_WITH(LockFile(h1, 0, 0, 100, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h1, 50, 0, 100, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h1, 10, 0, 10, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h2, 10, 0, 10, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h2, 90, 0, 20, 0), 33);
    EXPECT_TRUE(LockFile(h1, 100, 0, 50, 0));
    EXPECT_TRUE(LockFile(h2, 500, 0, 10, 0));
    EXPECT_TRUE(LockFile(h1, 5000, 0, 10, 0));  // past the end of file
}

TEST_F(FileLockTest, LockedRangesRefuseOtherHandlesTransfers) {
    ASSERT_TRUE(LockFile(h1, 0, 0, 100, 0));
    EXPECT_FAILS_WITH(readAt(h2, 10, 10), 33);
    EXPECT_FAILS_WITH(writeAt(h2, 10, 10), 33);
    EXPECT_FAILS_WITH(readAt(h2, 90, 20), 33);  // partly over the lock
    EXPECT_TRUE(readAt(h2, 100, 20));
    EXPECT_TRUE(readAt(h1, 10, 10));
    EXPECT_TRUE(writeAt(h1, 10, 10));
    ASSERT_TRUE(LockFile(h2, 500, 0, 10, 0));
    EXPECT_FAILS_WITH(readAt(h1, 495, 10), 33);
}

TEST_F(FileLockTest, ZeroLengthLocks) {
    EXPECT_TRUE(LockFile(h1, 200, 0, 0, 0));
    EXPECT_TRUE(LockFile(h1, 200, 0, 0, 0));
    EXPECT_TRUE(LockFile(h2, 200, 0, 0, 0));
    ASSERT_TRUE(LockFile(h1, 0, 0, 100, 0));
    EXPECT_FAILS_WITH(LockFile(h2, 50, 0, 0, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h2, 199, 0, 2, 0), 33);
    EXPECT_FAILS_WITH(LockFile(h1, 0, 0, 0, 0), 33);
    // Each zero-length lock counts once.
    EXPECT_TRUE(UnlockFile(h1, 200, 0, 0, 0));
    EXPECT_TRUE(UnlockFile(h1, 200, 0, 0, 0));
    EXPECT_FAILS_WITH(UnlockFile(h1, 200, 0, 0, 0), 158);
}

TEST_F(FileLockTest, UnlockNamesExactlyALockedRangeOfTheOwner) {
    EXPECT_FAILS_WITH(UnlockFile(h1, 0, 0, 100, 0), 158);
    ASSERT_TRUE(LockFile(h1, 0, 0, 100, 0));
    EXPECT_FAILS_WITH(UnlockFile(h1, 0, 0, 50, 0), 158);
    EXPECT_FAILS_WITH(UnlockFile(h1, 0, 0, 150, 0), 158);
    EXPECT_FAILS_WITH(UnlockFile(h2, 0, 0, 100, 0), 158);
    EXPECT_TRUE(UnlockFile(h1, 0, 0, 100, 0));
    EXPECT_FAILS_WITH(UnlockFile(h1, 0, 0, 100, 0), 158);
    EXPECT_TRUE(readAt(h2, 0, 10));
}

TEST_F(FileLockTest, RangesAcross4GiB) {
    EXPECT_TRUE(LockFile(h1, 0x10000, 0, 0xFFFFFFFF, 0));
    EXPECT_FAILS_WITH(LockFile(h2, 0xFFFFFFF0, 0, 0x20, 0), 33);
    EXPECT_TRUE(UnlockFile(h1, 0x10000, 0, 0xFFFFFFFF, 0));
    EXPECT_TRUE(LockFile(h2, 0xFFFFFFF0, 0, 0x20, 0));
}

TEST_F(FileLockTest, ClosingAHandleReleasesItsLocks) {
    ASSERT_TRUE(LockFile(h1, 0, 0, 100, 0));
    ASSERT_TRUE(LockFile(h1, 200, 0, 0, 0));
    CloseHandle(h1);
    EXPECT_TRUE(LockFile(h2, 0, 0, 100, 0));
    EXPECT_TRUE(LockFile(h2, 199, 0, 2, 0));
    EXPECT_FAILS_WITH(LockFile(h1, 0, 0, 1, 0), 6);
    EXPECT_FAILS_WITH(UnlockFile(h1, 0, 0, 1, 0), 6);
    h1 = open("f.txt", RW, ShareRW, OPEN_EXISTING);
}

TEST_F(FileLockTest, AnyAccessMayLock) {
    for (DWORD access : {0u, GENERIC_READ, GENERIC_WRITE}) {
        HANDLE h = open("f.txt", access, ShareRW, OPEN_EXISTING);
        EXPECT_TRUE(LockFile(h, 700, 0, 10, 0)) << access;
        CloseHandle(h);
    }
}

TEST_F(FileLockTest, DuplicatesShareLockOwnership) {
    HANDLE self = GetCurrentProcess();
    HANDLE d = nullptr;
    ASSERT_TRUE(DuplicateHandle(self, h1, self, &d, FILE_WRITE_DATA, TRUE, 0));
    EXPECT_TRUE(LockFile(d, 0, 0, 10, 0));
    EXPECT_FAILS_WITH(LockFile(h1, 5, 0, 2, 0), 33);
    EXPECT_TRUE(readAt(h1, 0, 10));
    EXPECT_TRUE(UnlockFile(h1, 0, 0, 10, 0));
    // Closing the duplicate keeps the locks of the handle it came from.
    ASSERT_TRUE(LockFile(h1, 0, 0, 10, 0));
    CloseHandle(d);
    EXPECT_FAILS_WITH(LockFile(h2, 0, 0, 10, 0), 33);
}

TEST_F(FileLockTest, OtherProcessesSeeTheLocks) {
    ASSERT_TRUE(LockFile(h1, 100, 0, 10, 0));
    ASSERT_TRUE(LockFile(h1, 300, 0, 0, 0));
    std::string path = posix("f.txt");
    pid_t child = fork();
    if (child == 0) {
        int fd = ::open(path.c_str(), O_RDWR);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = 105;
        fl.l_len = 1;
        bool blocked = fcntl(fd, F_OFD_SETLK, &fl) != 0;
        fl.l_start = 500;
        bool freeElsewhere = fcntl(fd, F_OFD_SETLK, &fl) == 0;
        _exit(blocked && freeElsewhere ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
