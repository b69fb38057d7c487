// The results file: when the environment variable DRAVIK_RESULTS names a file, one
// JSON object per line (JSON Lines) is appended to it for each command, so that a
// runner can tell which line failed, why, and which command was in flight when a run
// hung or died. The records are described in docs/results-format.md.
#pragma once

#include <cstdio>
#include <memory>

#include "interpreter/results.h"

class ResultsFile : public ResultObserver {
public:
    // Takes ownership of the open file.
    explicit ResultsFile(std::FILE* file) : file_(file) {}
    ~ResultsFile() override;

    // The results file that DRAVIK_RESULTS names, opened for appending; null without
    // the variable (nothing is then written and nothing costs) or when it cannot be
    // opened (a message on standard error says so).
    static std::unique_ptr<ResultsFile> FromEnvironment();

    // The start record reaches the file before the command runs, together with the
    // end record of the command before it: one write per command.
    void commandStarted(std::string_view command, std::size_t line) override;
    void commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) override;
    void runEnded() override;

private:
    std::FILE* file_;
    std::uint64_t startedAt_ = 0;
};
