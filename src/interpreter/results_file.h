// The results file: when the environment variable DRAVIK_RESULTS names a file, one
// JSON object per line (JSON Lines) is appended to it for each command, so that a
// runner can tell which line failed, why, and which command was in flight when a run
// hung or died. The records are described in docs/results-format.md.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string_view>

#include "interpreter/results.h"
#include "platform/append_log.h"

class ResultsFile : public ResultObserver {
public:
    explicit ResultsFile(std::unique_ptr<platform::AppendLog> log) : log_(std::move(log)) {}

    // The results file that DRAVIK_RESULTS names, opened for appending; null without
    // the variable (nothing is then written and nothing costs) or when it cannot be
    // opened (a message on standard error says so).
    static std::unique_ptr<ResultsFile> FromEnvironment();

    // Each record reaches the system as it is written (the log is a shared mapping of
    // the file), so the start record of a command that hangs or dies is there.
    void commandStarted(std::string_view command, std::size_t line) override;
    void commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) override;
    void runEnded() override;

private:
    // Text of a known largest size, copied whole into a record (a few wide moves
    // instead of a copy of its exact size) and counted by its size.
    template <std::size_t N>
    struct Piece {
        std::array<char, N> text{};
        std::size_t size = 0;
    };

    // Room for one record at the end of the log; null from the first time the file
    // cannot grow (said once on standard error), so that the records end there rather
    // than leave a gap, and a full disk costs no further system calls.
    char* roomForRecord();
    // The digits of the line number, made once for both records of a command.
    void countLine(std::size_t line);
    // What a run of the same command with the same checks repeats: the start record
    // behind its line, and the end record from the command to the wall time. Each is
    // made anew when its command or checks differ from the last ones.
    void makeStartTail(std::string_view command);
    void makeEndMiddle(std::string_view command, const CommandVerdict& verdict);

    std::unique_ptr<platform::AppendLog> log_;
    Piece<24> lineText_;
    std::size_t lineOfText_ = 0;
    std::uint64_t startedAt_ = 0;
    Piece<48> startTail_;
    std::string_view startTailOf_;
    Piece<128> endMiddle_;
    std::string_view endMiddleOf_;
    ReturnCode endRc_ = 0;
    std::optional<ReturnCode> endExpectedRc_;
    Outcome endOutcome_ = Outcome::None;
    bool full_ = false;
};
