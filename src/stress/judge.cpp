#include "stress/judge.h"

namespace stress {

namespace {

std::string rcText(std::uint32_t rc) { return "rc " + std::to_string(rc); }

std::string rcsText(const std::vector<std::uint32_t>& rcs) {
    if (rcs.empty()) return "no return-code line";
    std::string out;
    for (auto rc : rcs) out += (out.empty() ? "" : ", ") + rcText(rc);
    return out;
}

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

std::optional<Departure> judgeRead(const ScriptLine& line, const LineSeen& seen, Departure d) {
    const Expect& e = line.expect;
    if (e.rc != 0) {
        if (!seen.reads.empty()) {
            d.expected = rcText(e.rc);
            d.got = "rc 0 (" + std::to_string(seen.reads.front().bytes) + " bytes read)";
            return d;
        }
        if (seen.banner) {
            d.expected = rcText(e.rc);
            d.got = "another code";
            return d;
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < e.reads.size(); ++i) {
        std::string which = e.reads.size() > 1 ? "transfer " + std::to_string(i + 1) + ": " : "";
        if (i >= seen.reads.size()) {
            d.expected = which + std::to_string(e.reads[i].bytes) + " bytes read";
            d.got = which + "a failed read";
            return d;
        }
        const ReadSeen& r = seen.reads[i];
        if (r.bytes != e.reads[i].bytes) {
            d.expected = which + std::to_string(e.reads[i].bytes) + " bytes read";
            d.got = which + std::to_string(r.bytes) + " bytes read";
            return d;
        }
        if (e.reads[i].verify) {
            if (r.bytes > 0 && (!r.compareOk || r.compareFailed)) {
                d.expected = which + "data compare OK";
                d.got = which + "data compare failed";
                return d;
            }
            continue;
        }
        const std::string& dump = e.reads[i].dump;
        std::string_view data = seen.text.substr(std::min(r.dataAt, seen.text.size()));
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
    if (seen.reads.size() > e.reads.size()) {
        d.expected = std::to_string(e.reads.size()) + " transfers";
        d.got = std::to_string(seen.reads.size()) + " transfers";
        return d;
    }
    return std::nullopt;
}

std::optional<Departure> judgeLine(const ScriptLine& line, const LineSeen& seen, int number) {
    Departure d;
    d.line = number;
    d.command = std::string(cmdWord(line.op.cmd));
    const Expect& e = line.expect;
    if (!seen.parseMessage.empty()) {
        d.expected = rcText(e.rc);
        d.got = seen.parseMessage;
        return d;
    }
    if (e.read) return judgeRead(line, seen, d);
    bool rcsRight = static_cast<int>(seen.rcs.size()) == e.rcLines;
    for (auto rc : seen.rcs) rcsRight = rcsRight && rc == e.rc;
    if (e.rcLines == 0 && e.groupShown && !seen.groupShown) rcsRight = false;
    if (!rcsRight) {
        d.expected = e.rcLines == 0 ? rcText(e.rc) + (e.groupShown ? " (a group shown)" : "") : rcText(e.rc);
        d.got = rcsText(seen.rcs);
        return d;
    }
    if (e.size && seen.size != e.size) {
        d.expected = "size " + std::to_string(*e.size);
        d.got = seen.size ? "size " + std::to_string(*seen.size) : "no size";
        return d;
    }
    return std::nullopt;
}

}  // namespace

std::string Departure::describe() const {
    std::string out = "line " + std::to_string(line) + ": " + command + ": expected " + expected + ", got " + got;
    if (!detail.empty()) out += " (" + detail + ")";
    return out;
}

std::optional<Departure> judge(const Script& script, const TranscriptSeen& seen, const std::string& end) {
    for (std::size_t k = 0; k < script.lines.size(); ++k) {
        std::size_t at = k + 1;  // transcript line 0 is the header comment
        if (at >= seen.lines.size() || (at + 1 == seen.lines.size() && !seen.ended)) {
            Departure d;
            d.line = Script::lineNumber(k);
            d.command = std::string(cmdWord(script.lines[k].op.cmd));
            d.expected = "the line to run to its end";
            d.got = "dravik ended (" + end + ")";
            return d;
        }
        if (auto d = judgeLine(script.lines[k], seen.lines[at], Script::lineNumber(k))) return d;
    }
    if (!seen.ended) {
        Departure d;
        d.line = static_cast<int>(script.lines.size()) + 1;
        d.command = "end of input";
        d.expected = "normal termination";
        d.got = "dravik ended (" + end + ")";
        return d;
    }
    return std::nullopt;
}

std::vector<Departure> compareAll(const Script& script, const TranscriptSeen& one, const TranscriptSeen& other) {
    std::vector<Departure> out;
    for (std::size_t k = 0; k < script.lines.size(); ++k) {
        std::size_t at = k + 1;
        std::string a = at < one.lines.size() ? summary(one.lines[at]) : "nothing (dravik ended)";
        std::string b = at < other.lines.size() ? summary(other.lines[at]) : "nothing (dravik ended)";
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
