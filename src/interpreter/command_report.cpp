// The reporting stage of CommandState: the result lines in the forms the commands
// need, and the one place where the checks of a line are decided.
#include "interpreter/command_state.h"
#include "interpreter/output.h"
#include "interpreter/reporting.h"
#include "interpreter/run_state.h"

void CommandState::report(std::string_view resultText, const ResultLines& lines, ReportForm form) {
    if (form == ReportForm::ParseCodeChecked) {
        checkReturnCode(true);
        out::blank();
        return;
    }
    bool written = resultLine(resultText);
    if (written && lines && form != ReportForm::CheckBeforeLines) lines();
    if (form == ReportForm::BlankBeforeCheck) out::blank();
    checkReturnCode(false);
    if (written && lines && form == ReportForm::CheckBeforeLines) lines();
    if (form == ReportForm::Standard || form == ReportForm::CheckBeforeLines) out::blank();
}

void CommandState::close() { out::blank(); }

bool CommandState::resultLine(std::string_view resultText) {
    if (rc >= kSyntaxError) {
        ReportParseCode(rc);
        return false;
    }
    if (resultText.empty()) return false;
    out::line(resultText, rc);
    return true;
}

// A system code of 666 or more is written like an unknown ParseCode, but it is the
// operation's result all the same and is checked: a line that expects 0 and meets an
// I/O error (1117) fails.
void CommandState::checkReturnCode(bool parseCodesToo) {
    run.LineVerdict.rc = rc;
    bool parseCode = rc == kSyntaxError || rc == kInvalidHandle || rc == kHandleInUse;
    if (!expectedGiven || (parseCode && !parseCodesToo)) return;
    decide(rc == expected);
    if (rc != expected) PrintFailureBanner();
}

void CommandState::checkLength(std::uint64_t expectedLength, std::uint64_t actualLength) {
    bool passed = expectedLength == actualLength;
    // A failed check, once recorded, stays the one the record shows.
    const std::optional<LengthCheck>& kept = run.LineVerdict.length;
    if (!kept || kept->expected == kept->actual) run.LineVerdict.length = LengthCheck{expectedLength, actualLength};
    decide(passed);
    if (!passed) {
        out::blank();
        out::line("   ... ... expected length != actual length !!! ");
    }
}

void CommandState::checkData(const DataMismatch* mismatch) {
    if (mismatch != nullptr && !run.LineVerdict.compare) run.LineVerdict.compare = *mismatch;
    decide(mismatch == nullptr);
    out::blank();
    out::line(mismatch == nullptr ? "   ... ... data compare OK " : "   ... ... data compare failed!!! ");
}

void CommandState::decide(bool passed) {
    if (!passed) {
        run.CheckFailed = 1;
        run.LineVerdict.outcome = Outcome::Fail;
    } else if (run.LineVerdict.outcome == Outcome::None) {
        run.LineVerdict.outcome = Outcome::Pass;
    }
}
