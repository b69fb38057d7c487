// GETATTRIBUTES in its steps: read the options, ask for EA names, fetch the status by
// handle (all of it, or only the time stamps) or by name (the bits), and after the
// check show the record, or the EA listing in its place.
#include "attributes/attribute_commands.h"
#include "attributes/attribute_display.h"
#include "attributes/attribute_subject.h"
#include "files/file_object.h"
#include "interpreter/extended_attributes.h"
#include "interpreter/output.h"
#include "namespace/fs_dir_entry.h"

namespace {

enum class EAChoice { None, Names, All };

struct Request {
    EAChoice eas = EAChoice::None;
    bool fileTimeOnly = false;
};

Request readRequest(CommandState& st) {
    Request request;
    st.options(2, {OptionId::Ea, OptionId::AllEa, OptionId::BuffSize, OptionId::FileTime},
               [&request](const OptionArg& option) -> ReturnCode {
                   switch (option.id) {
                       case OptionId::Ea:
                           request.eas = EAChoice::Names;
                           break;
                       case OptionId::AllEa:
                           request.eas = EAChoice::All;
                           break;
                       case OptionId::FileTime:
                           request.fileTimeOnly = true;
                           break;
                       // The size of a buffer for EAs: checked, with no other effect.
                       case OptionId::BuffSize:
                           return option.number > kBufferSize ? kSyntaxError : 0;
                       default:
                           break;
                   }
                   return 0;
               });
    return request;
}

void printWin32Notes() {
    out::line("   ... Win 32 notes: ");
    out::line("       * getAttrs by handle will return date/time, fixed attrs and size info ");
    out::line("       * getAttrs by name will return the fixed attrs ");
    out::line("       * getAttrs /fileTime will return just the date/time stamps ");
    out::line("       * use GetEOF (a handle based call) to get the file size ");
    out::blank();
}

ReturnCode fetchByHandle(FileObject& file, const Request& request) {
    out::blank();
    return request.fileTimeOnly ? file.fillTimesFromHandle() : file.fillFromHandle();
}

ReturnCode fetchByName(const PathParts& parts, FSDirEntry& entry) {
    out::line("for " + parts.qualifiedPath);
    entry.setSource(parts.qualifiedPath.c_str());
    return entry.fillFromName();
}

// With EAs asked for, the EA listing takes the place of the record.
void show(const AttributeSubject& subject, const FSDirEntry& entry, const Request& request) {
    if (request.eas != EAChoice::None)
        listEAs();
    else if (subject.byHandle)
        printHandleAttributes(*subject.file);
    else
        printEntryAttributes(entry, 0);
}

}  // namespace

void getAttributesCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing GET ATTRIBUTES ");
    CommandState st(run, cmd);
    AttributeSubject subject;
    readAttributeSubject(st, cmd, subject);
    Request request = readRequest(st);
    if (st.ok() && request.eas == EAChoice::Names) st.rc = promptForEAs(EAPromptMode::NamesOnly);
    FSDirEntry entry;
    if (st.ok()) {
        printWin32Notes();
        out::text("   ... getting attributes ");
        st.rc = subject.byHandle ? fetchByHandle(*subject.file, request) : fetchByName(subject.parts, entry);
    }
    // The record follows the check.
    st.report(
        "   ... ... the return code from the get Attributes is ",
        [&] {
            if (st.ok()) show(subject, entry, request);
        },
        CommandState::ReportForm::CheckBeforeLines);
}
