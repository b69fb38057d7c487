#include "stress/judge.h"

#include <map>
#include <set>

namespace stress {

namespace {

// Shows a piece of dump text on one line.
std::string visible(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

// The data of a READ whose range holds zero bytes: its dump against the model's.
std::optional<Departure> judgeDump(const ScriptLine& line, const LineSeen& seen, Departure d) {
    const Expect& e = line.expect;
    for (std::size_t i = 0; i < e.reads.size(); ++i) {
        if (e.reads[i].verify) continue;
        std::string which = e.reads.size() > 1 ? "transfer " + std::to_string(i + 1) + ": " : "";
        if (i >= seen.reads.size() || seen.reads[i].bytes != e.reads[i].bytes) {
            d.expected = which + std::to_string(e.reads[i].bytes) + " bytes read";
            d.got =
                which + (i < seen.reads.size() ? std::to_string(seen.reads[i].bytes) + " bytes read" : "a failed read");
            return d;
        }
        const std::string& dump = e.reads[i].dump;
        std::string_view data = seen.text.substr(std::min(seen.reads[i].dataAt, seen.text.size()));
        std::size_t n = 0;
        while (n < dump.size() && n < data.size() && dump[n] == data[n]) ++n;
        if (n < dump.size()) {
            d.expected = which + "data as the dump of the model";
            d.got = which + (dump.compare(n, 2, "00") == 0 ? "other bytes where zero bytes belong"
                                                           : "other bytes where pattern bytes belong");
            d.detail = "dump character " + std::to_string(n) + ": expected \"" + visible(dump.substr(n, 16)) +
                       "\", got \"" + visible(data.substr(n, 16)) + "\"";
            return d;
        }
    }
    return std::nullopt;
}

// What the transcript shows and dravik does not check.
std::optional<Departure> judgeShown(const ScriptLine& line, const LineSeen& seen, Departure d) {
    const Expect& e = line.expect;
    if (e.read && e.rc == 0) return judgeDump(line, seen, d);
    if (e.groupShown && !seen.groupShown) {
        d.expected = "a group shown";
        d.got = "no group";
        return d;
    }
    if (e.size && seen.size != e.size) {
        d.expected = "size " + std::to_string(*e.size);
        d.got = seen.size ? "size " + std::to_string(*seen.size) : "no size";
        return d;
    }
    return std::nullopt;
}

Departure fromFailure(const runner::Failure& f, const std::string& message) {
    Departure d;
    d.line = static_cast<int>(f.line);
    d.command = f.command;
    if (f.kind == "hung" || f.kind == "crashed") {
        d.expected = "the line to run to its end";
        d.got = message;
        return d;
    }
    d.expected = f.expected;
    d.got = f.got;
    if (f.offset) d.detail = "file offset " + std::to_string(*f.offset);
    return d;
}

}  // namespace

std::string Departure::describe() const {
    std::string out = "line " + std::to_string(line) + ": " + command + ": expected " + expected + ", got " + got;
    if (!detail.empty()) out += " (" + detail + ")";
    return out;
}

std::optional<Departure> judge(const Script& script, const TranscriptSeen& seen, const runner::ScriptResult& results) {
    std::map<long, const runner::Failure*> failed;  // the first failure of each line
    for (const auto& f : results.failures) failed.emplace(f.line, &f);
    std::set<long> ended;
    for (const auto& record : results.records)
        if (runner::Text(record, "event") == "end") ended.insert(static_cast<long>(runner::Number(record, "line")));
    for (std::size_t k = 0; k < script.lines.size(); ++k) {
        int number = Script::lineNumber(k);
        if (auto f = failed.find(number); f != failed.end()) return fromFailure(*f->second, results.message);
        Departure d;
        d.line = number;
        d.command = std::string(cmdWord(script.lines[k].op.cmd));
        if (!ended.contains(number)) {
            d.expected = "the line to run to its end";
            d.got = results.message.empty() ? "no end record" : results.message;
            return d;
        }
        std::size_t at = k + 1;  // transcript line 0 is the header comment
        if (at >= seen.lines.size()) {
            d.expected = "the line in the transcript";
            d.got = "a transcript that ends before it";
            return d;
        }
        const Expect& e = script.lines[k].expect;
        bool shows = (e.read && e.rc == 0 && !e.reads.empty() && !e.reads.front().verify) || e.groupShown || e.size;
        if (shows)
            if (auto shown = judgeShown(script.lines[k], examine(seen.lines[at]), d)) return shown;
    }
    if (results.failures.empty()) return std::nullopt;
    Departure d = fromFailure(results.failures.front(), results.message);  // after the last command
    d.line = static_cast<int>(script.lines.size()) + 2;
    d.command = "end of input";
    d.expected = "normal termination";
    return d;
}

std::vector<Departure> compareAll(const Script& script, const TranscriptSeen& one, const TranscriptSeen& other) {
    std::vector<Departure> out;
    for (std::size_t k = 0; k < script.lines.size(); ++k) {
        std::size_t at = k + 1;
        std::string a = at < one.lines.size() ? summary(examine(one.lines[at])) : "nothing (dravik ended)";
        std::string b = at < other.lines.size() ? summary(examine(other.lines[at])) : "nothing (dravik ended)";
        if (a != b) {
            Departure d;
            d.line = Script::lineNumber(k);
            d.command = std::string(cmdWord(script.lines[k].op.cmd));
            d.expected = a;
            d.got = b;
            out.push_back(d);
        }
    }
    return out;
}

}  // namespace stress
