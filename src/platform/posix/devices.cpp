#include "platform/posix/devices.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "platform/posix/errors.h"
#include "platform/posix/handles.h"
#include "platform/posix/name_rules.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

// One connection to a driver. After a transport failure the byte stream can no longer
// be trusted to be at a frame boundary, so every later request fails at once.
struct DeviceObject : HandleObject {
    explicit DeviceObject(int socket) : fd(socket) {}
    ~DeviceObject() override { close(fd); }
    int fd;
    bool broken = false;
};

// Sends every byte; false with errno set (0 for none) when the connection fails.
bool SendAll(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = send(fd, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        at += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Receives exactly size bytes into data, or drops them when data is null; false with
// errno set (0 when the driver closed the connection first).
bool ReceiveAll(int fd, void* data, std::size_t size) {
    char scratch[4096];
    char* at = static_cast<char*>(data);
    while (size > 0) {
        std::size_t want = at ? size : std::min(size, sizeof scratch);
        ssize_t got = recv(fd, at ? at : scratch, want, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) errno = 0;
        if (got <= 0) return false;
        if (at) at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

BOOL FailTransport(DeviceObject& device) {
    DWORD code = Win32ErrorFromErrno(errno, ErrnoUse::DriverConnection);
    device.broken = true;
    return Fail(code);
}

}  // namespace

bool IsDeviceName(const char* win32Name) {
    return win32Name && IsSeparator(win32Name[0]) && IsSeparator(win32Name[1]) && win32Name[2] == '.' &&
           IsSeparator(win32Name[3]);
}

HANDLE OpenDevice(const char* win32Name) {
    std::string name = win32Name + 4;
    const char* folder = std::getenv("DRAVIK_DEVICE_DIR");
    bool plainName = !name.empty() && name != "." && name != ".." && name.find_first_of("\\/") == std::string::npos;
    if (!folder || !*folder || !plainName) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = std::string(folder) + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        // No socket, a stale socket nobody listens on, or something that is not a
        // socket: in every case there is no such device.
        close(fd);
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = AddHandle(std::make_unique<DeviceObject>(fd));
    SetLastError(ERROR_SUCCESS);
    return handle;
}

}  // namespace posix

BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize, LPVOID lpOutBuffer,
                     DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
    // Device handles are never opened for overlapped I/O, so the call always completes
    // before it returns and an OVERLAPPED structure has nothing to add.
    (void)lpOverlapped;
    posix::HandleObject* object = posix::LookupHandle(hDevice);
    if (!object) return posix::Fail(ERROR_INVALID_HANDLE);
    auto* device = dynamic_cast<posix::DeviceObject*>(object);
    if (!device) return posix::Fail(ERROR_NOT_SUPPORTED);
    if ((nInBufferSize > 0 && !lpInBuffer) || (nOutBufferSize > 0 && !lpOutBuffer))
        return posix::Fail(ERROR_INVALID_PARAMETER);
    if (device->broken) return posix::Fail(ERROR_BROKEN_PIPE);

    unsigned char request[posix::DeviceRequestHeaderSize];
    PutLittleEndian32(request, dwIoControlCode);
    PutLittleEndian32(request + 4, nInBufferSize);
    PutLittleEndian32(request + 8, nOutBufferSize);
    if (!posix::SendAll(device->fd, request, sizeof request) || !posix::SendAll(device->fd, lpInBuffer, nInBufferSize))
        return posix::FailTransport(*device);

    unsigned char reply[posix::DeviceReplyHeaderSize];
    if (!posix::ReceiveAll(device->fd, reply, sizeof reply)) return posix::FailTransport(*device);
    DWORD status = GetLittleEndian32(reply);
    DWORD length = GetLittleEndian32(reply + 4);
    // Never more than the caller's buffer holds, whatever the driver sends: the rest
    // is read and dropped so that the next reply starts at a frame boundary.
    DWORD kept = std::min(length, nOutBufferSize);
    if (!posix::ReceiveAll(device->fd, lpOutBuffer, kept) || !posix::ReceiveAll(device->fd, nullptr, length - kept))
        return posix::FailTransport(*device);

    if (lpBytesReturned) *lpBytesReturned = kept;
    if (status != ERROR_SUCCESS) return posix::Fail(status);
    if (length > nOutBufferSize) return posix::Fail(ERROR_MORE_DATA);
    return TRUE;
}
