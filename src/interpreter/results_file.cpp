#include "interpreter/results_file.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The records have a fixed shape: numbers, command words (upper-case ASCII) and hex
// digits, none of which needs escaping. They are formatted here without allocation,
// as they are written on the per-command path. A record is one object; each field
// after the first of an object is preceded by a comma.
class Record {
public:
    Record() { put('{'); }
    void field(std::string_view name, std::uint64_t value) {
        key(name);
        if (size_ + 24 > sizeof buffer_) return;
        size_ = static_cast<std::size_t>(std::to_chars(buffer_ + size_, buffer_ + sizeof buffer_, value).ptr - buffer_);
    }
    void field(std::string_view name, std::string_view value) {
        key(name);
        put('"');
        text(value);
        put('"');
    }
    // The bytes as two-digit hex numbers separated by blanks, in one string.
    void hexField(std::string_view name, const std::vector<unsigned char>& bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        key(name);
        put('"');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0) put(' ');
            put(kDigits[bytes[i] >> 4]);
            put(kDigits[bytes[i] & 15]);
        }
        put('"');
    }
    // A field whose value is an object: its fields follow, up to endObject.
    void beginObject(std::string_view name) {
        key(name);
        put('{');
    }
    void endObject() { put('}'); }
    void writeTo(platform::AppendLog& log) {
        put('}');
        put('\n');
        log.append(buffer_, size_);
    }

private:
    void key(std::string_view name) {
        if (buffer_[size_ - 1] != '{') put(',');
        put('"');
        text(name);
        text("\":");
    }
    void text(std::string_view s) {
        if (size_ + s.size() > sizeof buffer_) return;
        std::memcpy(buffer_ + size_, s.data(), s.size());
        size_ += s.size();
    }
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
    r.field("event", event);
    r.field("line", line);
    r.field("command", command);
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
    r.writeTo(*log_);
    startedAt_ = Microseconds();
}

void ResultsFile::commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) {
    std::uint64_t us = Microseconds() - startedAt_;
    Record r;
    CommandFields(r, "end", command, line);
    r.field("rc", verdict.rc);
    if (verdict.expectedRc) r.field("expected_rc", *verdict.expectedRc);
    r.field("outcome", OutcomeWord(verdict.outcome));
    r.field("us", us);
    if (verdict.length) {
        r.beginObject("length");
        r.field("expected", verdict.length->expected);
        r.field("actual", verdict.length->actual);
        r.endObject();
    }
    if (verdict.compare) {
        r.beginObject("compare");
        r.field("offset", verdict.compare->offset);
        r.hexField("expected", verdict.compare->expected);
        r.hexField("actual", verdict.compare->actual);
        r.endObject();
    }
    r.writeTo(*log_);
}

void ResultsFile::runEnded() {
    Record r;
    r.field("event", "exit");
    r.writeTo(*log_);
}
