// The outcome of one command line's checks, and the observer that learns it.
//
// The reporting stage of CommandState decides every check of a line (the ExpectedRC
// comparison, and READ's amount and data checks) and records it here; the main loop
// hands the finished record to the run's ResultObserver, if there is one. The
// transcript never depends on the observer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "interpreter/constants.h"

// pass: every check of the line passed; fail: any check failed; none: the line
// checked nothing.
enum class Outcome : std::uint8_t { None, Pass, Fail };

// READ /EXPECTED=n: the amount asked for and the amount read.
struct LengthCheck {
    std::uint64_t expected = 0;
    std::uint64_t actual = 0;
};

// READ /VERIFY that failed: the file offset of the first byte that differs from the
// standard data pattern, and up to 16 bytes from there, as the pattern has them and
// as they were read.
struct DataMismatch {
    std::uint64_t offset = 0;
    std::vector<unsigned char> expected;
    std::vector<unsigned char> actual;
};

// What the checks of one command line found. rc is the last ReturnCode the line
// reported (a ParseCode included). Of a series of reads the first failed length and
// data checks are kept, else the last length check.
struct CommandVerdict {
    ReturnCode rc = 0;
    std::optional<ReturnCode> expectedRc;  // only when the line gave /RC=
    Outcome outcome = Outcome::None;
    std::optional<LengthCheck> length;
    std::optional<DataMismatch> compare;
};

// Told of every command the main loop dispatches: its canonical name (the name of its
// command-table row, whatever word the line used, text that stays as it is for the
// whole run, so an observer may keep it and know it again by its address) and the
// 1-based number of its input line, counting every line of standard input.
class ResultObserver {
public:
    virtual ~ResultObserver() = default;
    virtual void commandStarted(std::string_view command, std::size_t line) = 0;
    virtual void commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) = 0;
    // The run ended normally, after its last transcript line.
    virtual void runEnded() = 0;
};
