// The codes of failures that come from the system: every errno a failing file system
// or network mount gives has a code of its own, never 1 (incorrect function).
#include "platform/posix/errors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "files_fixture.h"

namespace {

using posix::ErrnoUse;
using posix::Win32ErrorFromErrno;

TEST(ErrnoTable, FailuresOfUnusualFileSystemsHaveTheirWindowsCodes) {
    struct Case {
        int error;
        DWORD code;
    };
    const Case cases[] = {
        {EIO, 1117},     {ENOTCONN, 64}, {ECONNABORTED, 64}, {ECONNRESET, 64}, {ETIMEDOUT, 59},
        {EHOSTDOWN, 59}, {ENOSYS, 50},   {EOPNOTSUPP, 50},   {ENODEV, 50},     {EDQUOT, 1295},
        {EBUSY, 32},     {ESTALE, 1006}, {EBADMSG, 23},      {EOVERFLOW, 223}, {ENXIO, 21},
        {ENOSPC, 112},   {EFBIG, 112},   {EROFS, 19},        {EAGAIN, 33},     {ENOTDIR, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(Win32ErrorFromErrno(c.error), c.code) << "errno " << c.error;
    EXPECT_EQ(Win32ErrorFromErrno(EHWPOISON), DWORD{ERROR_INVALID_FUNCTION});
}

TEST(ErrnoTable, ACallCanGiveAnErrnoItsOwnMeaning) {
    EXPECT_EQ(Win32ErrorFromErrno(EEXIST), 80u);
    EXPECT_EQ(Win32ErrorFromErrno(EEXIST, ErrnoUse::MakeDirectory), 183u);
    EXPECT_EQ(Win32ErrorFromErrno(EEXIST, ErrnoUse::RemoveDirectory), 145u);
    EXPECT_EQ(Win32ErrorFromErrno(ENOTDIR, ErrnoUse::ListDirectory), 123u);
    EXPECT_EQ(Win32ErrorFromErrno(ENOENT, ErrnoUse::ListDirectory, "/tmp/x"), 3u);
    EXPECT_EQ(Win32ErrorFromErrno(0, ErrnoUse::DriverConnection), 109u);
    EXPECT_EQ(Win32ErrorFromErrno(ECONNRESET, ErrnoUse::DriverConnection), 109u);
    // Uses without a row of their own fall back to the general table.
    EXPECT_EQ(Win32ErrorFromErrno(EIO, ErrnoUse::ListDirectory), 1117u);
    EXPECT_EQ(Win32ErrorFromErrno(ENOENT, ErrnoUse::Name, "/no-such-folder/x"), 3u);
}

// A read the kernel fails with EIO: the process's own memory file at address 0.
TEST(ErrnoTable, AnInputOutputErrorOfARealReadIs1117) {
    HANDLE h = CreateFileA("Z:\\proc\\self\\mem", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buffer[16];
    DWORD got = 7;
    EXPECT_FAILS_WITH(ReadFile(h, buffer, sizeof buffer, &got, nullptr), 1117);
    EXPECT_EQ(got, 0u);
    CloseHandle(h);
}

}  // namespace
