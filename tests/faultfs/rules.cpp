#include "rules.h"

#include <fnmatch.h>

#include <array>
#include <cerrno>
#include <sstream>
#include <utility>

namespace faultfs {

namespace {

constexpr std::array<std::pair<std::string_view, Fault>, 13> kFaults{{
    {"read", Fault::Read},
    {"write", Fault::Write},
    {"fsync", Fault::Fsync},
    {"flush", Fault::Flush},
    {"readdir", Fault::Readdir},
    {"pagein", Fault::Pagein},
    {"stale", Fault::Stale},
    {"drop", Fault::Drop},
    {"keepold", Fault::KeepOld},
    {"unlink", Fault::Unlink},
    {"busy", Fault::Busy},
    {"stat", Fault::Stat},
    {"poison", Fault::Poison},
}};

constexpr std::array<std::pair<std::string_view, int>, 11> kErrors{{
    {"EIO", EIO},
    {"ENOSPC", ENOSPC},
    {"EDQUOT", EDQUOT},
    {"ENOTCONN", ENOTCONN},
    {"ESTALE", ESTALE},
    {"ETIMEDOUT", ETIMEDOUT},
    {"ECONNRESET", ECONNRESET},
    {"EBUSY", EBUSY},
    {"ENXIO", ENXIO},
    {"EACCES", EACCES},
    {"EROFS", EROFS},
}};

template <typename Value, std::size_t N>
std::optional<Value> Lookup(const std::array<std::pair<std::string_view, Value>, N>& table, std::string_view word) {
    for (const auto& [name, value] : table)
        if (name == word) return value;
    return std::nullopt;
}

std::string_view LastComponent(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::optional<std::vector<Rule>> ParseRules(std::string_view text, std::string& problem) {
    std::vector<Rule> rules;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string faultWord, glob, errorWord, extra;
        if (!(words >> faultWord) || faultWord[0] == '#') continue;
        std::optional<Fault> fault = Lookup(kFaults, faultWord);
        std::optional<int> error = EIO;
        if (words >> glob && words >> errorWord) error = Lookup(kErrors, errorWord);
        if (!fault || glob.empty() || !error || words >> extra) {
            problem = "line " + std::to_string(number) + ": not a rule: " + line;
            return std::nullopt;
        }
        rules.push_back({*fault, glob, *error});
    }
    return rules;
}

const Rule* Find(const std::vector<Rule>& rules, Fault fault, std::string_view path) {
    std::string name(LastComponent(path));
    for (const Rule& rule : rules)
        if (rule.fault == fault && fnmatch(rule.glob.c_str(), name.c_str(), 0) == 0) return &rule;
    return nullptr;
}

bool NeedsDirectIo(const std::vector<Rule>& rules, std::string_view path) {
    for (Fault fault : {Fault::Read, Fault::Write, Fault::Stale, Fault::Drop})
        if (Find(rules, fault, path) != nullptr) return true;
    return false;
}

}  // namespace faultfs
