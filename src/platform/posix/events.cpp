#include "platform/posix/events.h"

#include <cerrno>
#include <ctime>
#include <memory>

#include "platform/posix/win32_api.h"

namespace posix {

void SignalEvent(HANDLE event) {
    if (auto* object = LookupHandleAs<EventObject>(event)) object->signalled = true;
}

void ConsumeEvent(HANDLE event) {
    auto* object = LookupHandleAs<EventObject>(event);
    if (object != nullptr && !object->manualReset) object->signalled = false;
}

}  // namespace posix

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR) {
    auto event = std::make_unique<posix::EventObject>();
    event->manualReset = bManualReset != FALSE;
    event->signalled = bInitialState != FALSE;
    return posix::AddHandle(std::move(event));
}

void Sleep(DWORD dwMilliseconds) {
    // Not alertable: completion routines stay queued.
    timespec delay{static_cast<time_t>(dwMilliseconds / 1000), static_cast<long>(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}
