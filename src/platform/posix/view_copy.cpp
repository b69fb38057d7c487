// The view guard on Linux: a fault in a mapped view is SIGBUS. While a guarded copy
// runs, the handler jumps back out of the copy; at any other time it ends the process
// as the default action would.
#include "platform/view_copy.h"

#include <setjmp.h>
#include <signal.h>

#include <cstring>

namespace platform {
namespace {

sigjmp_buf* volatile guardedCopy = nullptr;

void OnBusError(int signal) {
    if (guardedCopy != nullptr) siglongjmp(*guardedCopy, 1);
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void InstallHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = OnBusError;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
}

}  // namespace

std::uint32_t CopyWithViewGuard(void* to, const void* from, std::size_t size) {
    InstallHandler();
    sigjmp_buf jump;
    // The signal mask is saved so that the jump out of the handler unblocks SIGBUS.
    if (sigsetjmp(jump, 1) != 0) {
        guardedCopy = nullptr;
        return kViewFaultError;
    }
    guardedCopy = &jump;
    std::memcpy(to, from, size);
    guardedCopy = nullptr;
    return 0;
}

}  // namespace platform
