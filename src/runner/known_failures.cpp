#include "runner/known_failures.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace runner {

namespace {

std::string BadLine(const std::string& file, long number, const std::string& line) {
    return file + ":" + std::to_string(number) + ": not SCRIPT[:LINE] reason: " + line;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Splits "SCRIPT:LINE" when the part behind the last colon is a line number.
bool SplitLine(const std::string& word, KnownFailure& entry) {
    std::size_t colon = word.rfind(':');
    if (colon == std::string::npos || colon + 1 == word.size()) {
        entry.key = word;
        return true;
    }
    std::string digits = word.substr(colon + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos) {
        entry.key = word;
        return true;
    }
    if (digits.size() > 9 || std::stol(digits) == 0) return false;
    entry.key = word.substr(0, colon);
    entry.line = std::stol(digits);
    return !entry.key.empty();
}

}  // namespace

bool ParseKnownFailures(const std::string& text, const std::string& file, std::vector<KnownFailure>& entries,
                        std::string& problem) {
    std::istringstream in(text);
    std::string raw;
    for (long number = 1; std::getline(in, raw); ++number) {
        std::string line = Trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        std::size_t gap = line.find_first_of(" \t");
        KnownFailure entry;
        if (!SplitLine(line.substr(0, gap), entry)) {
            problem = BadLine(file, number, line);
            return false;
        }
        entry.reason = gap == std::string::npos ? "" : Trim(line.substr(gap));
        if (entry.reason.empty()) entry.reason = "known failure";
        entries.push_back(std::move(entry));
    }
    return true;
}

bool ReadKnownFailures(const std::string& file, std::vector<KnownFailure>& entries, std::string& problem) {
    std::ifstream in(file, std::ios::binary);
    std::string text;
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad() || std::filesystem::is_directory(file)) {
        problem = file + ": the known-failures file cannot be read";
        return false;
    }
    return ParseKnownFailures(text, file, entries, problem);
}

}  // namespace runner
