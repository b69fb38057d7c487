// The reports of a run: TAP on standard output, JUnit XML, the JSON file and the
// timing table.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "runner/script_result.h"

namespace runner {

// "TAP version 14" and the plan.
std::string TapHeader(std::size_t scripts);

// One test point: "ok N - PATH" or "not ok N - PATH", a TODO directive for a known
// failure or an unexpected pass, and a YAML block with the failed checks.
std::string TapPoint(std::size_t number, const ScriptResult& result);

// One testsuite per script, one testcase per checked line (and one for a hang or a
// crash), failures with the same text as the TAP report.
std::string JunitReport(const std::vector<ScriptResult>& results);

// Text escaped for XML content and attribute values; characters that XML 1.0 cannot
// carry become "?".
std::string XmlEscape(std::string_view text);

// Wall time per command word over the whole run, in microseconds.
struct TimingRow {
    std::string command;
    std::size_t count = 0;
    std::uint64_t median = 0;  // nearest rank
    std::uint64_t p99 = 0;     // nearest rank
    std::uint64_t max = 0;
};
std::vector<TimingRow> Timing(const std::vector<ScriptResult>& results);

// The timing table as TAP comment lines.
std::string TimingTable(const std::vector<TimingRow>& rows);

// Every record of every script, each script's verdict, and the summary.
nlohmann::json JsonReport(const std::vector<ScriptResult>& results, int exitStatus);

// JSON text that stays valid whatever bytes the strings hold.
std::string JsonText(const nlohmann::json& value, int indent = -1);

}  // namespace runner
