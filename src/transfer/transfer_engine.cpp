// The transfer engine of FileObject: one transfer between a buffer and the open file,
// as a mapped copy, one synchronous call, one overlapped request that is polled,
// several overlapped requests with an event each, or requests with completion
// routines run in an alertable wait. Reading and writing differ only in the calls
// and the words of the progress lines (TransferDirection).
#include <algorithm>
#include <array>
#include <string>

#include "files/file_object.h"
#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "platform/view_copy.h"

namespace {

// The words of the progress lines of one direction.
struct TransferDirection {
    const char* callbackStart;
    const char* callbackWait;
    const char* eventStart;
    const char* eventWait;  // the request number and " to complete" follow
    const char* polling;
};

const TransferDirection kReading = {
    "           *** doing callback async Read ",
    "           *** waiting for callback async Reads to complete",
    "           *** doing async read ",
    "           *** waiting for async read ",
    "           *** waiting for async read to complete ",
};

const TransferDirection kWriting = {
    "           *** doing callback async Write ",
    "           *** waiting for callback async Writes to complete",
    "           *** doing async Write ",
    "           *** waiting for async Write ",
    "           *** waiting for async write to complete ",
};

// The code of a request of the event or callback modes that did not start. End of
// file is no failure there: Windows may refuse a read at or past the end at once with
// 38 instead of completing it with 0 bytes, and the byte count already shows it.
ReturnCode startFailureCode() {
    ReturnCode code = LastErrorCode();
    return code == ERROR_HANDLE_EOF ? 0 : code;
}

// The one synchronous or overlapped call of the direction: ReadFile or WriteFile.
BOOL transferCall(bool write, HANDLE handle, unsigned char* buffer, DWORD length, DWORD* count,
                  OVERLAPPED* overlapped) {
    return write ? WriteFile(handle, buffer, length, count, overlapped)
                 : ReadFile(handle, buffer, length, count, overlapped);
}

// The request's place in the file: the transfer's offset plus the requests before it.
// Past 4 GiB it continues in OffsetHigh.
void placeRequest(OVERLAPPED& overlapped, std::uint64_t start, std::size_t index, std::uint32_t length) {
    std::uint64_t offset = start + static_cast<std::uint64_t>(index) * length;
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
}

// A callback request: its record first, so that the completion routine finds the
// request from the OVERLAPPED it is given.
struct CallbackRequest {
    OVERLAPPED overlapped;
    bool completed;
    DWORD error;  // the code its completion routine was given
};

const TransferDirection& DirectionOf(const FileObject::TransferRequest& request) {
    return request.write ? kWriting : kReading;
}

}  // namespace

ReturnCode FileObject::transfer(const TransferRequest& request) {
    if (request.offset) positionAt(*request.offset);
    byteCount_ = 0;
    switch (modeOfNextTransfer()) {
        case TransferMode::Mapped:
            return copyMapped(request);
        case TransferMode::Synchronous:
            return transferSynchronously(request);
        case TransferMode::SingleRequest:
            return transferSingleRequest(request);
        case TransferMode::Events:
            return transferWithEvents(request);
        case TransferMode::Callbacks:
            return transferWithCallbacks(request);
    }
    return 0;
}

FileObject::TransferMode FileObject::modeOfNextTransfer() const {
    if (mappedFlag_ != 0) return TransferMode::Mapped;
    if (overlapped_ == 0) return TransferMode::Synchronous;
    if (oneShot_.callback) return TransferMode::Callbacks;
    if (oneShot_.requestCount >= 2) return TransferMode::Events;
    return TransferMode::SingleRequest;
}

std::uint16_t FileObject::requestsOfNextTransfer() const {
    TransferMode mode = modeOfNextTransfer();
    if (mode != TransferMode::Events && mode != TransferMode::Callbacks) return 1;
    return std::min(oneShot_.requestCount, kMaxRequests);
}

// The offset is unsigned: it is given with a zero high part, so offsets of 2 GiB and
// more are positions, not negative distances. The outcome is not reported: the
// transfer's ReturnCode stands for the command.
void FileObject::positionAt(std::uint64_t offset) {
    seekDistance_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(offset));
    seekHigh_ = static_cast<std::uint32_t>(offset >> 32);
    LONG high = static_cast<LONG>(seekHigh_);
    SetFilePointer(handle_, static_cast<LONG>(offset), &high, FILE_BEGIN);
    moveMethod_ = kFromBeginning;
}

// Where the overlapped and mapped modes transfer: the seek distance taken as an
// unsigned offset, with the high part of a positioned transfer.
std::uint64_t FileObject::transferOffset() const {
    return (static_cast<std::uint64_t>(seekHigh_) << 32) | static_cast<std::uint32_t>(seekDistance_);
}

// A copy between the buffer and the mapped view at the seek distance. The view ends
// where the file ended when it was mapped: a read copies what lies inside it (a short
// read, as at the end of a file); a write that does not fit, or a write into a view
// mapped for reading only, is refused. A fault in the view gives its code and no bytes.
ReturnCode FileObject::copyMapped(const TransferRequest& request) {
    std::uint64_t start = transferOffset();
    std::uint64_t inside = start < viewSize_ ? viewSize_ - start : 0;
    unsigned char* view = static_cast<unsigned char*>(viewAddress_);
    if (request.write) {
        if ((accessFlags_ & kWrite) == 0) return ERROR_ACCESS_DENIED;
        if (request.length > inside) return ERROR_INVALID_ADDRESS;
        if (request.length == 0) return 0;
        if (std::uint32_t fault = platform::CopyWithViewGuard(view + start, request.buffer, request.length))
            return static_cast<ReturnCode>(fault);
        byteCount_ = request.length;
        return 0;
    }
    std::uint32_t length = request.length < inside ? request.length : static_cast<std::uint32_t>(inside);
    if (length == 0) return 0;
    if (std::uint32_t fault = platform::CopyWithViewGuard(request.buffer, view + start, length))
        return static_cast<ReturnCode>(fault);
    byteCount_ = length;
    return 0;
}

