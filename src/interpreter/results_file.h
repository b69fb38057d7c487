// The results file: when the environment variable DRAVIK_RESULTS names a file, one
// JSON object per line (JSON Lines) is appended to it for each command, so that a
// runner can tell which line failed, why, and which command was in flight when a run
// hung or died. The records are described in docs/results-format.md.
#pragma once

#include <array>
#include <memory>
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
    // The digits of the line number, made once for both records of a command.
    std::string_view lineText(std::size_t line);

    std::unique_ptr<platform::AppendLog> log_;
    std::array<char, 20> lineText_{};
    std::size_t lineTextSize_ = 0;
    std::size_t lineOfText_ = 0;
    std::uint64_t startedAt_ = 0;
};
