// The judge: the first line where a transcript departs from the model's prediction,
// and the first line where two builds' transcripts of one script differ.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

// end: how dravik ended, for a transcript that stops early ("exit status 0", "signal 11").
std::optional<Departure> judge(const Script& script, const TranscriptSeen& seen, const std::string& end);

// Every line where two transcripts of the same script differ, in order.
std::vector<Departure> compareAll(const Script& script, const TranscriptSeen& one, const TranscriptSeen& other);

}  // namespace stress