ReturnCode FileObject::transferSynchronously(const TransferRequest& request) {
    DWORD moved = 0;
    BOOL done = transferCall(request.write, handle_, request.buffer, request.length, &moved, nullptr);
    byteCount_ = moved;
    return done ? 0 : LastErrorCode();
}

// One request, polled until it is no longer incomplete. An error found while polling
// ends the polling; a WRITE reports it, a READ does not (its byte count shows what was
// moved).
ReturnCode FileObject::transferSingleRequest(const TransferRequest& request) {
    OVERLAPPED overlapped{};
    placeRequest(overlapped, transferOffset(), 0, request.length);
    DWORD moved = 0;
    BOOL done = transferCall(request.write, handle_, request.buffer, request.length, &moved, &overlapped);
    byteCount_ = moved;
    ReturnCode rc = done ? 0 : LastErrorCode();
    if (rc != 0 && rc != ERROR_IO_INCOMPLETE && rc != ERROR_IO_PENDING) return rc;
    for (unsigned long poll = 1;; ++poll) {
        out::line(DirectionOf(request).polling, poll);
        BOOL finished = GetOverlappedResult(handle_, &overlapped, &moved, FALSE);
        byteCount_ = moved;
        if (finished) return 0;
        if (GetLastError() != ERROR_IO_INCOMPLETE) return request.write ? LastErrorCode() : 0;
        Sleep(0);
    }
}

// Every request is started before the first wait; then each is waited for in order,
// with one wait line per request. A request that did not start is not waited for (its
// event would never be set), and the code of the first one becomes the ReturnCode; for
// a WRITE, so does the code of the first request that completes with an error.
// Uses up the request count.
ReturnCode FileObject::transferWithEvents(const TransferRequest& request) {
    struct EventRequest {
        OVERLAPPED overlapped;
        DWORD count;
        bool started;
    };
    const TransferDirection& direction = DirectionOf(request);
    std::array<EventRequest, kMaxRequests> requests{};
    std::size_t n = requestsOfNextTransfer();
    oneShot_.requestCount = 1;
    for (std::size_t i = 0; i < n; ++i) {
        placeRequest(requests[i].overlapped, transferOffset(), i, request.length);
        requests[i].overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    ReturnCode rc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out::line(direction.eventStart, i + 1);
        EventRequest& r = requests[i];
        r.started = transferCall(request.write, handle_, request.buffer + i * request.length, request.length, &r.count,
                                 &r.overlapped) ||
                    GetLastError() == ERROR_IO_PENDING;
        if (!r.started && rc == 0) rc = startFailureCode();
    }
    for (std::size_t i = 0; i < n; ++i) {
        EventRequest& r = requests[i];
        out::line(direction.eventWait + std::to_string(i + 1) + " to complete");
        if (!r.started) continue;
        r.count = 0;
        BOOL done = GetOverlappedResult(handle_, &r.overlapped, &r.count, TRUE);
        if (!done && request.write && rc == 0) rc = LastErrorCode();
        byteCount_ += r.count;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (requests[i].overlapped.hEvent != nullptr) CloseHandle(requests[i].overlapped.hEvent);
    return rc;
}

// Every request is started with the completion routine, then alertable waits run the
// routines until every started request has run its own: the records live on this
// stack frame, so none may complete after the transfer ends. With no request started
// there is no wait; the code of the first request that did not start becomes the
// ReturnCode, and for a WRITE then the code of the first one whose routine was given
// an error. Uses up the request count and the callback flag.
ReturnCode FileObject::transferWithCallbacks(const TransferRequest& request) {
    const TransferDirection& direction = DirectionOf(request);
    std::array<CallbackRequest, kMaxRequests> requests{};
    std::size_t n = requestsOfNextTransfer();
    oneShot_ = OneShotSettings{};
    for (std::size_t i = 0; i < n; ++i) {
        placeRequest(requests[i].overlapped, transferOffset(), i, request.length);
        requests[i].overlapped.hEvent = reinterpret_cast<HANDLE>(&byteCount_);
    }
    ReturnCode rc = 0;
    std::size_t started = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out::line(direction.callbackStart, i + 1);
        unsigned char* at = request.buffer + i * request.length;
        BOOL ok = request.write ? WriteFileEx(handle_, at, request.length, &requests[i].overlapped, ioCompletion)
                                : ReadFileEx(handle_, at, request.length, &requests[i].overlapped, ioCompletion);
        if (ok) {
            ++started;
        } else {
            requests[i].completed = true;  // nothing will ever run for it
            if (rc == 0) rc = startFailureCode();
        }
    }
    if (started > 0) {
        out::line(direction.callbackWait);
        auto pending = [&] {
            for (std::size_t i = 0; i < n; ++i)
                if (!requests[i].completed) return true;
            return false;
        };
        while (pending()) SleepEx(INFINITE, TRUE);
    }
    for (std::size_t i = 0; i < n && request.write && rc == 0; ++i) rc = ReturnCodeOf(requests[i].error);
    return rc;
}

// hEvent of a callback request holds the address of the byte count to add to.
void CALLBACK FileObject::ioCompletion(DWORD error, DWORD bytes, LPOVERLAPPED overlapped) {
    *reinterpret_cast<std::uint32_t*>(overlapped->hEvent) += bytes;
    auto* request = reinterpret_cast<CallbackRequest*>(overlapped);
    request->completed = true;
    request->error = error;
    out::line("           *** callback routine called *** ");
}
