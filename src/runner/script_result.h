// What one script's run came to: its records, the failed checks, and its verdict.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "runner/known_failures.h"
#include "runner/scripts.h"

namespace runner {

// One failed check, or the end of a run that did not finish.
struct Failure {
    long line = 0;         // 0: not at a command
    std::string command;   // the command word; "" when not at a command
    std::string kind;      // "rc", "length", "compare", "hung", "crashed"
    std::string expected;  // as reported, e.g. "32 ERROR_SHARING_VIOLATION"
    std::string got;
    std::optional<unsigned long long> offset;  // a compare's first differing byte
    std::string known;                         // the reason, when the known-failures file lists it
};

enum class Status { Pass, Fail, Hung, Crashed, KnownFailure, UnexpectedPass, NotRun };

// The word of a status in the reports: "pass", "fail", "hung", "crashed",
// "known-failure", "unexpected-pass", "not-run".
const char* StatusWord(Status status);

// How the dravik process ended, as the runner saw it.
struct ProcessEnd {
    enum class How { Exited, Crashed, TimedOut } how = How::Exited;
    unsigned long code = 0;
    std::string detail;  // the crash's signal or exception
    unsigned timeoutSeconds = 0;
};

struct UnexpectedPass {
    long line = 0;  // 0: the whole script was listed
    std::string reason;
};

struct ScriptResult {
    Script script;
    Status status = Status::Pass;
    std::vector<nlohmann::json> records;
    std::vector<Failure> failures;
    std::vector<UnexpectedPass> unexpectedPasses;
    long checks = 0;         // lines that checked something
    std::string message;     // why a script hung, crashed or was not run
    std::string todo;        // the reason shown for a known failure or unexpected pass
    bool cutRecord = false;  // the results file ended inside a record
    long badRecords = 0;     // complete lines that were not records
    double seconds = 0;
    std::string keptFolder;  // with --keep: where the transcript and scratch folder are
};

// A field of a record: 0 or "" when it is missing or of another type.
unsigned long long Number(const nlohmann::json& record, const char* name);
std::string Text(const nlohmann::json& record, const char* name);

// Reads a results file: every complete line that is a JSON object is a record; a last
// line without its line end (the writer was killed) is left out and noted, and so are
// the zero bytes that a killed writer leaves behind its last record.
void ReadRecords(const std::string& file, ScriptResult& result);

// Takes the failures from the records and the verdict from them and the process end.
void Judge(const ProcessEnd& end, ScriptResult& result);

// Marks the failures that the known-failures entries list, notes listed checks that
// passed, and sets the status to known-failure or unexpected-pass where they apply.
void ApplyKnownFailures(const std::vector<KnownFailure>& entries, ScriptResult& result);

// True when the script counts against the run (exit status 1).
bool FailsTheRun(const ScriptResult& result);

}  // namespace runner
