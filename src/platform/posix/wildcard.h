// Win32 wildcard matching of file names, as FindFirstFileA applies it: "*" matches any
// run of characters, "?" exactly one, letter case is ignored, and the patterns "*.*"
// and "*." match every name (there are no 8.3 short names to match on Linux).
#pragma once

#include <string>

namespace posix {

bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace posix
