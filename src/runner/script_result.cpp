#include "runner/script_result.h"

#include <fstream>
#include <iterator>

#include "runner/error_names.h"

namespace runner {

using nlohmann::json;

unsigned long long Number(const json& record, const char* name) {
    auto field = record.find(name);
    if (field == record.end() || !field->is_number_integer() || field->get<long long>() < 0) return 0;
    return field->get<unsigned long long>();
}

std::string Text(const json& record, const char* name) {
    auto field = record.find(name);
    return field != record.end() && field->is_string() ? field->get<std::string>() : "";
}

namespace {

void AddFailures(const json& end, std::vector<Failure>& failures) {
    Failure base;
    base.line = static_cast<long>(Number(end, "line"));
    base.command = Text(end, "command");
    std::size_t before = failures.size();
    if (end.contains("expected_rc") && Number(end, "expected_rc") != Number(end, "rc")) {
        Failure f = base;
        f.kind = "rc";
        f.expected = CodeText(Number(end, "expected_rc"));
        f.got = CodeText(Number(end, "rc"));
        failures.push_back(f);
    }
    auto length = end.find("length");
    if (length != end.end() && length->is_object() && Number(*length, "expected") != Number(*length, "actual")) {
        Failure f = base;
        f.kind = "length";
        f.expected = std::to_string(Number(*length, "expected")) + " bytes read";
        f.got = std::to_string(Number(*length, "actual")) + " bytes read";
        failures.push_back(f);
    }
    auto compare = end.find("compare");
    if (compare != end.end() && compare->is_object()) {
        Failure f = base;
        f.kind = "compare";
        f.offset = Number(*compare, "offset");
        f.expected = Text(*compare, "expected");
        f.got = Text(*compare, "actual");
        failures.push_back(f);
    }
    if (failures.size() == before) {
        Failure f = base;
        f.kind = "check";
        f.expected = "pass";
        f.got = "fail";
        failures.push_back(f);
    }
}

std::string Place(const Failure& f) {
    return f.line == 0 ? std::string("outside any command")
                       : "at line " + std::to_string(f.line) + " (" + f.command + ")";
}

}  // namespace

const char* StatusWord(Status status) {
    switch (status) {
        case Status::Pass:
            return "pass";
        case Status::Fail:
            return "fail";
        case Status::Hung:
            return "hung";
        case Status::Crashed:
            return "crashed";
        case Status::KnownFailure:
            return "known-failure";
        case Status::UnexpectedPass:
            return "unexpected-pass";
        case Status::NotRun:
            return "not-run";
    }
    return "";
}

void ReadRecords(const std::string& file, ScriptResult& result) {
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A killed dravik leaves the file grown in steps: zero bytes behind its last record.
    text.erase(text.find_last_not_of('\0') + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            result.cutRecord = true;
            break;
        }
        json record =
            json::parse(text.begin() + static_cast<long>(start), text.begin() + static_cast<long>(end), nullptr, false);
        if (record.is_object()) {
            result.records.push_back(std::move(record));
        } else {
            ++result.badRecords;
        }
        start = end + 1;
    }
}

void Judge(const ProcessEnd& end, ScriptResult& result) {
    Failure inFlight;  // the command whose start has no end yet
    bool sawExit = false;
    for (const json& record : result.records) {
        std::string event = Text(record, "event");
        if (event == "start") {
            inFlight.line = static_cast<long>(Number(record, "line"));
            inFlight.command = Text(record, "command");
        } else if (event == "end") {
            inFlight = Failure();
            std::string outcome = Text(record, "outcome");
            if (outcome == "pass" || outcome == "fail") ++result.checks;
            if (outcome == "fail") AddFailures(record, result.failures);
        } else if (event == "exit") {
            sawExit = true;
        }
    }
    std::string cut = result.cutRecord ? "; the results file ends inside a record" : "";
    if (end.how == ProcessEnd::How::TimedOut) {
        inFlight.kind = "hung";
        inFlight.expected = "an end within " + std::to_string(end.timeoutSeconds) + " s";
        inFlight.got = "killed after " + std::to_string(end.timeoutSeconds) + " s";
        result.message = "hung " + Place(inFlight) + ": " + inFlight.got + cut;
        result.status = Status::Hung;
    } else if (end.how == ProcessEnd::How::Crashed || end.code != 0 || !sawExit) {
        inFlight.kind = "crashed";
        inFlight.expected = "normal termination";
        inFlight.got = end.how == ProcessEnd::How::Crashed ? "died of " + end.detail
                       : end.code != 0                     ? "exit status " + std::to_string(end.code)
                                                           : std::string("ended without its exit record");
        result.message = "crashed " + Place(inFlight) + ": " + inFlight.got + cut;
        result.status = Status::Crashed;
    } else {
        result.status = result.failures.empty() ? Status::Pass : Status::Fail;
        return;
    }
    result.failures.push_back(inFlight);
}

void ApplyKnownFailures(const std::vector<KnownFailure>& entries, ScriptResult& result) {
    bool anyListed = false;
    for (const KnownFailure& entry : entries) {
        if (entry.key != result.script.key) continue;
        anyListed = true;
        bool matched = false;
        for (Failure& f : result.failures) {
            if (entry.line && *entry.line != f.line) continue;
            if (f.known.empty()) f.known = entry.reason;
            matched = true;
        }
        if (!matched) result.unexpectedPasses.push_back(UnexpectedPass{entry.line.value_or(0), entry.reason});
    }
    if (!anyListed || result.status == Status::NotRun) return;
    bool allKnown = !result.failures.empty();
    for (const Failure& f : result.failures) allKnown = allKnown && !f.known.empty();
    if (allKnown) {
        result.status = Status::KnownFailure;
        result.todo = result.failures.front().known;
    } else if (result.failures.empty() && !result.unexpectedPasses.empty()) {
        result.status = Status::UnexpectedPass;
        result.todo = "unexpected pass: " + result.unexpectedPasses.front().reason;
    }
}

bool FailsTheRun(const ScriptResult& result) {
    return result.status == Status::Fail || result.status == Status::Hung || result.status == Status::Crashed ||
           result.status == Status::NotRun;
}

}  // namespace runner
