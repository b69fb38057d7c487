#include "stress/known_differences.h"

#include <fstream>
#include <sstream>

namespace stress {

bool KnownDifferences::load(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the known-differences file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parse(text.str(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool KnownDifferences::parse(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string first, reason;
        if (!(words >> first)) continue;
        std::getline(words, reason);
        if (reason.find_first_not_of(" \t") == std::string::npos) {
            error = "line " + std::to_string(number) + ": a reason must follow " + first;
            return false;
        }
        Entry e;
        auto colon = first.rfind(':');
        e.script = first.substr(0, colon);
        if (colon != std::string::npos) {
            std::string n = first.substr(colon + 1);
            if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos) {
                error = "line " + std::to_string(number) + ": bad line number in " + first;
                return false;
            }
            e.line = std::stoi(n);
        }
        entries_.push_back(e);
    }
    return true;
}

bool KnownDifferences::listed(const std::string& script, int line) const {
    for (auto& e : entries_)
        if ((e.script == "*" || e.script == script) && (e.line == 0 || e.line == line)) return true;
    return false;
}

}  // namespace stress
