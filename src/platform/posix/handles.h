// The handle table of the POSIX layer. A HANDLE is a small non-null integer cast to a
// pointer; each names one object (an open file, a search, an event, a mapping, a
// device). Closing a handle destroys its object, whose destructor releases what it
// holds.
#pragma once

#include <memory>

#include "platform/posix/win32_types.h"

namespace posix {

struct HandleObject {
    virtual ~HandleObject() = default;
    // Called by CloseHandle before the object goes: lets go of what the handle holds
    // and gives the Win32 code of a failure to do so (0 for none).
    virtual DWORD release() { return 0; }
};

// Puts the object in the table and gives its new handle.
HANDLE AddHandle(std::unique_ptr<HandleObject> object);

// The object behind a handle, or null for a handle that is not open.
HandleObject* LookupHandle(HANDLE handle);

template <class T>
T* LookupHandleAs(HANDLE handle) {
    return dynamic_cast<T*>(LookupHandle(handle));
}

// Removes the handle and destroys its object; false when the handle is not open.
bool RemoveHandle(HANDLE handle);

}  // namespace posix
