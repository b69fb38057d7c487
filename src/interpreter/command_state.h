// The stages that every command handler shares: positional parameters and slot
// checks, names, the option loop, and the reporting stage with its check.
//
// A handler makes one CommandState, runs the parsing steps in order (each one does
// nothing once the ReturnCode is not 0, so the first problem wins), does its
// operation only when ok(), and reports:
//
//     void commitCommand(RunState& run, ParsedCommand& cmd) {
//         out::line("   Processing COMMIT ");
//         CommandState st(run, cmd);
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
#include "interpreter/options.h"
#include "interpreter/parsed_command.h"
#include "interpreter/path_parts.h"
#include "interpreter/results.h"

class FileObject;
class FSDirEntry;
struct RunState;

// One option as the option loop hands it to a handler. The number is read by the form
// of the option table (Unsigned32, Unsigned16); a date or time value comes as text.
struct OptionArg {
    OptionId id = OptionId::None;
    std::string_view value;
    std::uint32_t number = 0;
};

class CommandState {
public:
    CommandState(RunState& run, ParsedCommand& cmd) : run(run), cmd_(cmd) {}

    RunState& run;

    ReturnCode rc = 0;
    ReturnCode expected = 0;
    bool expectedGiven = false;

    bool ok() const { return rc == 0; }

    // Positional parameters. Each gives a neutral value and does nothing when the
    // ReturnCode is already set; a missing token or a bad number gives 666.
    bool present(std::size_t entry);
    std::uint32_t number32(std::size_t entry);
    FileObject* fileInUse(std::size_t entry);          // 668: 256 or more, or empty
    std::uint32_t fileSlotInUse(std::size_t entry);    // the same check; gives the slot
    std::uint32_t freeFileSlot(std::size_t entry);     // 669: 256 or more, or occupied
    FSDirEntry* searchInUse(std::size_t entry);        // 668: 64 or more, or empty
    std::uint32_t searchSlotInUse(std::size_t entry);  // the same check; gives the slot
    std::uint32_t freeSearchSlot(std::size_t entry);   // 668: 64 or more, or occupied
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

    // ---- The reporting stage ----
    // Every check of the line is decided here (and nowhere else): the ExpectedRC
    // comparison, and READ's amount and data checks. A failed check sets the run's CheckFailed;
    // each decision is recorded in the line's CommandVerdict.
    //
    // The forms of the stage, each ending with a blank line unless it says otherwise:
    //   Standard           the ParseCode message, or the result line and `lines`; the
    //                      check
    //   CheckBeforeLines   the ParseCode message, or the result line; the check; then
    //                      `lines` (GETATTRIBUTES)
    //   BlankBeforeCheck   the ParseCode message, or the result line; the blank line;
    //                      then the check (CREATE)
    //   OneTransfer        the result line and the check of one transfer of a series;
    //                      no blank line (WRITE; `close` ends the command)
    //   ParseCodeChecked   no result line and no ParseCode message; the check, in
    //                      which a ParseCode too is compared with the expected code
    //                      (READ, which writes its ParseCode message before its
    //                      transfers)
    // An empty result text writes no result line. `lines` runs only behind a result
    // line that was written.
    enum class ReportForm { Standard, CheckBeforeLines, BlankBeforeCheck, OneTransfer, ParseCodeChecked };
    using ResultLines = std::function<void()>;
    void report(std::string_view resultText, const ResultLines& lines = {}, ReportForm form = ReportForm::Standard);
    // The blank line that ends a command reported with OneTransfer.
    void close();

    // READ's checks of one transfer: the amount read against /EXPECTED=n, and the data
    // against the standard pattern (mismatch is null when they are the same). Each
    // writes its own lines; neither prints the banner.
    void checkLength(std::uint64_t expectedLength, std::uint64_t actualLength);
    void checkData(const DataMismatch* mismatch);

private:
    bool resultLine(std::string_view resultText);
    void checkReturnCode(bool parseCodesToo);
    void decide(bool passed);

    ParsedCommand& cmd_;
};
