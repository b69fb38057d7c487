// Files that no Windows file system has: a FIFO or a socket is refused at once with
// 1920, by every kind of open and by a copy from or onto it, never by waiting in
// open(2) for a partner. A character device opens as before.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "files_fixture.h"

namespace {

constexpr DWORD kCantAccessFile = 1920;

class FifoSocketTest : public FileApiTest {
protected:
    void SetUp() override {
        FileApiTest::SetUp();
        ASSERT_EQ(mkfifo(posix("pipe").c_str(), 0666), 0);
        makeSocket("sock");
        // An open that blocks ends the test run instead of hanging it.
        alarm(20);
    }
    void TearDown() override {
        alarm(0);
        if (socket_ >= 0) close(socket_);
        FileApiTest::TearDown();
    }
    void makeSocket(const std::string& file) {
        socket_ = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(socket_, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = posix(file);
        ASSERT_LT(path.size(), sizeof address.sun_path);
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        ASSERT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    int socket_ = -1;
};

TEST_F(FifoSocketTest, EveryOpenOfAFifoOrASocketIsRefused) {
    for (const char* file : {"pipe", "sock"}) {
        for (DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}, DWORD{GENERIC_READ | GENERIC_WRITE}}) {
            for (DWORD disposition : {DWORD{OPEN_EXISTING}, DWORD{OPEN_ALWAYS}}) {
                SetLastError(0xDEAD);
                HANDLE h = open(file, access, FILE_SHARE_READ | FILE_SHARE_WRITE, disposition);
                EXPECT_EQ(h, INVALID_HANDLE_VALUE) << file << " access " << access;
                EXPECT_EQ(GetLastError(), kCantAccessFile) << file << " access " << access;
                if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            }
        }
    }
}

TEST_F(FifoSocketTest, ACopyFromOrOntoAFifoIsRefused) {
    makeFile("f.txt", 10);
    EXPECT_FAILS_WITH(CopyFileA(name("pipe").c_str(), name("copy.txt").c_str(), FALSE), kCantAccessFile);
    EXPECT_FALSE(std::filesystem::exists(posix("copy.txt")));
    EXPECT_FAILS_WITH(CopyFileA(name("f.txt").c_str(), name("pipe").c_str(), FALSE), kCantAccessFile);
    EXPECT_TRUE(std::filesystem::is_fifo(posix("pipe")));
    EXPECT_FAILS_WITH(CopyFileA(name("sock").c_str(), name("copy.txt").c_str(), FALSE), kCantAccessFile);
}

TEST_F(FifoSocketTest, ACharacterDeviceStillOpensForReadingAndWriting) {
    HANDLE h = CreateFileA("Z:\\dev\\zero", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buffer[8] = "xxxxxxx";
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, sizeof buffer);
    EXPECT_EQ(buffer[0], 0);
    CloseHandle(h);
}

}  // namespace
