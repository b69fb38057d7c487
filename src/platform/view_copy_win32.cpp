// The view guard on Windows: a fault in a mapped view is an in-page error exception.
// GCC has no __try, so a vectored exception handler catches it while a guarded copy
// runs and jumps back out of the copy; other exceptions go on to the next handler.
#include "platform/view_copy.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace platform {
namespace {

// __builtin_setjmp / __builtin_longjmp restore only the frame and stack registers,
// with no unwinding through the exception dispatcher's frames.
void* volatile* volatile guardedCopy = nullptr;

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    // Wine may raise an access violation where Windows raises the in-page error.
    bool viewFault = code == EXCEPTION_IN_PAGE_ERROR || code == EXCEPTION_ACCESS_VIOLATION;
    if (guardedCopy == nullptr || !viewFault) return EXCEPTION_CONTINUE_SEARCH;
    void** jump = const_cast<void**>(guardedCopy);
    guardedCopy = nullptr;
    __builtin_longjmp(jump, 1);
}

void InstallHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    AddVectoredExceptionHandler(1, OnException);
}

}  // namespace

std::uint32_t CopyWithViewGuard(void* to, const void* from, std::size_t size) {
    InstallHandler();
    void* jump[5];
    if (__builtin_setjmp(jump) != 0) return kViewFaultError;
    guardedCopy = jump;
    std::memcpy(to, from, size);
    guardedCopy = nullptr;
    return 0;
}

}  // namespace platform
#endif
