// LOCK, UNLOCK and LOCKUNLOCK. Every request is a plain LockFile or UnlockFile: locks
// are exclusive and never wait, and LOCKUNLOCK performs exactly one of its halves. So
// the /TIMEOUT, /SHARED, /EXCLUSIVE and /ATOMIC options are accepted and dropped here,
// where they are read.
#include "files/file_commands.h"
#include "files/file_object.h"
#include "interpreter/command_state.h"
#include "interpreter/output.h"

void lockCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing LOCK ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t offset = st.number32(2);
    std::uint32_t length = st.number32(3);
    st.options(4, {OptionId::Timeout, OptionId::Exclusive, OptionId::Shared});
    if (st.ok()) {
        out::line("   ... doing the Lock ");
        st.rc = file->lock(offset, length);
    }
    st.report("   ... ... the return code from the Lock is ");
}

void unlockCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing UNLOCK ");
    CommandState st(run, cmd);
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

void lockUnlockCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing LOCK / UNLOCK Combination ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t lockOffset = st.number32(2);
    std::uint32_t lockLength = st.number32(3);
    std::uint32_t unlockOffset = st.number32(4);
    std::uint32_t unlockLength = st.number32(5);
    st.options(6, {OptionId::Timeout, OptionId::Exclusive, OptionId::Shared, OptionId::Atomic});
    if (st.ok()) {
        out::line("   ... doing the Lock/unlock ");
        st.rc = file->lockUnlock(lockOffset, lockLength, unlockOffset, unlockLength);
    }
    st.report("   ... ... the return code from the Lock/unlock is ");
}
