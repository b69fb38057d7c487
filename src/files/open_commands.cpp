// CREATE and OPEN: make a FileObject, hand it the qualified name and the options of
// the line, open it, and keep it in the slot only when the open succeeded.
#include <memory>
#include <optional>

#include "files/file_commands.h"
#include "files/file_slot_table.h"
#include "interpreter/command_state.h"
#include "interpreter/extended_attributes.h"
#include "interpreter/output.h"

namespace {

// The settings that the option loop collects before the FileObject is made.
struct OpenSettings {
    bool writeThrough = false;
    std::uint16_t access = FileObject::kRead | FileObject::kWrite;
    std::uint16_t deny = FileObject::kRead | FileObject::kWrite;
    std::uint16_t existing = FileObject::kOpenIfExists;  // open, replace or fail
    std::uint16_t missing = FileObject::kCreateIfNew;    // create or fail
    DWORD attributes = 0;
    std::optional<std::uint32_t> size;
    bool overlapped = false;
};

// One flat case per option of CREATE and OPEN.
ReturnCode ApplyOption(const OptionArg& arg, OpenSettings& s) {  // NOLINT(readability-function-size)
    switch (arg.id) {
        case OptionId::Sync:
            s.writeThrough = true;
            break;
        case OptionId::DenyNone:
            s.deny = 0;
            break;
        case OptionId::DenyRead:
            s.deny = FileObject::kRead;
            break;
        case OptionId::DenyWrite:
            s.deny = FileObject::kWrite;
            break;
        case OptionId::DenyAll:
            s.deny = FileObject::kRead | FileObject::kWrite;
            break;
        case OptionId::ReadAccess:
            s.access = FileObject::kRead;
            break;
        case OptionId::WriteAccess:
            s.access = FileObject::kWrite;
            break;
        case OptionId::ReadWriteAccess:
            s.access = FileObject::kRead | FileObject::kWrite;
            break;
        case OptionId::Size:
            s.size = arg.number;
            break;
        case OptionId::ReadOnly:
            s.attributes |= FILE_ATTRIBUTE_READONLY;
            break;
        case OptionId::Hidden:
            s.attributes |= FILE_ATTRIBUTE_HIDDEN;
            break;
        case OptionId::System:
            s.attributes |= FILE_ATTRIBUTE_SYSTEM;
            break;
        case OptionId::Archive:
            s.attributes |= FILE_ATTRIBUTE_ARCHIVE;
            break;
        case OptionId::NoOpen:
            s.existing = FileObject::kFailIfExists;
            break;
        case OptionId::Replace:
            s.existing = FileObject::kReplaceIfExists;
            break;
        case OptionId::NoCreate:
            s.missing = FileObject::kFailIfNew;
            break;
        case OptionId::AsyncIo:
            s.overlapped = true;
            break;
        case OptionId::Ea:
            // The file is made without them: they are asked for and dropped.
            return promptForEAs(EAPromptMode::NamesAndValues);
        default:
            break;
    }
    return 0;
}

// Makes the FileObject from the settings and opens it; the slot owns it only when the
// open succeeded.
ReturnCode OpenIntoSlot(FileSlot& slot, const std::string& path, const OpenSettings& s) {
    auto file = std::make_unique<FileObject>();
    file->setPath(path.c_str());
    if (s.size) file->setCreateSize(*s.size);
    file->setAttributes(s.attributes);
    if (s.access & FileObject::kRead) file->requestRead();
    if (s.access & FileObject::kWrite) file->requestWrite();
    if (s.deny & FileObject::kRead) file->denyRead();
    if (s.deny & FileObject::kWrite) file->denyWrite();
    for (std::uint16_t flag : {FileObject::kOpenIfExists, FileObject::kReplaceIfExists, FileObject::kFailIfExists})
        if (s.existing == flag) file->addOpenFlags(flag);
    for (std::uint16_t flag : {FileObject::kCreateIfNew, FileObject::kFailIfNew})
        if (s.missing == flag) file->addOpenFlags(flag);
    if (s.overlapped) file->setOverlapped(1);
    ReturnCode rc = file->open(s.writeThrough ? 1 : 0);
    if (rc == 0) slot = FileSlot(file.release());
    return rc;
}

}  // namespace

void createCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing CREATE  ");
    CommandState st(run, cmd);
    std::uint32_t slot = st.freeFileSlot(1);
    PathParts parts;
    st.path(2, parts);
    OpenSettings settings;
    st.options(3,
               {OptionId::Sync, OptionId::DenyNone, OptionId::DenyRead, OptionId::DenyWrite, OptionId::DenyAll,
                OptionId::ReadAccess, OptionId::WriteAccess, OptionId::ReadWriteAccess, OptionId::Size,
                OptionId::ReadOnly, OptionId::Hidden, OptionId::System, OptionId::Archive, OptionId::NoOpen,
                OptionId::Replace, OptionId::NoCreate, OptionId::Ea, OptionId::AsyncIo},
               [&](const OptionArg& arg) { return ApplyOption(arg, settings); });
    if (st.ok()) {
        out::line("   ... creating file " + parts.qualifiedPath);
        st.rc = OpenIntoSlot(run.FileSlotTable[slot], parts.qualifiedPath, settings);
    }
    // CREATE writes the blank line before its check.
    st.report("   ... ... the return code from the CREATE is ", {}, CommandState::ReportForm::BlankBeforeCheck);
}

void openCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing OPEN  ");
    CommandState st(run, cmd);
    std::uint32_t slot = st.freeFileSlot(1);
    PathParts parts;
    st.path(2, parts);
    OpenSettings settings;
    st.options(3,
               {OptionId::Sync, OptionId::DenyNone, OptionId::DenyRead, OptionId::DenyWrite, OptionId::DenyAll,
                OptionId::ReadAccess, OptionId::WriteAccess, OptionId::ReadWriteAccess, OptionId::AsyncIo},
               [&](const OptionArg& arg) { return ApplyOption(arg, settings); });
    if (st.ok()) {
        out::line("   ... opening file " + parts.qualifiedPath);
        // OPEN opens an existing file only, with no attributes and no size.
        settings.existing = FileObject::kOpenIfExists;
        settings.missing = FileObject::kFailIfNew;
        st.rc = OpenIntoSlot(run.FileSlotTable[slot], parts.qualifiedPath, settings);
    }
    st.report("   ... ... the return code from the OPEN is ");
}
