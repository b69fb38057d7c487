#include "interpreter/results_file.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// The records have a fixed shape: numbers, command words (upper-case ASCII) and hex
// digits, none of which needs escaping. They are written on the per-command path, so
// a record is put together straight in the log's room from literal pieces of known
// size (each a few moves once inlined), pieces made for an earlier record and bounded
// values; the room holds the largest record, so no piece needs a check of its own.
class Record {
public:
    // The end record with every field at its largest is about 450 bytes, and a piece
    // copied whole reaches at most its size past the record's end.
    static constexpr std::size_t kRoom = 512;

    static constexpr std::size_t kWordRoom = 32;  // longer than any command word

    explicit Record(char* room) : start_(room), end_(room) {}
    template <std::size_t N>
    Record& operator<<(const char (&piece)[N]) {
        std::memcpy(end_, piece, N - 1);
        end_ += N - 1;
        return *this;
    }
    // All N bytes are copied, the first `size` kept.
    template <std::size_t N>
    Record& piece(const std::array<char, N>& text, std::size_t size) {
        std::memcpy(end_, text.data(), N);
        end_ += size;
        return *this;
    }
    Record& number(std::uint64_t value) {
        // Most codes and times have one or two digits.
        if (value < 100) {
            if (value >= 10) *end_++ = static_cast<char>('0' + value / 10);
            *end_++ = static_cast<char>('0' + value % 10);
            return *this;
        }
        end_ = std::to_chars(end_, end_ + kNumberRoom, value).ptr;
        return *this;
    }
    Record& word(std::string_view word) {
        word = word.substr(0, kWordRoom);
        std::memcpy(end_, word.data(), word.size());
        end_ += word.size();
        return *this;
    }
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
    std::size_t size() const { return static_cast<std::size_t>(end_ - start_); }

private:
    static constexpr std::size_t kNumberRoom = 20;  // the digits of any 64-bit number
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

bool SameText(std::string_view a, std::string_view b) { return a.data() == b.data() && a.size() == b.size(); }

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
    countLine(line);
    if (!SameText(command, startTailOf_)) makeStartTail(command);
    if (char* room = roomForRecord()) {
        Record r(room);
        r << "{\"event\":\"start\",\"line\":";
        r.piece(lineText_.text, lineText_.size).piece(startTail_.text, startTail_.size);
        log_->commit(r.size());
    }
    startedAt_ = Microseconds();
}

void ResultsFile::commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) {
    std::uint64_t us = Microseconds() - startedAt_;
    // The line is most often the start record's.
    if (line != lineOfText_ || lineText_.size == 0) countLine(line);
    if (!SameText(command, endMiddleOf_) || verdict.rc != endRc_ || verdict.expectedRc != endExpectedRc_ ||
        verdict.outcome != endOutcome_) {
        makeEndMiddle(command, verdict);
    }
    char* room = roomForRecord();
    if (room == nullptr) return;
    Record r(room);
    r << "{\"event\":\"end\",\"line\":";
    r.piece(lineText_.text, lineText_.size).piece(endMiddle_.text, endMiddle_.size);
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
    log_->commit(r.size());
}

char* ResultsFile::roomForRecord() {
    if (full_) return nullptr;
    char* room = log_->reserve(Record::kRoom);
    if (room == nullptr) {
        std::fprintf(stderr, "dravik: the results file cannot grow (is its disk full?): its records end here\n");
        full_ = true;
    }
    return room;
}

void ResultsFile::makeStartTail(std::string_view command) {
    // The piece is made in a room of its own and then cut to its size.
    char room[Record::kRoom];
    Record r(room);
    r << ",\"command\":\"";
    r.word(command) << "\"}\n";
    static_assert(sizeof ",\"command\":\"\"}\n" - 1 + Record::kWordRoom <= sizeof startTail_.text);
    std::memcpy(startTail_.text.data(), room, r.size());
    startTail_.size = r.size();
    startTailOf_ = command;
}

void ResultsFile::makeEndMiddle(std::string_view command, const CommandVerdict& verdict) {
    char room[Record::kRoom];
    Record r(room);
    r << ",\"command\":\"";
    r.word(command) << "\",\"rc\":";
    r.number(verdict.rc);
    if (verdict.expectedRc) {
        r << ",\"expected_rc\":";
        r.number(*verdict.expectedRc);
    }
    PutOutcome(r, verdict.outcome);
    r << ",\"us\":";
    // The literal pieces, the word and two codes of five digits at most.
    static_assert(sizeof ",\"command\":\"\",\"rc\":,\"expected_rc\":,\"outcome\":\"pass\",\"us\":" - 1 +
                      Record::kWordRoom + 2 * (std::size_t{std::numeric_limits<ReturnCode>::digits10} + 1) <=
                  sizeof endMiddle_.text);
    std::memcpy(endMiddle_.text.data(), room, r.size());
    endMiddle_.size = r.size();
    endMiddleOf_ = command;
    endRc_ = verdict.rc;
    endExpectedRc_ = verdict.expectedRc;
    endOutcome_ = verdict.outcome;
}

// The next line's digits are counted in place from the last ones (the common case:
// one command a line), any other line's are made anew.
void ResultsFile::countLine(std::size_t line) {
    std::array<char, 24>& digits = lineText_.text;
    std::size_t& size = lineText_.size;
    if (size > 0 && line == lineOfText_ + 1) {
        std::size_t i = size;
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i > 0) {
            ++digits[i - 1];
        } else {
            // 9...9 became 0...0: one digit more, a 1 in front.
            digits[size++] = '0';
            digits[0] = '1';
        }
    } else {
        size = static_cast<std::size_t>(std::to_chars(digits.data(), digits.data() + 20, line).ptr - digits.data());
    }
    lineOfText_ = line;
}

void ResultsFile::runEnded() {
    if (char* room = roomForRecord()) {
        Record r(room);
        r << "{\"event\":\"exit\"}\n";
        log_->commit(r.size());
    }
}
