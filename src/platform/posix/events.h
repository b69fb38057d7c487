// Event objects (CreateEventA): set by the overlapped request that names them when it
// completes, reset by a wait on an auto-reset event.
#pragma once

#include "platform/posix/handles.h"

namespace posix {

struct EventObject : HandleObject {
    bool manualReset = false;
    bool signalled = false;
};

// Sets the event behind a handle; a handle that is not an event is left alone (the
// caller may have closed it while its request was in flight).
void SignalEvent(HANDLE event);

// Ends a satisfied wait on the event: an auto-reset event becomes unsignalled.
void ConsumeEvent(HANDLE event);

}  // namespace posix
