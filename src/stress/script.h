// A generated script: its lines as dravik reads them, each with the model's
// prediction. derive() asks a fresh model for every command of a list, so a list that
// the shrinker shortened gets the expectations its own history gives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "stress/expect.h"
#include "stress/model.h"
#include "stress/ops.h"

namespace stress {

// Bumped whenever the same seed would give another script.
constexpr int GeneratorVersion = 1;

struct ScriptLine {
    Op op;
    Expect expect;
    std::string text;  // the command line, with its checks
};

struct Script {
    std::string header;             // the comment on line 1
    std::vector<ScriptLine> lines;  // line k + 2 of the script

    std::string text() const;
    // The 1-based input line of lines[k].
    static int lineNumber(std::size_t k) { return static_cast<int>(k) + 2; }
};

// The command line of an op with the checks of its prediction.
std::string render(const Op& op, const Expect& expect);

// Predicts every op again from an empty folder; ops the model does not take are dropped.
Script derive(const std::vector<Op>& ops, const ModelOptions& options, const std::string& header);

}  // namespace stress
