#include "interpreter/results_file.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The records have a fixed shape: numbers, command words (upper-case ASCII) and hex
// digits, none of which needs escaping. They are written on the per-command path, so
// a record is put together straight in the log's room from literal pieces of known
// size (each a few moves once inlined) and bounded values; the room holds the largest
// record, so no piece needs a check of its own.
class Record {
public:
    // The end record with every field at its largest is about 450 bytes.
    static constexpr std::size_t kRoom = 512;

    explicit Record(char* room) : start_(room), end_(room) {}
    template <std::size_t N>
    Record& operator<<(const char (&piece)[N]) {
        std::memcpy(end_, piece, N - 1);
        end_ += N - 1;
        return *this;
    }
    Record& number(std::uint64_t value) {
        end_ = std::to_chars(end_, end_ + kNumberRoom, value).ptr;
        return *this;
    }
    Record& text(std::string_view text) {
        std::memcpy(end_, text.data(), text.size());
        end_ += text.size();
        return *this;
    }
    Record& word(std::string_view word) { return text(word.substr(0, kWordRoom)); }
    // The bytes as two-digit hex numbers separated by blanks.
    Record& hex(const std::vector<unsigned char>& bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::size_t count = std::min(bytes.size(), kHexRoom);
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) *end_++ = ' ';
            *end_++ = kDigits[bytes[i] >> 4];
            *end_++ = kDigits[bytes[i] & 15];
        }
        return *this;
    }
    void commitTo(platform::AppendLog& log) { log.commit(static_cast<std::size_t>(end_ - start_)); }

private:
    static constexpr std::size_t kNumberRoom = 20;  // the digits of any 64-bit number
    static constexpr std::size_t kWordRoom = 32;    // longer than any command word
    static constexpr std::size_t kHexRoom = 16;     // the bytes a compare record shows
    char* start_;
    char* end_;
};
static_assert(Record::kRoom <= platform::AppendLog::kMaxReserve);

std::uint64_t Microseconds() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void PutOutcome(Record& r, Outcome outcome) {
    if (outcome == Outcome::Pass) {
        r << ",\"outcome\":\"pass\"";
    } else if (outcome == Outcome::Fail) {
        r << ",\"outcome\":\"fail\"";
    } else {
        r << ",\"outcome\":\"none\"";
    }
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
    if (char* room = log_->reserve(Record::kRoom)) {
        Record r(room);
        r << "{\"event\":\"start\",\"line\":";
        r.text(lineText(line)) << ",\"command\":\"";
        r.word(command) << "\"}\n";
        r.commitTo(*log_);
    }
    startedAt_ = Microseconds();
}

void ResultsFile::commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) {
    std::uint64_t us = Microseconds() - startedAt_;
    char* room = log_->reserve(Record::kRoom);
    if (room == nullptr) return;
    Record r(room);
    r << "{\"event\":\"end\",\"line\":";
    r.text(lineText(line)) << ",\"command\":\"";
    r.word(command) << "\",\"rc\":";
    r.number(verdict.rc);
    if (verdict.expectedRc) {
        r << ",\"expected_rc\":";
        r.number(*verdict.expectedRc);
    }
    PutOutcome(r, verdict.outcome);
    r << ",\"us\":";
    r.number(us);
    if (verdict.length) {
        r << ",\"length\":{\"expected\":";
        r.number(verdict.length->expected) << ",\"actual\":";
        r.number(verdict.length->actual) << "}";
    }
    if (verdict.compare) {
        r << ",\"compare\":{\"offset\":";
        r.number(verdict.compare->offset) << ",\"expected\":\"";
        r.hex(verdict.compare->expected) << "\",\"actual\":\"";
        r.hex(verdict.compare->actual) << "\"}";
    }
    r << "}\n";
    r.commitTo(*log_);
}

// The next line's digits are counted in place from the last ones (the common case:
// one command a line), any other line's are made anew.
std::string_view ResultsFile::lineText(std::size_t line) {
    if (lineTextSize_ > 0 && line == lineOfText_ + 1) {
        std::size_t i = lineTextSize_;
        while (i > 0 && lineText_[i - 1] == '9') lineText_[--i] = '0';
        if (i > 0) {
            ++lineText_[i - 1];
        } else {
            // 9...9 became 0...0: one digit more, a 1 in front.
            lineText_[lineTextSize_++] = '0';
            lineText_[0] = '1';
        }
        lineOfText_ = line;
    } else if (lineTextSize_ == 0 || line != lineOfText_) {
        char* end = std::to_chars(lineText_.data(), lineText_.data() + lineText_.size(), line).ptr;
        lineTextSize_ = static_cast<std::size_t>(end - lineText_.data());
        lineOfText_ = line;
    }
    return {lineText_.data(), lineTextSize_};
}

void ResultsFile::runEnded() {
    if (char* room = log_->reserve(Record::kRoom)) {
        Record r(room);
        r << "{\"event\":\"exit\"}\n";
        r.commitTo(*log_);
    }
}
