#include "stress/transcript.h"

#include <charconv>

namespace stress {

namespace {

constexpr std::string_view Prompt = "Ready for the next command (press CTRL-Z to quit) ... \n>> ";
constexpr std::string_view RcText = "the return code from the ";
constexpr std::string_view BytesText = " bytes were read \n";
constexpr std::string_view ReadStart = "   ... doing the Read \n";

std::optional<std::uint32_t> numberAt(std::string_view text, std::size_t at) {
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() + at) return std::nullopt;
    return value;
}

void readLine(LineSeen& line) {
    std::string_view t = line.text;
    for (std::size_t at = t.find(RcText); at != std::string_view::npos; at = t.find(RcText, at + 1)) {
        std::size_t is = t.find(" is ", at);
        std::size_t eol = t.find('\n', at);
        if (is == std::string_view::npos || is > eol) continue;
        if (auto rc = numberAt(t, is + 4)) line.rcs.push_back(*rc);
    }
    // A system code of 666 or more is written this way instead, and dravik checks it not.
    constexpr std::string_view Unknown = "   ... Unknown RC ";
    for (std::size_t at = t.find(Unknown); at != std::string_view::npos; at = t.find(Unknown, at + 1))
        if (auto rc = numberAt(t, at + Unknown.size())) line.rcs.push_back(*rc);
    // Transfers of a READ: each begins with its doing line; data bytes of a dump
    // never hold that text (they print as text or as hexadecimal digits).
    std::size_t at = t.find(ReadStart);
    while (at != std::string_view::npos) {
        std::size_t next = t.find(ReadStart, at + ReadStart.size());
        std::string_view part = t.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at);
        std::size_t bytes = part.find(BytesText);
        if (bytes != std::string_view::npos) {
            std::size_t start = part.rfind("   ... ... ", bytes);
            ReadSeen r;
            if (start != std::string_view::npos) r.bytes = numberAt(part, start + 11).value_or(0);
            r.dataAt = at + bytes + BytesText.size();
            r.compareOk = part.find("   ... ... data compare OK ") != std::string_view::npos;
            r.compareFailed = part.find("   ... ... data compare failed!!! ") != std::string_view::npos;
            r.lengthWrong = part.find("   ... ... expected length != actual length !!! ") != std::string_view::npos;
            line.reads.push_back(r);
        }
        at = next;
    }
    if (std::size_t s = t.find("   ... ... size = "); s != std::string_view::npos) line.size = numberAt(t, s + 18);
    line.groupShown = t.find(" items were returned \n") != std::string_view::npos;
    line.banner = t.find("A RETURN CODE CHECK FAILED") != std::string_view::npos;
    for (std::string_view m : {"   ... Syntax Error ", "   ... Invalid Handle ", "   ... Handle In Use "})
        if (t.find(m) != std::string_view::npos) line.parseMessage = std::string(m.substr(7));
}

}  // namespace

TranscriptSeen readTranscript(std::string_view text) {
    TranscriptSeen seen;
    std::size_t at = text.find(Prompt);
    while (at != std::string_view::npos) {
        std::size_t begin = at + Prompt.size();
        std::size_t next = text.find(Prompt, begin);
        seen.lines.push_back(
            text.substr(begin, next == std::string_view::npos ? std::string_view::npos : next - begin));
        at = next;
    }
    seen.ended = text.rfind("\n normal termination \n") != std::string_view::npos;
    // The prompt that end of input answers belongs to no line.
    if (!seen.lines.empty() && seen.lines.back().starts_with("\n normal termination ")) seen.lines.pop_back();
    return seen;
}

LineSeen examine(std::string_view text) {
    LineSeen line;
    line.text = text;
    readLine(line);
    return line;
}

std::string summary(const LineSeen& line) {
    std::string out;
    for (auto rc : line.rcs) out += "rc " + std::to_string(rc) + "; ";
    for (auto& r : line.reads) {
        out += "read " + std::to_string(r.bytes);
        std::string_view data = line.text.substr(r.dataAt);
        // The data ends at the next message or at the next prompt, which names the
        // scratch folder and so differs between two runs.
        std::size_t end = std::min(data.find("\n   ... "), data.find("\ndefault drive/path is "));
        std::size_t hash =
            std::hash<std::string_view>{}(data.substr(0, end == std::string_view::npos ? data.size() : end));
        out += " data " + std::to_string(hash % 1000000);
        if (r.compareOk) out += " compare OK";
        if (r.compareFailed) out += " compare failed";
        if (r.lengthWrong) out += " length wrong";
        out += "; ";
    }
    if (line.size) out += "size " + std::to_string(*line.size) + "; ";
    if (line.groupShown) out += "group shown; ";
    if (line.banner) out += "check failed; ";
    if (!line.parseMessage.empty()) out += line.parseMessage;
    return out;
}

}  // namespace stress
