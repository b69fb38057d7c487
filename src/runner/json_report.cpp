#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "runner/reports.h"

namespace runner {

using nlohmann::json;

namespace {

json FailureJson(const Failure& f) {
    json entry = {{"line", f.line}, {"command", f.command}, {"kind", f.kind}, {"expected", f.expected}, {"got", f.got}};
    if (f.offset) entry["offset"] = *f.offset;
    if (!f.known.empty()) entry["known"] = f.known;
    return entry;
}

json ScriptJson(const ScriptResult& result) {
    json script = {{"path", result.script.path}, {"key", result.script.key},  {"status", StatusWord(result.status)},
                   {"checks", result.checks},    {"seconds", result.seconds}, {"failures", json::array()},
                   {"records", result.records}};
    for (const Failure& f : result.failures) script["failures"].push_back(FailureJson(f));
    if (!result.unexpectedPasses.empty()) {
        script["unexpected_passes"] = json::array();
        for (const UnexpectedPass& u : result.unexpectedPasses)
            script["unexpected_passes"].push_back({{"line", u.line}, {"reason", u.reason}});
    }
    if (!result.message.empty()) script["message"] = result.message;
    if (result.cutRecord) script["cut_record"] = true;
    if (result.badRecords > 0) script["bad_records"] = result.badRecords;
    if (!result.keptFolder.empty()) script["kept"] = result.keptFolder;
    return script;
}

std::uint64_t NearestRank(const std::vector<std::uint64_t>& sorted, double share) {
    auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

}  // namespace

std::string JsonText(const json& value, int indent) {
    return value.dump(indent, ' ', false, json::error_handler_t::replace);
}

std::vector<TimingRow> Timing(const std::vector<ScriptResult>& results) {
    std::map<std::string, std::vector<std::uint64_t>> times;
    for (const ScriptResult& result : results) {
        for (const json& record : result.records) {
            if (Text(record, "event") == "end") times[Text(record, "command")].push_back(Number(record, "us"));
        }
    }
    std::vector<TimingRow> rows;
    for (auto& [command, us] : times) {
        std::sort(us.begin(), us.end());
        rows.push_back(TimingRow{command, us.size(), NearestRank(us, 0.5), NearestRank(us, 0.99), us.back()});
    }
    return rows;
}

std::string TimingTable(const std::vector<TimingRow>& rows) {
    char line[128];
    std::snprintf(line, sizeof line, "# %-16s %10s %12s %12s %12s\n", "command", "count", "median us", "p99 us",
                  "max us");
    std::string table = line;
    for (const TimingRow& row : rows) {
        std::snprintf(line, sizeof line, "# %-16s %10zu %12llu %12llu %12llu\n", row.command.c_str(), row.count,
                      static_cast<unsigned long long>(row.median), static_cast<unsigned long long>(row.p99),
                      static_cast<unsigned long long>(row.max));
        table += line;
    }
    return table;
}

json JsonReport(const std::vector<ScriptResult>& results, int exitStatus) {
    json scripts = json::array();
    std::map<std::string, long> statuses;
    long checks = 0, failedChecks = 0;
    double seconds = 0;
    for (const ScriptResult& result : results) {
        scripts.push_back(ScriptJson(result));
        ++statuses[StatusWord(result.status)];
        checks += result.checks;
        failedChecks += static_cast<long>(result.failures.size());
        seconds += result.seconds;
    }
    json timing = json::object();
    for (const TimingRow& row : Timing(results))
        timing[row.command] = {
            {"count", row.count}, {"median_us", row.median}, {"p99_us", row.p99}, {"max_us", row.max}};
    json summary = {{"scripts", results.size()}, {"checks", checks},          {"failures", failedChecks},
                    {"seconds", seconds},        {"exit_status", exitStatus}, {"timing", timing}};
    for (Status s : {Status::Pass, Status::Fail, Status::Hung, Status::Crashed, Status::KnownFailure,
                     Status::UnexpectedPass, Status::NotRun})
        summary[StatusWord(s)] = statuses[StatusWord(s)];
    return {{"scripts", scripts}, {"summary", summary}};
}

}  // namespace runner
