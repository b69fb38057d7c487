// Names on command lines: qualified against the default path and cut into their pieces.
#pragma once

#include <string>
#include <string_view>

#include "interpreter/constants.h"

struct PathParts {
    std::string qualifiedPath;  // the name as the system gets it
    std::string root;           // "D:" or "\\server"
    std::string directory;      // "\DIR\SUB\" (for a server root, "\SHARE\...")
    std::string fileName;       // the text behind the last backslash
};

// Qualifies the name (a name with a drive, or beginning with two backslashes or two
// slashes, is taken as it is; any other is appended to defaultPath, which ends with a
// backslash) and cuts it into root, directory and file name. Gives 0, or 666 when a
// piece is missing.
ReturnCode SplitPath(std::string_view name, const std::string& defaultPath, PathParts& parts);
