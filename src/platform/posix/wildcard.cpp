#include "platform/posix/wildcard.h"

#include <cctype>

namespace posix {
namespace {

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// "*" and "?" matching, with one backtracking point for the last "*".
bool Matches(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    // A trailing "." asks for nothing more than the name before it ("*." is "*").
    if (pattern.size() > 1 && pattern.back() == '.' && pattern.find_first_not_of('.') != std::string::npos)
        return MatchesWildcard(pattern.substr(0, pattern.size() - 1), name);
    if (Matches(pattern, name)) return true;
    // A trailing ".*" also matches a name without an extension ("*.*" is "*").
    return pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
           Matches(pattern.substr(0, pattern.size() - 2), name);
}

}  // namespace posix
