// The results file's records: every record of a command names its input line, whether
// the lines come one after another (their digits counted on from the last ones, across
// a carry into a new digit), jump ahead (the data lines of a WRITE /PROMPT) or repeat.
#include "interpreter/results_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

// The records that `write` puts into a fresh results file, one string a line.
std::vector<std::string> RecordsOf(const std::function<void(ResultsFile&)>& write) {
    char path[] = "/tmp/dravik-results-file-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    close(fd);
    {
        ResultsFile results(platform::AppendLog::Open(path));
        write(results);
    }
    std::ifstream in(path);
    std::vector<std::string> records;
    for (std::string record; std::getline(in, record);) records.push_back(record);
    unlink(path);
    return records;
}

std::vector<std::string> RecordsFor(const std::vector<std::size_t>& lines) {
    return RecordsOf([&](ResultsFile& results) {
        CommandVerdict verdict;
        for (std::size_t line : lines) {
            results.commandStarted("GETFILESIZE", line);
            results.commandEnded("GETFILESIZE", line, verdict);
        }
    });
}

std::string LineField(const std::string& record) {
    std::size_t at = record.find("\"line\":");
    if (at == std::string::npos) return "";
    at += 7;
    return record.substr(at, record.find(',', at) - at);
}

TEST(ResultsFileRecords, NameTheLineOfEachCommandInEveryOrder) {
    std::vector<std::size_t> lines;
    for (std::size_t line = 1; line <= 1001; ++line) lines.push_back(line);
    for (std::size_t line : std::vector<std::size_t>{1005, 1005, 1006, 9999, 10000, 10001, 3, 4, SIZE_MAX}) {
        lines.push_back(line);
    }
    std::vector<std::string> records = RecordsFor(lines);
    ASSERT_EQ(records.size(), 2 * lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string want = std::to_string(lines[i]);
        EXPECT_EQ(LineField(records[2 * i]), want) << records[2 * i];
        EXPECT_EQ(LineField(records[2 * i + 1]), want) << records[2 * i + 1];
    }
    EXPECT_EQ(records[0], "{\"event\":\"start\",\"line\":1,\"command\":\"GETFILESIZE\"}");
    EXPECT_EQ(records[1].rfind(
                  "{\"event\":\"end\",\"line\":1,\"command\":\"GETFILESIZE\",\"rc\":0,\"outcome\":\"none\",\"us\":", 0),
              0u)
        << records[1];
}

TEST(ResultsFileRecords, ShowTheChecksOfALineWithTheirValues) {
    std::vector<std::string> records = RecordsOf([](ResultsFile& results) {
        CommandVerdict verdict;
        verdict.rc = 0;
        verdict.expectedRc = 32;
        verdict.outcome = Outcome::Fail;
        verdict.length = LengthCheck{4294967296ULL, 7};
        verdict.compare = DataMismatch{5000000000ULL, {0x00, 0xab}, {0xff, 0x10}};
        results.commandStarted("READ", 12);
        results.commandEnded("READ", 12, verdict);
        results.runEnded();
    });
    ASSERT_EQ(records.size(), 3u);
    std::string end = records[1];
    std::size_t us = end.find(",\"us\":");
    ASSERT_NE(us, std::string::npos);
    EXPECT_EQ(end.substr(0, us),
              "{\"event\":\"end\",\"line\":12,\"command\":\"READ\",\"rc\":0,\"expected_rc\":32,\"outcome\":\"fail\"");
    EXPECT_NE(end.find(",\"length\":{\"expected\":4294967296,\"actual\":7},\"compare\":{\"offset\":5000000000,"
                       "\"expected\":\"00 ab\",\"actual\":\"ff 10\"}}"),
              std::string::npos)
        << end;
    EXPECT_EQ(records[2], "{\"event\":\"exit\"}");
}

// The end record's text up to the wall time.
std::string UpToTime(const std::string& record) { return record.substr(0, record.find(",\"us\":")); }

// A run that changes its command, its codes or its outcome from one line to the next,
// or keeps them, has each record show its own.
TEST(ResultsFileRecords, ShowEachLinesOwnCommandAndCodes) {
    struct Line {
        const char* command;
        ReturnCode rc;
        std::optional<ReturnCode> expectedRc;
        Outcome outcome;
        const char* want;
    };
    const std::vector<Line> lines = {
        {"GETFILESIZE", 0, 0, Outcome::Pass,
         "\"command\":\"GETFILESIZE\",\"rc\":0,\"expected_rc\":0,\"outcome\":\"pass\""},
        {"GETFILESIZE", 0, 0, Outcome::Pass,
         "\"command\":\"GETFILESIZE\",\"rc\":0,\"expected_rc\":0,\"outcome\":\"pass\""},
        {"GETFILESIZE", 6, 0, Outcome::Fail,
         "\"command\":\"GETFILESIZE\",\"rc\":6,\"expected_rc\":0,\"outcome\":\"fail\""},
        {"GETFILESIZE", 6, 6, Outcome::Pass,
         "\"command\":\"GETFILESIZE\",\"rc\":6,\"expected_rc\":6,\"outcome\":\"pass\""},
        {"GETFILESIZE", 6, std::nullopt, Outcome::None, "\"command\":\"GETFILESIZE\",\"rc\":6,\"outcome\":\"none\""},
        {"CLOSE", 6, std::nullopt, Outcome::None, "\"command\":\"CLOSE\",\"rc\":6,\"outcome\":\"none\""},
        {"GETFILESIZE", 6, std::nullopt, Outcome::None, "\"command\":\"GETFILESIZE\",\"rc\":6,\"outcome\":\"none\""},
        {"CREATEDIRECTORYEXFROMATEMPLATE", 65535, 65535, Outcome::Pass,
         "\"command\":\"CREATEDIRECTORYEXFROMATEMPLATE\",\"rc\":65535,\"expected_rc\":65535,\"outcome\":\"pass\""},
        {"GETFILESIZE", 666, 0, Outcome::None,
         "\"command\":\"GETFILESIZE\",\"rc\":666,\"expected_rc\":0,\"outcome\":\"none\""},
        {"READ", 666, 0, Outcome::None, "\"command\":\"READ\",\"rc\":666,\"expected_rc\":0,\"outcome\":\"none\""},
        {"READ", 666, 0, Outcome::Fail, "\"command\":\"READ\",\"rc\":666,\"expected_rc\":0,\"outcome\":\"fail\""},
    };
    std::vector<std::string> records = RecordsOf([&](ResultsFile& results) {
        std::size_t line = 7;
        for (const Line& l : lines) {
            CommandVerdict verdict;
            verdict.rc = l.rc;
            verdict.expectedRc = l.expectedRc;
            verdict.outcome = l.outcome;
            results.commandStarted(l.command, line);
            results.commandEnded(l.command, line, verdict);
            line += 2;
        }
    });
    ASSERT_EQ(records.size(), 2 * lines.size());
    std::size_t line = 7;
    for (std::size_t i = 0; i < lines.size(); ++i, line += 2) {
        std::string at = "\"line\":" + std::to_string(line) + ",";
        EXPECT_EQ(records[2 * i], "{\"event\":\"start\"," + at + "\"command\":\"" + lines[i].command + "\"}");
        EXPECT_EQ(UpToTime(records[2 * i + 1]), "{\"event\":\"end\"," + at + lines[i].want);
    }
}

}  // namespace
