#include <cstdio>
#include <map>

#include "runner/reports.h"

namespace runner {

namespace {

std::string FailureText(const Failure& f) {
    std::string text = "expected " + f.expected + ", got " + f.got;
    if (f.offset) text += " at offset " + std::to_string(*f.offset);
    return text;
}

std::string Attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + XmlEscape(value) + "\"";
}

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

struct Case {
    long line = 0;
    std::string command;
    double seconds = 0;
    std::vector<const Failure*> failures;
};

// The cases of a script: its checked lines in order, then a hang or crash that no
// checked line holds.
std::vector<Case> CasesOf(const ScriptResult& result) {
    std::vector<Case> cases;
    std::map<long, std::size_t> byLine;
    for (const nlohmann::json& record : result.records) {
        if (Text(record, "event") != "end") continue;
        std::string outcome = Text(record, "outcome");
        if (outcome != "pass" && outcome != "fail") continue;
        Case c;
        c.line = static_cast<long>(Number(record, "line"));
        c.command = Text(record, "command");
        c.seconds = static_cast<double>(Number(record, "us")) / 1e6;
        byLine.emplace(c.line, cases.size());
        cases.push_back(c);
    }
    for (const Failure& f : result.failures) {
        auto found = byLine.find(f.line);
        if (found == byLine.end() || f.kind == "hung" || f.kind == "crashed") {
            Case c;
            c.line = f.line;
            c.command = f.command;
            c.failures.push_back(&f);
            cases.push_back(c);
        } else {
            cases[found->second].failures.push_back(&f);
        }
    }
    return cases;
}

std::string CaseXml(const ScriptResult& result, const Case& c, int& failures, int& errors, int& skipped) {
    std::string name = c.line == 0 ? "script" : "line " + std::to_string(c.line) + " " + c.command;
    std::string xml = "    <testcase" + Attribute("classname", result.script.path) + Attribute("name", name) +
                      Attribute("time", Seconds(c.seconds));
    if (c.failures.empty()) return xml + "/>\n";
    xml += ">\n";
    std::string message;
    std::string known;
    bool error = false;
    for (const Failure* f : c.failures) {
        if (!message.empty()) message += "; ";
        message += f->kind + ": " + FailureText(*f);
        error = error || f->kind == "hung" || f->kind == "crashed";
        known = f->known;
    }
    if (!known.empty()) {
        ++skipped;
        xml += "      <skipped" + Attribute("message", "known failure: " + known + " (" + message + ")") + "/>\n";
    } else {
        ++(error ? errors : failures);
        const char* element = error ? "error" : "failure";
        xml += std::string("      <") + element + Attribute("message", message) +
               Attribute("type", c.failures.front()->kind) + ">" + XmlEscape(message) + "</" + element + ">\n";
    }
    return xml + "    </testcase>\n";
}

}  // namespace

std::string XmlEscape(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                bool allowed = static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r';
                escaped += allowed ? c : '?';
        }
    }
    return escaped;
}

std::string JunitReport(const std::vector<ScriptResult>& results) {
    std::string suites;
    for (const ScriptResult& result : results) {
        int failures = 0, errors = 0, skipped = 0;
        std::string cases;
        std::vector<Case> list = CasesOf(result);
        for (const Case& c : list) cases += CaseXml(result, c, failures, errors, skipped);
        if (result.status == Status::NotRun) {
            ++errors;
            cases += "    <testcase" + Attribute("classname", result.script.path) + Attribute("name", "script") +
                     ">\n      <error" + Attribute("message", result.message) + Attribute("type", "not-run") + ">" +
                     XmlEscape(result.message) + "</error>\n    </testcase>\n";
            list.emplace_back();
        }
        suites += "  <testsuite" + Attribute("name", result.script.path) +
                  Attribute("tests", std::to_string(list.size())) + Attribute("failures", std::to_string(failures)) +
                  Attribute("errors", std::to_string(errors)) + Attribute("skipped", std::to_string(skipped)) +
                  Attribute("time", Seconds(result.seconds)) + ">\n" + cases + "  </testsuite>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n" + suites + "</testsuites>\n";
}

}  // namespace runner
