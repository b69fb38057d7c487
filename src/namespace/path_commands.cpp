#include "namespace/path_commands.h"

#include <string>

#include "interpreter/command_state.h"
#include "interpreter/extended_attributes.h"
#include "interpreter/output.h"
#include "namespace/fs_dir_entry.h"

namespace {

// A command on one name: the first line, the doing line (the qualified name follows
// it), the result line, and the operation. An optional name that is absent leaves the
// entry without a source, so the operation reports 87.
struct OneNameCommand {
    const char* title;
    const char* doing;
    const char* result;
    bool nameOptional;
    ReturnCode (FSDirEntry::*operation)();
};

void runOneNameCommand(RunState& run, ParsedCommand& cmd, const OneNameCommand& command) {
    FSDirEntry entry;
    out::line(command.title);
    CommandState st(run, cmd);
    PathParts parts;
    bool named = cmd.has(1);
    if (named || !command.nameOptional) st.path(1, parts);
    st.options(2, {});
    if (st.ok()) {
        out::line(command.doing + parts.qualifiedPath);
        if (named) entry.setSource(parts.qualifiedPath.c_str());
        st.rc = (entry.*command.operation)();
    }
    st.report(command.result);
}

// The two names of MOVE and COPY: the target is split only when the source was.
void twoPaths(CommandState& st, PathParts& source, PathParts& target) {
    if (st.path(1, source)) st.path(2, target);
}

}  // namespace

void mdCommand(RunState& run, ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing MAKE DIRECTORY ");
    CommandState st(run, cmd);
    PathParts parts;
    // A first token that begins with "/" is not a name; the options still start at 2.
    bool named = cmd.has(1) && cmd[1][0] != '/';
    if (named) st.path(1, parts);
    // The directory is made without the EAs: they are asked for and dropped.
    st.options(2, {OptionId::Ea}, [](const OptionArg&) { return promptForEAs(EAPromptMode::NamesAndValues); });
    if (st.ok()) {
        out::line("   ... creating directory " + parts.qualifiedPath);
        if (named) entry.setSource(parts.qualifiedPath.c_str());
        st.rc = entry.makeDirectory();
    }
    st.report("   ... ... the return code from the MD is ");
}

void rdCommand(RunState& run, ParsedCommand& cmd) {
    runOneNameCommand(
        run, cmd,
        {"   Processing DELETE DIRECTORY ", "   ... removing directory ",
         "   ... ... the return code from the Delete Directory is ", false, &FSDirEntry::removeDirectory});
}

void cdCommand(RunState& run, ParsedCommand& cmd) {
    runOneNameCommand(run, cmd,
                      {"   Processing CHANGE DIRECTORY ", "   ... changing directory to ",
                       "   ... ... the return code from the CD is ", true, &FSDirEntry::changeDirectory});
}

void deleteCommand(RunState& run, ParsedCommand& cmd) {
    runOneNameCommand(run, cmd,
                      {"   Processing DELETE FILE ", "   ... deleting file ",
                       "   ... ... the return code from the Delete is ", false, &FSDirEntry::deleteFile});
}

void renameCommand(RunState& run, ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing RENAME FILE ");
    CommandState st(run, cmd);
    PathParts parts;
    std::string target;
    // The new name stays in the source's directory: it may name no other directory
    // or drive.
    if (st.path(1, parts) && st.present(2)) {
        if (cmd[2].find_first_of("\\:") != std::string::npos)
            st.rc = kSyntaxError;
        else
            target = parts.root + parts.directory + cmd[2];
    }
    st.options(3, {});
    if (st.ok()) {
        out::line("   ... renaming " + parts.qualifiedPath + " to " + cmd[2]);
        entry.setSource(parts.qualifiedPath.c_str());
        entry.setTarget(target.c_str());
        st.rc = entry.moveFile();
    }
    st.report("   ... ... the return code from the Rename is ");
}

void moveCommand(RunState& run, ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing MOVE FILE ");
    CommandState st(run, cmd);
    PathParts source, target;
    twoPaths(st, source, target);
    st.options(3, {});
    if (st.ok()) {
        out::line("   ... moving " + source.qualifiedPath + " to " + target.qualifiedPath);
        entry.setSource(source.qualifiedPath.c_str());
        entry.setTarget(target.qualifiedPath.c_str());
        st.rc = entry.moveFile();
    }
    st.report("   ... ... the return code from the Move is ");
}

void copyCommand(RunState& run, ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing COPY FILE ");
    CommandState st(run, cmd);
    PathParts source, target;
    twoPaths(st, source, target);
    // /NOREPLACE keeps an existing target; /APPEND replaces it, as the default does
    // (nothing is appended). The later one wins.
    st.options(3, {OptionId::Append, OptionId::NoReplace}, [&entry](const OptionArg& option) {
        if (option.id == OptionId::NoReplace)
            entry.setNoReplace();
        else
            entry.setReplace();
        return ReturnCode{0};
    });
    if (st.ok()) {
        out::line("   ... copying " + source.qualifiedPath + " to " + target.qualifiedPath);
        entry.setSource(source.qualifiedPath.c_str());
        entry.setTarget(target.qualifiedPath.c_str());
        st.rc = entry.copyFile();
    }
    st.report("   ... ... the return code from the Copy is ");
}
