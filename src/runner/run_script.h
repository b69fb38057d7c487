// Running one script in its own dravik process and folder.
#pragma once

#include <string>

#include "runner/script_result.h"

namespace runner {

struct RunSettings {
    std::string dravik;  // the program to run
    unsigned timeoutSeconds = 300;
    std::string dir;   // with --dir: the scratch folders are made below it
    std::string keep;  // with --keep: transcripts and scratch folders stay below it
};

// Runs the script with its scratch folder as the current directory and its results
// file named by DRAVIK_RESULTS, and judges the run. When dravik cannot be started,
// gives the reason in `startProblem`.
ScriptResult RunScript(const Script& script, const RunSettings& settings, std::string& startProblem);

}  // namespace runner
