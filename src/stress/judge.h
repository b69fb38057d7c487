// The judge: the first line where a run departs from the model's prediction, and the
// first line where two builds' runs of one script differ.
//
// dravik itself checks every /RC=, /EXPECTED= and /VERIFY of a line; its results
// records carry those verdicts, read as dravik-run reads them. What dravik does not
// check (the dump of a range that holds zero bytes, a file size, a search group shown)
// the judge reads from the transcript.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "runner/script_result.h"
#include "stress/script.h"
#include "stress/transcript.h"

namespace stress {

struct Departure {
    int line = 0;  // 1-based input line
    std::string command;
    std::string expected, got;
    std::string detail;  // where in the data, for a compare; not part of the identity

    bool same(const Departure& other) const {
        return command == other.command && expected == other.expected && got == other.got;
    }
    std::string describe() const;
};

// results: the records of the run, judged (runner::Judge) with how dravik ended.
std::optional<Departure> judge(const Script& script, const TranscriptSeen& seen, const runner::ScriptResult& results);

// Every line where two runs of the same script differ, in order.
std::vector<Departure> compareAll(const Script& script, const TranscriptSeen& one, const TranscriptSeen& other);

}  // namespace stress
