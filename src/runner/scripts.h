// The scripts of a run: each path named on the command line, or every *.dvk below a
// folder named there, in sorted order.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace runner {

struct Script {
    std::string path;            // as reported: the folder as given joined with the relative path
    std::string key;             // as the known-failures file names it: relative to the folder
                                 // named, or the path as given for a single script
    std::filesystem::path file;  // absolute
};

// Collects the scripts of the arguments; on a path that does not exist or a folder
// without scripts gives false with the message in `problem`.
bool CollectScripts(const std::vector<std::string>& arguments, std::vector<Script>& scripts, std::string& problem);

// When the file holds bytes that no script has (a zero byte or another control
// character but TAB, LF, CR, FF and CTRL-Z), gives true with the first one's offset.
// Such a file is not run: its lines could name real file operations by chance.
bool FindBinaryByte(const std::filesystem::path& file, unsigned long long& offset, unsigned& value);

}  // namespace runner
