#include "runner/scripts.h"

#include <algorithm>
#include <fstream>

namespace runner {

namespace fs = std::filesystem;

namespace {

bool IsScriptFile(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error) && entry.path().extension() == ".dvk";
}

bool CollectFolder(const std::string& argument, std::vector<Script>& scripts, std::string& problem) {
    std::vector<fs::path> found;
    std::error_code error;
    fs::recursive_directory_iterator walk(argument, fs::directory_options::skip_permission_denied, error);
    for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
        if (IsScriptFile(*walk)) found.push_back(fs::relative(walk->path(), argument, error));
    }
    if (error) {
        problem = argument + ": " + error.message();
        return false;
    }
    if (found.empty()) {
        problem = argument + ": no *.dvk scripts in this folder";
        return false;
    }
    std::sort(found.begin(), found.end(),
              [](const fs::path& a, const fs::path& b) { return a.generic_string() < b.generic_string(); });
    for (const fs::path& relative : found) {
        Script script;
        script.key = relative.generic_string();
        script.path = (fs::path(argument) / relative).generic_string();
        script.file = fs::absolute(fs::path(argument) / relative);
        scripts.push_back(script);
    }
    return true;
}

}  // namespace

bool CollectScripts(const std::vector<std::string>& arguments, std::vector<Script>& scripts, std::string& problem) {
    for (const std::string& argument : arguments) {
        std::error_code error;
        fs::file_status status = fs::status(argument, error);
        if (!fs::exists(status)) {
            problem = argument + ": no such script or folder";
            return false;
        }
        if (fs::is_directory(status)) {
            if (!CollectFolder(argument, scripts, problem)) return false;
        } else {
            scripts.push_back(Script{argument, argument, fs::absolute(argument)});
        }
    }
    return true;
}

bool FindBinaryByte(const fs::path& file, unsigned long long& offset, unsigned& value) {
    std::ifstream in(file, std::ios::binary);
    char buffer[1 << 16];
    offset = 0;
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        std::streamsize got = in.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            auto c = static_cast<unsigned char>(buffer[i]);
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) {
                offset += static_cast<unsigned long long>(i);
                value = c;
                return true;
            }
        }
        offset += static_cast<unsigned long long>(got);
    }
    return false;
}

}  // namespace runner
