// LOCK, UNLOCK and LOCKUNLOCK. The timeout, shared and atomic options are parsed and
// handed down, but every request is a plain LockFile or UnlockFile: locks are
// exclusive, never wait, and LOCKUNLOCK performs exactly one of its halves.
#include "files/file_commands.h"
#include "files/file_object.h"
#include "interpreter/command_state.h"
#include "interpreter/output.h"

namespace {
constexpr std::uint16_t kSharedBit = 1;
constexpr std::uint16_t kAtomicBit = 2;
}  // namespace

void lockCommand(ParsedCommand& cmd) {
    out::line("   Processing LOCK ");
    CommandState st(cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t offset = st.number32(2);
    std::uint32_t length = st.number32(3);
    std::uint32_t timeout = 0;
    std::uint16_t shared = 0;
    st.options(4, {OptionId::Timeout, OptionId::Exclusive, OptionId::Shared}, [&](const OptionArg& arg) -> ReturnCode {
        if (arg.id == OptionId::Timeout) timeout = arg.number;
        if (arg.id == OptionId::Shared) shared = 1;
        if (arg.id == OptionId::Exclusive) shared = 0;
        return 0;
    });
    if (st.ok()) {
        out::line("   ... doing the Lock ");
        st.rc = file->lock(offset, length, timeout, shared);
    }
    st.report("   ... ... the return code from the Lock is ");
}

void unlockCommand(ParsedCommand& cmd) {
    out::line("   Processing UNLOCK ");
    CommandState st(cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t offset = st.number32(2);
    std::uint32_t length = st.number32(3);
    st.options(4, {});
    if (st.ok()) {
        out::line("   ... doing the Unlock ");
        st.rc = file->unlock(offset, length);
    }
    st.report("   ... ... the return code from the Unlock is ");
}

void lockUnlockCommand(ParsedCommand& cmd) {
    out::line("   Processing LOCK / UNLOCK Combination ");
    CommandState st(cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t lockOffset = st.number32(2);
    std::uint32_t lockLength = st.number32(3);
    std::uint32_t unlockOffset = st.number32(4);
    std::uint32_t unlockLength = st.number32(5);
    std::uint32_t timeout = 0;
    std::uint16_t flags = 0;
    st.options(6, {OptionId::Timeout, OptionId::Exclusive, OptionId::Shared, OptionId::Atomic},
               [&](const OptionArg& arg) -> ReturnCode {
                   if (arg.id == OptionId::Timeout) timeout = arg.number;
                   if (arg.id == OptionId::Shared) flags |= kSharedBit;
                   if (arg.id == OptionId::Atomic) flags |= kAtomicBit;
                   if (arg.id == OptionId::Exclusive) flags &= kAtomicBit;
                   return 0;
               });
    if (st.ok()) {
        out::line("   ... doing the Lock/unlock ");
        st.rc = file->lockUnlock(lockOffset, lockLength, unlockOffset, unlockLength, timeout, flags);
    }
    st.report("   ... ... the return code from the Lock/unlock is ");
}
