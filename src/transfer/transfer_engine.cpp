// The transfer engine of FileObject: one transfer between a buffer and the open file,
// as a mapped copy, one synchronous call, one overlapped request that is polled,
// several overlapped requests with an event each, or requests with completion
// routines run in an alertable wait. Reading and writing differ only in the calls
// and the words of the progress lines (TransferDirection).
#include <array>
#include <cstring>
#include <string>

#include "files/file_object.h"
#include "interpreter/output.h"

struct TransferDirection {
    bool write;
    const char* callbackStart;
    const char* callbackWait;
    const char* eventStart;
    const char* eventWait;  // the request number and " to complete" follow
    const char* polling;
};

namespace {

const TransferDirection kReading = {
    false,
    "           *** doing callback async Read ",
    "           *** waiting for callback async Reads to complete",
    "           *** doing async read ",
    "           *** waiting for async read ",
    "           *** waiting for async read to complete ",
};

const TransferDirection kWriting = {
    true,
    "           *** doing callback async Write ",
    "           *** waiting for callback async Writes to complete",
    "           *** doing async Write ",
    "           *** waiting for async Write ",
    "           *** waiting for async write to complete ",
};

ReturnCode lastErrorCode() { return static_cast<ReturnCode>(GetLastError() & 0xFFFF); }

// The code of a request of the event or callback modes that did not start. End of
// file is no failure there: Windows may refuse a read at or past the end at once with
// 38 instead of completing it with 0 bytes, and the byte count already shows it.
ReturnCode startFailureCode() {
    ReturnCode code = lastErrorCode();
    return code == ERROR_HANDLE_EOF ? 0 : code;
}

// The one synchronous or overlapped call of the direction: ReadFile or WriteFile.
BOOL transferCall(const TransferDirection& direction, HANDLE handle, unsigned char* buffer, DWORD length, DWORD* count,
                  OVERLAPPED* overlapped) {
    return direction.write ? WriteFile(handle, buffer, length, count, overlapped)
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
};

}  // namespace

ReturnCode FileObject::readCurrent(unsigned char* buffer, std::uint32_t length) {
    return transferThrough(buffer, length, false, false);
}

ReturnCode FileObject::readAt(unsigned char* buffer, std::uint64_t offset, std::uint32_t length) {
    positionAt(offset);
    return readCurrent(buffer, length);
}

ReturnCode FileObject::writeCurrent(unsigned char* buffer, std::uint32_t length, bool sync) {
    return transferThrough(buffer, length, true, sync);
}

ReturnCode FileObject::writeAt(unsigned char* buffer, std::uint64_t offset, std::uint32_t length, bool sync) {
    positionAt(offset);
    return writeCurrent(buffer, length, sync);
}

