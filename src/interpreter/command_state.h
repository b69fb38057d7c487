// The stages that every command handler shares: positional parameters and slot
// checks, names, the option loop, and the reporting stage with its check.
//
// A handler makes one CommandState, runs the parsing steps in order (each one does
// nothing once the ReturnCode is not 0, so the first problem wins), does its
// operation only when ok(), and reports:
//
//     void commit(ParsedCommand& cmd) {
//         out::line("   Processing COMMIT ");
//         CommandState st(cmd);
//         FileObject* file = st.fileInUse(1);
//         st.options(2, {});
//         if (st.ok()) {
//             out::line("   ... doing the commit ");
//             st.rc = file->commit();
//         }
//         st.report("   ... ... the return code from the Commit is ");
//     }
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "interpreter/constants.h"
#include "interpreter/keywords.h"
#include "interpreter/parsed_command.h"
#include "interpreter/path_parts.h"

class FileObject;
class FSDirEntry;

// One option as the option loop hands it to a handler. The number is read by the form
// of the option table (Unsigned32, Unsigned16); a date or time value comes as text.
struct OptionArg {
    OptionId id = OptionId::None;
    std::string_view value;
    std::uint32_t number = 0;
};

class CommandState {
public:
    explicit CommandState(ParsedCommand& cmd) : cmd_(cmd) {}

    ReturnCode rc = 0;
    ReturnCode expected = 0;
    bool expectedGiven = false;

    bool ok() const { return rc == 0; }

    // Positional parameters. Each gives a neutral value and does nothing when the
    // ReturnCode is already set; a missing token or a bad number gives 666.
    bool present(std::size_t entry);
    std::uint32_t number32(std::size_t entry);
    FileObject* fileInUse(std::size_t entry);         // 668: 256 or more, or empty
    std::uint32_t freeFileSlot(std::size_t entry);    // 669: 256 or more, or occupied
    FSDirEntry* searchInUse(std::size_t entry);       // 668: 64 or more, or empty
    std::uint32_t freeSearchSlot(std::size_t entry);  // 668: 64 or more, or occupied
    // SplitPath of a required name; its 666 becomes the ReturnCode.
    bool path(std::size_t entry, PathParts& parts);

    // The option loop over the entries from `first`. RC and EXPECTEDRC are accepted by
    // every command that takes options and set the expected code here; the other
    // accepted options go to `apply`, which may give a ReturnCode (666 for a bad date).
    // `announce`, when given, runs for each accepted option as soon as it is
    // recognised, before its value is read (FINDFIRST prints a notice there, whatever
    // the value turns out to be); it learns whether the token carried a value.
    using OptionAction = std::function<ReturnCode(const OptionArg&)>;
    using OptionAnnounce = std::function<void(OptionId, bool hasValue)>;
    void options(std::size_t first, std::initializer_list<OptionId> accepted, const OptionAction& apply = {},
                 const OptionAnnounce& announce = {});

    // The reporting stage: the ParseCode message, or the result line with its code and
    // the check; then a blank line.
    void report(std::string_view resultText);

    // The parts of the reporting stage, for handlers that add lines between them:
    // resultLine gives true when it wrote the result line (the code is below 666).
    bool resultLine(std::string_view resultText);
    // When the line gave an expected code and the ReturnCode (below 666) differs from
    // it: sets CheckFailed and prints the banner.
    void check();

private:
    ParsedCommand& cmd_;
};
