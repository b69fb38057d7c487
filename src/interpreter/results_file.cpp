#include "interpreter/results_file.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The records have a fixed shape: numbers, command words (upper-case ASCII) and hex
// digits, none of which needs escaping. They are formatted here without allocation,
// as they are written on the per-command path.
class Record {
public:
    void text(std::string_view s) {
        if (size_ + s.size() > sizeof buffer_) return;
        std::memcpy(buffer_ + size_, s.data(), s.size());
        size_ += s.size();
    }
    void number(std::uint64_t value) {
        if (size_ + 24 > sizeof buffer_) return;
        size_ = static_cast<std::size_t>(std::to_chars(buffer_ + size_, buffer_ + sizeof buffer_, value).ptr - buffer_);
    }
    void field(std::string_view name, std::uint64_t value) {
        text(",\"");
        text(name);
        text("\":");
        number(value);
    }
    void hex(const std::vector<unsigned char>& bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        put('"');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0) put(' ');
            put(kDigits[bytes[i] >> 4]);
            put(kDigits[bytes[i] & 15]);
        }
        put('"');
    }
    void writeTo(platform::AppendLog& log) {
        put('\n');
        log.append(buffer_, size_);
    }

private:
    void put(char c) {
        if (size_ < sizeof buffer_) buffer_[size_++] = c;
    }
    char buffer_[512];
    std::size_t size_ = 0;
};

std::uint64_t Microseconds() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void CommandFields(Record& r, std::string_view event, std::string_view command, std::size_t line) {
    r.text("{\"event\":\"");
    r.text(event);
    r.text("\"");
    r.field("line", line);
    r.text(",\"command\":\"");
    r.text(command);
    r.text("\"");
}

constexpr std::string_view OutcomeWord(Outcome outcome) {
    return outcome == Outcome::Pass ? "pass" : outcome == Outcome::Fail ? "fail" : "none";
}

}  // namespace

std::unique_ptr<ResultsFile> ResultsFile::FromEnvironment() {
    const char* path = std::getenv("DRAVIK_RESULTS");
    if (path == nullptr || *path == '\0') return nullptr;
    std::unique_ptr<platform::AppendLog> log = platform::AppendLog::Open(path);
    if (!log) {
        std::fprintf(stderr, "dravik: the results file %s cannot be opened\n", path);
        return nullptr;
    }
    return std::make_unique<ResultsFile>(std::move(log));
}

void ResultsFile::commandStarted(std::string_view command, std::size_t line) {
    Record r;
    CommandFields(r, "start", command, line);
    r.text("}");
    r.writeTo(*log_);
    startedAt_ = Microseconds();
}

void ResultsFile::commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) {
    std::uint64_t us = Microseconds() - startedAt_;
    Record r;
    CommandFields(r, "end", command, line);
    r.field("rc", verdict.rc);
    if (verdict.expectedRc) r.field("expected_rc", *verdict.expectedRc);
    r.text(",\"outcome\":\"");
    r.text(OutcomeWord(verdict.outcome));
    r.text("\"");
    r.field("us", us);
    if (verdict.length) {
        r.text(",\"length\":{\"expected\":");
        r.number(verdict.length->expected);
        r.text(",\"actual\":");
        r.number(verdict.length->actual);
        r.text("}");
    }
    if (verdict.compare) {
        r.text(",\"compare\":{\"offset\":");
        r.number(verdict.compare->offset);
        r.text(",\"expected\":");
        r.hex(verdict.compare->expected);
        r.text(",\"actual\":");
        r.hex(verdict.compare->actual);
        r.text("}");
    }
    r.text("}");
    r.writeTo(*log_);
}

void ResultsFile::runEnded() {
    Record r;
    r.text("{\"event\":\"exit\"}");
    r.writeTo(*log_);
}
