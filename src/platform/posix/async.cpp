#include "platform/posix/async.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <unordered_map>

#if defined(DRAVIK_HAVE_URING)
#include <liburing.h>
#endif

#include "platform/posix/errors.h"
#include "platform/posix/events.h"
#include "platform/posix/locks.h"
#include "platform/posix/positioned_io.h"
#include "platform/posix/win32_api.h"

// Overlapped requests. Each started request is tracked by its OVERLAPPED until it
// completes; completing it sets Internal (a status) and InternalHigh (the bytes
// moved), sets its event, and for a ReadFileEx/WriteFileEx request queues its
// completion routine, which runs only inside an alertable SleepEx of this thread.
//
// With io_uring a request is handed to the kernel and completes when its completion
// entry is reaped (by GetOverlappedResult or SleepEx). Without it (no liburing, a
// kernel or sandbox that refuses rings, or DRAVIK_ASYNC=sync) each request is carried
// out at submission and completes at once. The program has one thread; this state is
// not shared between threads.

namespace posix {
namespace {

// Failure codes other than end of file are kept in Internal as a status with the
// customer bit set and the Win32 code in the low bits, so GetOverlappedResult can
// give the code back.
constexpr ULONG_PTR kErrorStatusBase = 0xE0000000u;

struct Request {
    OVERLAPPED* overlapped = nullptr;
    std::shared_ptr<OpenFile> file;  // keeps the descriptor open while in flight
    LPOVERLAPPED_COMPLETION_ROUTINE routine = nullptr;
    HANDLE event = nullptr;  // not for ...Ex requests, whose hEvent is the caller's
    char* buffer = nullptr;
    std::uint64_t offset = 0;
    DWORD length = 0;
    bool write = false;
};

struct QueuedRoutine {
    LPOVERLAPPED_COMPLETION_ROUTINE routine;
    DWORD error;
    DWORD bytes;
    OVERLAPPED* overlapped;
};

struct AsyncState {
#if defined(DRAVIK_HAVE_URING)
    io_uring ring{};
#endif
    bool ringReady = false;
    bool configured = false;
    std::unordered_map<OVERLAPPED*, std::unique_ptr<Request>> inFlight;
    std::deque<QueuedRoutine> routines;  // completed ...Ex requests, in completion order
};

AsyncState& State() {
    static AsyncState state;
    return state;
}

void Configure(AsyncState& state) {
    if (state.configured) return;
    state.configured = true;
#if defined(DRAVIK_HAVE_URING)
    const char* mode = std::getenv("DRAVIK_ASYNC");
    if (mode != nullptr && std::strcmp(mode, "sync") == 0) return;
    state.ringReady = io_uring_queue_init(64, &state.ring, 0) == 0;
#endif
}

DWORD ErrorOfStatus(ULONG_PTR status) {
    if (status == STATUS_END_OF_FILE) return ERROR_HANDLE_EOF;
    if ((status & kErrorStatusBase) == kErrorStatusBase) return static_cast<DWORD>(status & 0xFFFFu);
    return ERROR_INVALID_FUNCTION;
}

// Completes a request with the outcome of its read or write: the bytes it moved and
// the errno that stopped it (0 when it ran to its end, or a read to the end of file).
// A failed write keeps the bytes it moved in its record, as a synchronous one does.
void Complete(AsyncState& state, std::unique_ptr<Request> request, DWORD moved, int failure) {
    OVERLAPPED* ov = request->overlapped;
    DWORD error = 0;
    if (failure != 0) {
        error = Win32ErrorFromErrno(failure);
        ov->Internal = kErrorStatusBase | error;
    } else if (moved == 0 && request->length > 0 && !request->write) {
        error = ERROR_HANDLE_EOF;
        ov->Internal = STATUS_END_OF_FILE;
    } else {
        ov->Internal = 0;
    }
    ov->InternalHigh = moved;
    if (request->event != nullptr) SignalEvent(request->event);
    if (request->routine != nullptr) state.routines.push_back({request->routine, error, moved, ov});
}

// A request carried out at submission that failed before any byte moved: its call
// fails at once with the error, as Windows fails a request that fails at start; no
// event is set and no completion routine is queued for it.
BOOL FailAtStart(OVERLAPPED* overlapped, int failure) {
    DWORD code = Win32ErrorFromErrno(failure);
    overlapped->Internal = kErrorStatusBase | code;
    overlapped->InternalHigh = 0;
    return Fail(code);
}

// The read or write of a request from its byte `from` on, at once.
PositionedResult TransferNow(const Request& request, DWORD from) {
    PositionedResult result = TransferAtPosition(request.file->fd, request.write, request.buffer + from,
                                                 request.length - from, request.offset + from);
    result.moved += from;
    return result;
}

#if defined(DRAVIK_HAVE_URING)
void ReapOne(AsyncState& state, io_uring_cqe* cqe) {
    auto* raw = static_cast<Request*>(io_uring_cqe_get_data(cqe));
    long result = cqe->res;
    io_uring_cqe_seen(&state.ring, cqe);
    if (raw == nullptr) return;  // an entry withdrawn after a failed submission
    auto it = state.inFlight.find(raw->overlapped);
    std::unique_ptr<Request> request = std::move(it->second);
    state.inFlight.erase(it);
    if (result < 0) {
        Complete(state, std::move(request), 0, static_cast<int>(-result));
        return;
    }
    // A write the kernel cut short met the end of the room (a full disk, the file-size
    // limit): the rest, written now, gives the reason, which Windows reports for the
    // whole request.
    PositionedResult outcome{static_cast<std::size_t>(result), 0};
    if (request->write && result < static_cast<long>(request->length))
        outcome = TransferNow(*request, static_cast<DWORD>(result));
    Complete(state, std::move(request), static_cast<DWORD>(outcome.moved), outcome.error);
}

// Reaps every completion that is ready, without waiting.
void ReapReady(AsyncState& state) {
    if (!state.ringReady) return;
    io_uring_cqe* cqe = nullptr;
    while (io_uring_peek_cqe(&state.ring, &cqe) == 0) ReapOne(state, cqe);
}

// Waits for one completion (at most timeoutMs, or without limit for INFINITE) and
// reaps it with any others that are ready; false when the time ran out first.
bool ReapNext(AsyncState& state, DWORD timeoutMs) {
    io_uring_cqe* cqe = nullptr;
    int rc;
    if (timeoutMs == INFINITE) {
        do rc = io_uring_wait_cqe(&state.ring, &cqe);
        while (rc == -EINTR);
    } else {
        __kernel_timespec limit{static_cast<long long>(timeoutMs / 1000),
                                static_cast<long long>(timeoutMs % 1000) * 1000000LL};
        do rc = io_uring_wait_cqe_timeout(&state.ring, &cqe, &limit);
        while (rc == -EINTR);
    }
    if (rc != 0) return false;
    ReapOne(state, cqe);
    ReapReady(state);
    return true;
}

// Hands the request to the kernel; false when the ring cannot take it now.
bool SubmitToRing(AsyncState& state, Request& request) {
    io_uring_sqe* sqe = io_uring_get_sqe(&state.ring);
    if (sqe == nullptr) return false;
    if (request.write)
        io_uring_prep_write(sqe, request.file->fd, request.buffer, request.length, request.offset);
    else
        io_uring_prep_read(sqe, request.file->fd, request.buffer, request.length, request.offset);
    io_uring_sqe_set_data(sqe, &request);
    for (int attempt = 0; attempt < 100; ++attempt) {
        int rc = io_uring_submit(&state.ring);
        if (rc >= 1) return true;
        if (rc != -EINTR && rc != -EAGAIN && rc != -EBUSY) break;
        ReapReady(state);  // a full completion queue refuses new entries
    }
    // The entry stays in the submission queue: make it a no-op without a request, so
    // that a later submission completes it harmlessly.
    io_uring_prep_nop(sqe);
    io_uring_sqe_set_data(sqe, nullptr);
    return false;
}
#else
void ReapReady(AsyncState&) {}
bool ReapNext(AsyncState&, DWORD) { return false; }
#endif

// Runs the queued completion routines in order; false when none was queued.
bool RunRoutines(AsyncState& state) {
    if (state.routines.empty()) return false;
    while (!state.routines.empty()) {
        QueuedRoutine next = state.routines.front();
        state.routines.pop_front();
        next.routine(next.error, next.bytes, next.overlapped);
    }
    return true;
}

// What is left of a wait of limitMs that began at start (INFINITE stays INFINITE).
DWORD RemainingMs(const timespec& start, DWORD limitMs) {
    if (limitMs == INFINITE) return INFINITE;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    long long elapsed = (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000LL;
    return elapsed >= limitMs ? 0 : static_cast<DWORD>(limitMs - elapsed);
}

bool HasInFlightRoutine(const AsyncState& state) {
    for (const auto& entry : state.inFlight)
        if (entry.second->routine != nullptr) return true;
    return false;
}

}  // namespace

BOOL SubmitOverlapped(FileHandle& handle, bool write, void* buffer, DWORD length, OVERLAPPED* overlapped,
                      LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    AsyncState& state = State();
    Configure(state);
    // A record still in flight cannot carry a second request.
    if (state.inFlight.count(overlapped) != 0) return Fail(ERROR_INVALID_PARAMETER);
    // As on Windows the record shows a pending request from the start; a request that
    // fails to start stays so and never completes.
    overlapped->Internal = STATUS_PENDING;
    if (write ? !handle.canWrite() : !handle.canRead()) return Fail(ERROR_ACCESS_DENIED);
    std::uint64_t offset = (static_cast<std::uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset;
    if (DWORD code = LockConflict(handle, offset, length)) return Fail(code);

    auto request = std::make_unique<Request>();
    request->overlapped = overlapped;
    request->file = handle.file;
    request->routine = routine;
    request->event = routine == nullptr ? overlapped->hEvent : nullptr;
    request->buffer = static_cast<char*>(buffer);
    request->offset = offset;
    request->length = length;
    request->write = write;
    // The Win32 result of a started request: ...Ex gives TRUE, the others FALSE
    // with 997 even when the request is already complete, as Wine does.
    auto started = [routine]() { return routine != nullptr ? TRUE : Fail(ERROR_IO_PENDING); };

    if (!handle.file->overlapped) {
        // ReadFileEx/WriteFileEx on a handle opened without FILE_FLAG_OVERLAPPED: the
        // transfer happens now and moves the file pointer; only the routine waits.
        PositionedResult result = TransferNow(*request, 0);
        if (result.error != 0 && result.moved == 0) return FailAtStart(overlapped, result.error);
        if (result.moved > 0) lseek(handle.file->fd, static_cast<off_t>(offset + result.moved), SEEK_SET);
        Complete(state, std::move(request), static_cast<DWORD>(result.moved), result.error);
        return started();
    }
#if defined(DRAVIK_HAVE_URING)
    if (state.ringReady) {
        Request& placed = *request;
        state.inFlight[overlapped] = std::move(request);
        if (SubmitToRing(state, placed)) return started();
        // The ring refused the entry: finish this request at once instead.
        request = std::move(state.inFlight[overlapped]);
        state.inFlight.erase(overlapped);
    }
#endif
    PositionedResult result = TransferNow(*request, 0);
    if (result.error != 0 && result.moved == 0) return FailAtStart(overlapped, result.error);
    Complete(state, std::move(request), static_cast<DWORD>(result.moved), result.error);
    return started();
}

bool AsyncUsesRing() {
    AsyncState& state = State();
    Configure(state);
    return state.ringReady;
}

void ReconfigureAsync() {
    AsyncState& state = State();
    while (!state.inFlight.empty() && ReapNext(state, INFINITE)) {
    }
#if defined(DRAVIK_HAVE_URING)
    if (state.ringReady) io_uring_queue_exit(&state.ring);
#endif
    state.ringReady = false;
    state.configured = false;
    Configure(state);
}

}  // namespace posix

namespace {

BOOL StartEx(HANDLE hFile, bool write, void* buffer, DWORD length, LPOVERLAPPED overlapped,
             LPOVERLAPPED_COMPLETION_ROUTINE routine) {
    auto* handle = posix::LookupHandleAs<posix::FileHandle>(hFile);
    if (handle == nullptr) return posix::Fail(ERROR_INVALID_HANDLE);
    if (overlapped == nullptr || routine == nullptr) return posix::Fail(ERROR_INVALID_PARAMETER);
    return posix::SubmitOverlapped(*handle, write, buffer, length, overlapped, routine);
}

}  // namespace

BOOL ReadFileEx(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPOVERLAPPED lpOverlapped,
                LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return StartEx(hFile, false, lpBuffer, nNumberOfBytesToRead, lpOverlapped, lpCompletionRoutine);
}

BOOL WriteFileEx(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPOVERLAPPED lpOverlapped,
                 LPOVERLAPPED_COMPLETION_ROUTINE lpCompletionRoutine) {
    return StartEx(hFile, true, const_cast<void*>(lpBuffer), nNumberOfBytesToWrite, lpOverlapped, lpCompletionRoutine);
}

BOOL GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped, LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
    using namespace posix;
    if (LookupHandle(hFile) == nullptr) return Fail(ERROR_INVALID_HANDLE);
    AsyncState& state = State();
    ReapReady(state);
    if (bWait) {
        while (state.inFlight.count(lpOverlapped) != 0 && ReapNext(state, INFINITE)) {
        }
    }
    // Still pending: in flight, or a request that never started. Windows would wait
    // forever for the latter; reporting it as incomplete keeps the caller alive.
    if (lpOverlapped->Internal == STATUS_PENDING) return Fail(ERROR_IO_INCOMPLETE);
    if (bWait && lpOverlapped->hEvent != nullptr) ConsumeEvent(lpOverlapped->hEvent);
    if (lpNumberOfBytesTransferred != nullptr)
        *lpNumberOfBytesTransferred = static_cast<DWORD>(lpOverlapped->InternalHigh);
    if (lpOverlapped->Internal != 0) return Fail(ErrorOfStatus(lpOverlapped->Internal));
    return TRUE;
}

DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
    using namespace posix;
    if (!bAlertable) {
        Sleep(dwMilliseconds);
        return 0;
    }
    AsyncState& state = State();
    ReapReady(state);
    if (RunRoutines(state)) return WAIT_IO_COMPLETION;
    // Wait for the next routine to become due; completions of other requests reaped
    // meanwhile only update their records.
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (HasInFlightRoutine(state)) {
        DWORD left = RemainingMs(start, dwMilliseconds);
        if (!ReapNext(state, left)) return 0;
        if (RunRoutines(state)) return WAIT_IO_COMPLETION;
    }
    Sleep(RemainingMs(start, dwMilliseconds));
    return 0;
}
