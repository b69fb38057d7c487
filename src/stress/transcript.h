// What a dravik transcript shows for each input line: its return-code lines, the
// transfers of a READ with their byte counts, data and compare messages, a file size,
// a search group, a failure banner. The transcript is cut at the prompt that dravik
// writes before it reads each line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stress {

struct ReadSeen {
    std::uint32_t bytes = 0;
    std::size_t dataAt = 0;  // where the dump begins in the line's text
    bool compareOk = false, compareFailed = false, lengthWrong = false;
};

struct LineSeen {
    std::string_view text;  // the line's part of the transcript
    std::vector<std::uint32_t> rcs;
    std::vector<ReadSeen> reads;
    std::optional<std::uint32_t> size;
    bool groupShown = false;
    bool banner = false;
    std::string parseMessage;  // "Syntax Error", "Invalid Handle", "Handle In Use"
};

struct TranscriptSeen {
    std::vector<std::string_view> lines;  // lines[k] belongs to input line k + 1
    bool ended = false;                   // " normal termination " was written
};

// Cuts a transcript into its lines; the returned views point into text.
TranscriptSeen readTranscript(std::string_view text);

// What one line's part of the transcript shows. Only the lines that are judged by
// their text are examined, which keeps a long soak's judgement cheap.
LineSeen examine(std::string_view text);

// A one-line account of a line's results, the same for two builds that agree
// (dump data is compared by its bytes).
std::string summary(const LineSeen& line);

}  // namespace stress
