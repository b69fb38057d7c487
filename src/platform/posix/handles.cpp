#include "platform/posix/handles.h"

#include <cstdint>
#include <vector>

#include "platform/posix/win32_api.h"

namespace posix {
namespace {

// Slot i holds the object of handle value i + 1; freed slots are reused.
std::vector<std::unique_ptr<HandleObject>>& Table() {
    static std::vector<std::unique_ptr<HandleObject>> table;
    return table;
}

std::size_t SlotOf(HANDLE handle) { return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(handle)) - 1; }

}  // namespace

HANDLE AddHandle(std::unique_ptr<HandleObject> object) {
    auto& table = Table();
    std::size_t slot = 0;
    while (slot < table.size() && table[slot]) ++slot;
    if (slot == table.size()) table.emplace_back();
    table[slot] = std::move(object);
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(slot + 1));
}

HandleObject* LookupHandle(HANDLE handle) {
    auto& table = Table();
    std::size_t slot = SlotOf(handle);
    return slot < table.size() ? table[slot].get() : nullptr;
}

bool RemoveHandle(HANDLE handle) {
    auto& table = Table();
    std::size_t slot = SlotOf(handle);
    if (slot >= table.size() || !table[slot]) return false;
    // Move the object out first so that its destructor sees a consistent table.
    std::unique_ptr<HandleObject> object = std::move(table[slot]);
    return true;
}

}  // namespace posix

BOOL CloseHandle(HANDLE hObject) {
    posix::HandleObject* object = posix::LookupHandle(hObject);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The handle is closed whatever the release reports.
    DWORD code = object->release();
    posix::RemoveHandle(hObject);
    if (code != 0) {
        SetLastError(code);
        return FALSE;
    }
    return TRUE;
}

HANDLE GetCurrentProcess() {
    // The pseudo handle of the current process, as on Windows.
    return INVALID_HANDLE_VALUE;
}
