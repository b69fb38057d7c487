#include "runner/reports.h"

namespace runner {

namespace {

// A description may not hold an unescaped "#" (it would start a directive).
std::string Description(const std::string& path) {
    std::string text;
    for (char c : path) {
        if (c == '#' || c == '\\') text += '\\';
        text += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return text;
}

// YAML: a JSON string is a valid double-quoted YAML scalar.
std::string Quoted(const std::string& text) { return JsonText(text); }

std::string FailureYaml(const Failure& f) {
    std::string yaml = "    - line: " + std::to_string(f.line) + "\n";
    yaml += "      command: " + Quoted(f.command) + "\n";
    yaml += "      kind: " + f.kind + "\n";
    if (f.offset) yaml += "      offset: " + std::to_string(*f.offset) + "\n";
    yaml += "      expected: " + Quoted(f.expected) + "\n";
    yaml += "      got: " + Quoted(f.got) + "\n";
    if (!f.known.empty()) yaml += "      known: " + Quoted(f.known) + "\n";
    return yaml;
}

}  // namespace

std::string TapHeader(std::size_t scripts) { return "TAP version 14\n1.." + std::to_string(scripts) + "\n"; }

std::string TapPoint(std::size_t number, const ScriptResult& result) {
    bool ok = result.status == Status::Pass || result.status == Status::UnexpectedPass;
    std::string point = (ok ? "ok " : "not ok ") + std::to_string(number) + " - " + Description(result.script.path);
    if (!result.todo.empty()) point += " # TODO " + Description(result.todo);
    point += "\n";
    if (result.failures.empty() && result.unexpectedPasses.empty() && result.message.empty()) return point;
    point += "  ---\n";
    point += "  status: " + std::string(StatusWord(result.status)) + "\n";
    if (!result.message.empty()) point += "  message: " + Quoted(result.message) + "\n";
    if (!result.failures.empty()) {
        point += "  failures:\n";
        for (const Failure& f : result.failures) point += FailureYaml(f);
    }
    if (!result.unexpectedPasses.empty()) {
        point += "  unexpected_passes:\n";
        for (const UnexpectedPass& u : result.unexpectedPasses)
            point += "    - line: " + std::to_string(u.line) + "\n      reason: " + Quoted(u.reason) + "\n";
    }
    point += "  ...\n";
    return point;
}

}  // namespace runner
