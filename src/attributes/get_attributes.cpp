
#include "attributes/attribute_commands.h"
#include "attributes/attribute_display.h"
#include "attributes/attribute_subject.h"
#include "attributes/extended_attributes.h"
#include "files/file_object.h"
#include "interpreter/output.h"
#include "namespace/fs_dir_entry.h"

namespace {

enum class EAChoice { None, Names, All };

void printWin32Notes() {
    out::line("   ... Win 32 notes: ");
    out::line("       * getAttrs by handle will return date/time, fixed attrs and size info ");
    out::line("       * getAttrs by name will return the fixed attrs ");
    out::line("       * getAttrs /fileTime will return just the date/time stamps ");
    out::line("       * use GetEOF (a handle based call) to get the file size ");
    out::blank();
}

}  // namespace

void getAttributesCommand(ParsedCommand& cmd) {
    FSDirEntry entry;
    out::line("   Processing GET ATTRIBUTES ");
    CommandState st(cmd);
    AttributeSubject subject;
    readAttributeSubject(st, cmd, subject);
    EAChoice eaChoice = EAChoice::None;
    bool fileTimeOnly = false;
    st.options(2, {OptionId::Ea, OptionId::AllEa, OptionId::BuffSize, OptionId::FileTime},
               [&](const OptionArg& option) -> ReturnCode {
                   switch (option.id) {
                       case OptionId::Ea:
                           eaChoice = EAChoice::Names;
                           break;
                       case OptionId::AllEa:
                           eaChoice = EAChoice::All;
                           break;
                       case OptionId::FileTime:
                           fileTimeOnly = true;
                           break;
                       // The size of a buffer for EAs: checked, with no other effect.
                       case OptionId::BuffSize:
                           return option.number > kBufferSize ? kSyntaxError : 0;
                       default:
                           break;
                   }
                   return 0;
               });
    if (st.ok() && eaChoice == EAChoice::Names) st.rc = promptForEAs(EAPromptMode::NamesOnly);
    if (st.ok()) {
        printWin32Notes();
        out::text("   ... getting attributes ");
        if (subject.byHandle) {
            out::blank();
            st.rc = fileTimeOnly ? subject.file->fillTimesFromHandle() : subject.file->fillFromHandle();
        } else {
            out::line("for " + subject.parts.qualifiedPath);
            entry.setSource(subject.parts.qualifiedPath.c_str());
            st.rc = entry.fillFromName();
        }
    }
    // The record follows the check.
    st.report(
        "   ... ... the return code from the get Attributes is ",
        [&] {
            if (!st.ok()) return;
            // With EAs asked for, the EA listing takes the place of the record.
            if (eaChoice == EAChoice::None) {
                if (subject.byHandle)
                    printHandleAttributes(*subject.file);
                else
                    printEntryAttributes(entry, 0);
            }
            if (eaChoice != EAChoice::None) listEAs();
        },
        CommandState::ReportForm::CheckBeforeLines);
}
