// The commands on an open slot: each validates its slot, calls one FileObject
// operation and reports the ReturnCode.
#include <memory>

#include "files/file_commands.h"
#include "files/file_slot_table.h"
#include "interpreter/command_state.h"
#include "interpreter/output.h"

void commitCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing COMMIT ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    st.options(2, {});
    if (st.ok()) {
        out::line("   ... doing the commit ");
        st.rc = file->commit();
    }
    st.report("   ... ... the return code from the Commit is ");
}

void closeCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing CLOSE ");
    CommandState st(run, cmd);
    std::uint32_t slot = st.fileSlotInUse(1);
    st.options(2, {});
    if (st.ok()) {
        out::line("   ... doing the close ");
        st.rc = run.FileSlotTable[slot]->close();
        // The slot is emptied whatever CloseHandle reported.
        EmptyFileSlot(run, slot);
    }
    st.report("   ... ... the return code from the Close is ");
}

void dupHandleCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing DUPHANDLE  ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t newSlot = st.freeFileSlot(2);
    st.options(3, {});
    if (st.ok()) {
        out::line("   ... doing the duplicate handle ");
        HANDLE duplicate = INVALID_HANDLE_VALUE;
        st.rc = file->duplicate(duplicate);
        if (st.ok()) {
            // The new FileObject keeps the constructed defaults in every other field.
            auto copy = std::make_unique<FileObject>();
            copy->setHandle(duplicate);
            run.FileSlotTable[newSlot] = FileSlot(copy.release());
        }
    }
    st.report("   ... ... the return code from the DupHandle is ");
}

void chgPtrCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing CHANGE_FILE_RW_POINTER ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t amount = st.number32(2);
    std::uint32_t origin = FileObject::kFromCurrent;
    st.options(3, {OptionId::Beginning, OptionId::Start, OptionId::End}, [&](const OptionArg& arg) -> ReturnCode {
        origin = arg.id == OptionId::End ? FileObject::kFromEnd : FileObject::kFromBeginning;
        return 0;
    });
    if (st.ok()) {
        out::line("   ... doing the Set File Pointer ");
        if (origin == FileObject::kFromCurrent) file->moveFromCurrent();
        if (origin == FileObject::kFromEnd) file->moveFromEnd();
        // The amount is typed unsigned and moves as a signed 32-bit distance, so
        // 4294967295 moves one byte back.
        file->setSeekDistance(static_cast<std::int32_t>(amount));
        st.rc = file->seek();
    }
    st.report("   ... ... the return code from the ChangeFilePtr is ");
}

void chgEofCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing CHANGE EOF ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    std::uint32_t newSize = st.number32(2);
    st.options(3, {});
    if (st.ok()) {
        out::line("   ... doing the Change EOF ");
        st.rc = file->changeEndOfFile(newSize);
    }
    st.report("   ... ... the return code from the ChangeEOF is ");
}

void getFileSizeCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing Get file size ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    st.options(2, {});
    std::uint32_t size = 0;
    if (st.ok()) {
        out::line("   ... doing the Get File Size ");
        st.rc = file->getFileSize(size);
    }
    // The size line comes between the result line and the check.
    st.report("   ... ... the return code from the Get File Size is ", [&] {
        if (st.ok()) out::line("   ... ... size = ", size);
    });
}

void mapCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing MAP ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    st.options(2, {});
    if (st.ok()) {
        out::line("   ... doing the MAP ");
        st.rc = file->map();
    }
    st.report("   ... ... the return code from the MAP is ");
}

void unmapCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing UNMAP ");
    CommandState st(run, cmd);
    FileObject* file = st.fileInUse(1);
    st.options(2, {});
    if (st.ok()) {
        out::line("   ... doing the UNMAP ");
        st.rc = file->unmap();
    }
    st.report("   ... ... the return code from the UNMAP is ");
}
