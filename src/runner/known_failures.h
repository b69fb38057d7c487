// The known-failures file: lines "SCRIPT[:LINE] reason"; "#" starts a comment. SCRIPT
// is a script's key (see Script); without LINE the entry covers every failure of the
// script.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace runner {

struct KnownFailure {
    std::string key;
    std::optional<long> line;
    std::string reason;
};

// Reads the file; on a file that cannot be read or a line that is not an entry gives
// false with the message in `problem`.
bool ReadKnownFailures(const std::string& file, std::vector<KnownFailure>& entries, std::string& problem);

// Reads entries from text; `file` names the source in messages.
bool ParseKnownFailures(const std::string& text, const std::string& file, std::vector<KnownFailure>& entries,
                        std::string& problem);

}  // namespace runner
