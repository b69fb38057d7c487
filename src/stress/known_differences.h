// Differences between two builds that are known and accepted, in the form of the
// known-failures lists: one "SCRIPT[:LINE] reason" a line, "#" starts a comment.
// SCRIPT is the name dravik-stress gives a seed's script (stress-SEED.dvk) or "*" for
// every script; without LINE every line of it is meant.
#pragma once

#include <string>
#include <vector>

namespace stress {

class KnownDifferences {
public:
    bool load(const std::string& path, std::string& error);
    bool parse(const std::string& text, std::string& error);
    bool listed(const std::string& script, int line) const;

private:
    struct Entry {
        std::string script;
        int line = 0;  // 0: every line
    };
    std::vector<Entry> entries_;
};

}  // namespace stress
