// The generator: from a seed, a list of commands over a few files, folders and slots,
// each one a command the model can predict in the state that the ones before it leave.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "stress/model.h"
#include "stress/ops.h"
#include "stress/script.h"

namespace stress {

struct GeneratorOptions {
    std::uint64_t seed = 1;
    int ops = 200;
    int files = 4;
    ModelOptions model;
    std::array<int, CmdCount> weights = defaultWeights();

    static std::array<int, CmdCount> defaultWeights();
};

// Reads "read=4,write=4,map=0" into the weights; false with a message for a bad item.
bool parseMix(const std::string& mix, std::array<int, CmdCount>& weights, std::string& error);

std::vector<Op> generate(const GeneratorOptions& options);

// The first line of a script: the generator's version and everything that made it.
std::string scriptHeader(const GeneratorOptions& options);

}  // namespace stress
