// What the model predicts for one script line: its ReturnCode and everything else the
// line shows (bytes read and their data, a file size, a search group).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stress {

// One transfer of a READ line.
struct ReadExpect {
    std::uint32_t bytes = 0;
    bool verify = false;  // pattern bytes only: the line carries /VERIFY
    std::string dump;     // otherwise the dump that the data must give
};

struct Expect {
    std::uint32_t rc = 0;
    int rcLines = 1;                    // "the return code from the ..." lines the line prints
    bool read = false;                  // a READ: transfers are judged instead of rc lines
    int transfers = 0;                  // READ: transfers made (those that fail print nothing)
    std::vector<ReadExpect> reads;      // READ with rc 0: one per transfer
    std::optional<std::uint32_t> size;  // GETFILESIZE
    bool groupShown = false;            // FINDFIRST / FINDNEXT with rc 0
};

}  // namespace stress