// Runs the engine on the caller's buffer, then puts the resting buffer back.
ReturnCode FileObject::transferThrough(unsigned char* buffer, std::uint32_t length, bool write, bool sync) {
    unsigned char* resting = transferBuffer_;
    transferBuffer_ = buffer;
    transferLength_ = length;
    ReturnCode rc = write ? performWrite(sync) : performRead();
    transferBuffer_ = resting;
    return rc;
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

ReturnCode FileObject::performRead() { return perform(kReading); }

// The sync flag (WRITE /SYNC) changes nothing in the transfer.
ReturnCode FileObject::performWrite(bool) { return perform(kWriting); }

ReturnCode FileObject::perform(const TransferDirection& direction) {
    byteCount_ = 0;
    if (mappedFlag_ != 0) return copyMapped(direction);
    if (overlapped_ == 0) return transferSynchronously(direction);
    if (callbackFlag_ == 1) return transferWithCallbacks(direction);
    if (requestCount_ >= 2) return transferWithEvents(direction);
    return transferSingleRequest(direction);
}

// A copy between the buffer and the mapped view at the seek distance. The view ends
// where the file ended when it was mapped: a read copies what lies inside it (a short
// read, as at the end of a file); a write that does not fit, or a write into a view
// mapped for reading only, is refused.
ReturnCode FileObject::copyMapped(const TransferDirection& direction) {
    std::uint64_t start = transferOffset();
    std::uint64_t inside = start < viewSize_ ? viewSize_ - start : 0;
    unsigned char* view = static_cast<unsigned char*>(viewAddress_);
    if (direction.write) {
        if ((accessFlags_ & kWrite) == 0) return ERROR_ACCESS_DENIED;
        if (transferLength_ > inside) return ERROR_INVALID_ADDRESS;
        if (transferLength_ > 0) std::memcpy(view + start, transferBuffer_, transferLength_);
        byteCount_ = transferLength_;
        return 0;
    }
    std::uint32_t length = transferLength_ < inside ? transferLength_ : static_cast<std::uint32_t>(inside);
    if (length > 0) std::memcpy(transferBuffer_, view + start, length);
    byteCount_ = length;
    return 0;
}

ReturnCode FileObject::transferSynchronously(const TransferDirection& direction) {
    DWORD moved = 0;
    BOOL done = transferCall(direction, handle_, transferBuffer_, transferLength_, &moved, nullptr);
    byteCount_ = moved;
    return done ? 0 : lastErrorCode();
}

// One request, polled until it is no longer incomplete. An error found while polling
// ends the polling and is not reported; the byte count shows what was moved.
ReturnCode FileObject::transferSingleRequest(const TransferDirection& direction) {
    OVERLAPPED overlapped{};
    placeRequest(overlapped, transferOffset(), 0, transferLength_);
    DWORD moved = 0;
    BOOL done = transferCall(direction, handle_, transferBuffer_, transferLength_, &moved, &overlapped);
    byteCount_ = moved;
    ReturnCode rc = done ? 0 : lastErrorCode();
    if (rc != 0 && rc != ERROR_IO_INCOMPLETE && rc != ERROR_IO_PENDING) return rc;
    for (unsigned long poll = 1;; ++poll) {
        out::line(direction.polling, poll);
        BOOL finished = GetOverlappedResult(handle_, &overlapped, &moved, FALSE);
        byteCount_ = moved;
        if (finished || GetLastError() != ERROR_IO_INCOMPLETE) break;
        Sleep(0);
    }
    return 0;
}

// Every request is started before the first wait; then each is waited for in order.
// A request that did not start is not waited for (its event would never be set),
// and the code of the first one becomes the ReturnCode.
ReturnCode FileObject::transferWithEvents(const TransferDirection& direction) {
    struct EventRequest {
        OVERLAPPED overlapped;
        DWORD count;
        bool started;
    };
    std::array<EventRequest, kMaxRequests> requests{};
    std::size_t n = requestCount_ < kMaxRequests ? requestCount_ : kMaxRequests;
    for (std::size_t i = 0; i < n; ++i) {
        placeRequest(requests[i].overlapped, transferOffset(), i, transferLength_);
        requests[i].overlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    ReturnCode rc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out::line(direction.eventStart, i + 1);
        EventRequest& r = requests[i];
        r.started = transferCall(direction, handle_, transferBuffer_ + i * transferLength_, transferLength_, &r.count,
                                 &r.overlapped) ||
                    GetLastError() == ERROR_IO_PENDING;
        if (!r.started && rc == 0) rc = startFailureCode();
    }
    for (std::size_t i = 0; i < n; ++i) {
        EventRequest& r = requests[i];
        if (!r.started) continue;
        out::line(direction.eventWait + std::to_string(i + 1) + " to complete");
        r.count = 0;
        GetOverlappedResult(handle_, &r.overlapped, &r.count, TRUE);
        byteCount_ += r.count;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (requests[i].overlapped.hEvent != nullptr) CloseHandle(requests[i].overlapped.hEvent);
    requestCount_ = 1;
    return rc;
}

// Every request is started with the completion routine, then alertable waits run the
// routines until every started request has run its own: the records live on this
// stack frame, so none may complete after the transfer ends. With no request started
// there is no wait; the code of the first request that did not start becomes the
// ReturnCode.
ReturnCode FileObject::transferWithCallbacks(const TransferDirection& direction) {
    std::array<CallbackRequest, kMaxRequests> requests{};
    std::size_t n = requestCount_ < kMaxRequests ? requestCount_ : kMaxRequests;
    for (std::size_t i = 0; i < n; ++i) {
        placeRequest(requests[i].overlapped, transferOffset(), i, transferLength_);
        requests[i].overlapped.hEvent = reinterpret_cast<HANDLE>(&byteCount_);
    }
    ReturnCode rc = 0;
    std::size_t started = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out::line(direction.callbackStart, i + 1);
        unsigned char* at = transferBuffer_ + i * transferLength_;
        BOOL ok = direction.write ? WriteFileEx(handle_, at, transferLength_, &requests[i].overlapped, ioCompletion)
                                  : ReadFileEx(handle_, at, transferLength_, &requests[i].overlapped, ioCompletion);
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
    requestCount_ = 1;
    callbackFlag_ = 0;
    return rc;
}

// hEvent of a callback request holds the address of the byte count to add to.
void CALLBACK FileObject::ioCompletion(DWORD, DWORD bytes, LPOVERLAPPED overlapped) {
    *reinterpret_cast<std::uint32_t*>(overlapped->hEvent) += bytes;
    reinterpret_cast<CallbackRequest*>(overlapped)->completed = true;
    out::line("           *** callback routine called *** ");
}
