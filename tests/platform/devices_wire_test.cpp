// Device handles against a driver played by the test: the exact request bytes on the
// socket, and what DeviceIoControl makes of each kind of reply.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/devices.h"
#include "platform/posix/handles.h"
#include "platform/win32.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Word(std::uint32_t value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

bool ReadExactly(int fd, unsigned char* at, std::size_t size) {
    while (size > 0) {
        ssize_t got = read(fd, at, size);
        if (got <= 0) return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// A listening socket named TESTDEV in a fresh folder that DRAVIK_DEVICE_DIR points to.
// serve() accepts one connection on a thread, reads one request frame and answers with
// the given bytes (or closes the connection when they are empty).
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/dravik-devtest.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        setenv("DRAVIK_DEVICE_DIR", folder_.c_str(), 1);
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::string path = folder_ + "/TESTDEV";
        std::strcpy(address.sun_path, path.c_str());
        ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(listen(listener_, 4), 0);
    }

    void TearDown() override {
        if (server_.joinable()) server_.join();
        close(listener_);
        unlink((folder_ + "/TESTDEV").c_str());
        rmdir(folder_.c_str());
        unsetenv("DRAVIK_DEVICE_DIR");
    }

    void serve(const Bytes& reply) {
        server_ = std::thread([this, reply] {
            int fd = accept(listener_, nullptr, nullptr);
            unsigned char header[posix::DeviceRequestHeaderSize];
            if (ReadExactly(fd, header, sizeof header)) {
                std::size_t inputLength = header[4] | header[5] << 8 | header[6] << 16 | header[7] << 24;
                request_.assign(header, header + sizeof header);
                Bytes input(inputLength);
                if (ReadExactly(fd, input.data(), input.size()))
                    request_.insert(request_.end(), input.begin(), input.end());
                if (!reply.empty()) (void)!write(fd, reply.data(), reply.size());
            }
            close(fd);
        });
    }

    std::string folder_;
    int listener_ = -1;
    std::thread server_;
    Bytes request_;
};

TEST_F(DeviceTest, RequestAndReplyFramesOnTheWire) {
    serve(Join({Word(0), Word(5), {'h', 'e', 'l', 'l', 'o'}}));
    HANDLE device = CreateFileA("\\\\.\\TESTDEV", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    unsigned char input[] = {7, 0, 0, 0, 'S', 0, 0xFF};
    unsigned char output[16];
    std::memset(output, '#', sizeof output);
    DWORD returned = 99;
    ASSERT_TRUE(DeviceIoControl(device, 23, input, sizeof input, output, 10, &returned, nullptr));
    server_.join();

    // control code 23, input length 7, output size 10, then the input itself
    EXPECT_EQ(request_, Join({Word(23), Word(7), Word(10), Bytes(input, input + sizeof input)}));
    EXPECT_EQ(returned, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(output), 6), "hello#");
    EXPECT_TRUE(CloseHandle(device));
}

TEST_F(DeviceTest, ReplyLongerThanTheBufferIsCutAndReported) {
    Bytes data(40, 'r');
    serve(Join({Word(0), Word(40), data}));
    HANDLE device = CreateFileA("\\\\.\\TESTDEV", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    unsigned char output[32];
    std::memset(output, '#', sizeof output);
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(device, 23, nullptr, 0, output, 16, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(returned, 16u);
    EXPECT_EQ(output[15], 'r');
    EXPECT_EQ(output[16], '#');  // nothing written past the declared size
    CloseHandle(device);
}

TEST_F(DeviceTest, DriverStatusBecomesTheLastError) {
    serve(Join({Word(ERROR_ACCESS_DENIED), Word(0)}));
    HANDLE device = CreateFileA("\\\\.\\TESTDEV", 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    unsigned char buffer[8] = {};
    DWORD returned = 99;
    EXPECT_FALSE(DeviceIoControl(device, 23, buffer, 4, buffer, sizeof buffer, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(returned, 0u);
    CloseHandle(device);
}

TEST_F(DeviceTest, DriverThatHangsUpBreaksTheHandle) {
    serve({});
    HANDLE device = CreateFileA("\\\\.\\TESTDEV", 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    unsigned char buffer[8] = {};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(device, 23, buffer, 4, buffer, sizeof buffer, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    server_.join();
    // The stream may be mid-frame now: later requests fail without touching it.
    EXPECT_FALSE(DeviceIoControl(device, 23, buffer, 4, buffer, sizeof buffer, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    CloseHandle(device);
}

TEST_F(DeviceTest, MissingDevicesAreNotFound) {
    HANDLE device = CreateFileA("\\\\.\\NOSUCHDEV", 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_EQ(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    // A name that would leave the device folder names no device either.
    EXPECT_EQ(CreateFileA("\\\\.\\..\\TESTDEV", 0, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    unsetenv("DRAVIK_DEVICE_DIR");
    EXPECT_EQ(CreateFileA("\\\\.\\TESTDEV", 0, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

struct NotADevice : posix::HandleObject {};

TEST(DeviceIoControl, RefusesHandlesThatAreNotDevices) {
    DWORD returned = 77;
    unsigned char buffer[4] = {};
    EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, 23, buffer, 4, buffer, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    HANDLE other = posix::AddHandle(std::make_unique<NotADevice>());
    EXPECT_FALSE(DeviceIoControl(other, 23, buffer, 4, buffer, 4, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(returned, 77u);
    CloseHandle(other);
}

}  // namespace
