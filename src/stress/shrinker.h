// The shrinker: from a script that departs, a short one that departs the same way
// (same command word, same expected and actual result). It removes chunks of
// commands, asks the model again for every check of the shorter list, runs it, and
// keeps what still departs; then it simplifies the commands that remain.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "stress/judge.h"
#include "stress/script.h"

namespace stress {

using RunCheck = std::function<std::optional<Departure>(const Script&)>;

struct Shrunk {
    Script script;
    Departure departure;
    int removed = 0;  // commands removed from the script that departed first
    int runs = 0;
};

Shrunk shrink(const Script& failing, const Departure& departure, const ModelOptions& options, const RunCheck& run,
              int maxRuns);

}  // namespace stress
