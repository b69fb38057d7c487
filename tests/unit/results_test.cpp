// The records the main loop hands to a ResultObserver: the canonical name and input
// line of each command, and what its checks decided.
#include "interpreter/results.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "commands.h"
#include "interpreter/main_loop.h"

namespace {

struct Record {
    std::string command;
    std::size_t line;
    CommandVerdict verdict;
};

class Recorder : public ResultObserver {
public:
    std::vector<Record> started, ended;
    bool runEndedSeen = false;

    void commandStarted(std::string_view command, std::size_t line) override {
        started.push_back({std::string(command), line, {}});
    }
    void commandEnded(std::string_view command, std::size_t line, const CommandVerdict& verdict) override {
        ended.push_back({std::string(command), line, verdict});
    }
    void runEnded() override { runEndedSeen = true; }
};

// Runs the script in a fresh scratch folder, with the transcript sent to a file.
Recorder RunScript(const std::string& script) {
    char folder[] = "/tmp/dravik-results-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    std::string dir = folder;
    std::ofstream(dir + "/script") << script;
    EXPECT_NE(std::freopen((dir + "/script").c_str(), "r", stdin), nullptr);
    char* previous = getcwd(nullptr, 0);
    EXPECT_EQ(chdir(folder), 0);

    std::fflush(stdout);
    int saved = dup(1);
    std::FILE* transcript = std::fopen((dir + "/transcript").c_str(), "w");
    dup2(fileno(transcript), 1);
    Recorder recorder;
    RunInterpreter(Commands(), &recorder);
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::fclose(transcript);

    EXPECT_EQ(chdir(previous), 0);
    std::free(previous);
    std::system(("rm -rf " + dir).c_str());
    return recorder;
}

TEST(ResultRecords, NamesLinesAndOutcomesOfEachCommand) {
    Recorder r = RunScript(
        "PROMPT\n"
        "cReAtE 0 F.DAT /rc=0\n"
        "write 0 0 10 /rc=0\n"
        "typed data\n"  // WRITE's data line is counted too
        "getEOF 0 /expectedrc=0\n"
        "read 0 0 10 /expected=20 /rc=0\n"
        "read 0 0 10 /verify\n"
        "no such command\n"
        "chgptr 9 /rc=0\n"
        "read 0 0 1 /rc=5 /bogus\n"
        "close 0 /rc=5\n"
        "exit\n");
    ASSERT_EQ(r.ended.size(), 9u);
    ASSERT_EQ(r.started.size(), 9u);
    EXPECT_TRUE(r.runEndedSeen);

    const char* names[] = {"PROMPT", "CREATE", "WRITE", "GETFILESIZE", "READ", "READ", "CHGPTR", "READ", "CLOSE"};
    std::size_t lines[] = {1, 2, 3, 5, 6, 7, 9, 10, 11};
    for (std::size_t i = 0; i < r.ended.size(); ++i) {
        EXPECT_EQ(r.started[i].command, names[i]) << i;
        EXPECT_EQ(r.started[i].line, lines[i]) << i;
        EXPECT_EQ(r.ended[i].command, names[i]) << i;
        EXPECT_EQ(r.ended[i].line, lines[i]) << i;
    }

    const CommandVerdict& prompt = r.ended[0].verdict;
    EXPECT_EQ(prompt.outcome, Outcome::None);
    EXPECT_FALSE(prompt.expectedRc);

    EXPECT_EQ(r.ended[1].verdict.outcome, Outcome::Pass);
    EXPECT_EQ(r.ended[1].verdict.expectedRc, ReturnCode{0});
    EXPECT_EQ(r.ended[2].verdict.outcome, Outcome::Pass);
    EXPECT_EQ(r.ended[3].verdict.outcome, Outcome::Pass);

    // The return code passed; the amount did not.
    const CommandVerdict& shortRead = r.ended[4].verdict;
    EXPECT_EQ(shortRead.outcome, Outcome::Fail);
    EXPECT_EQ(shortRead.rc, 0);
    ASSERT_TRUE(shortRead.length);
    EXPECT_EQ(shortRead.length->expected, 20u);
    EXPECT_EQ(shortRead.length->actual, 10u);
    EXPECT_FALSE(shortRead.compare);

    // The typed data is not the pattern: it differs from its first byte.
    const CommandVerdict& verify = r.ended[5].verdict;
    EXPECT_EQ(verify.outcome, Outcome::Fail);
    EXPECT_FALSE(verify.expectedRc);
    ASSERT_TRUE(verify.compare);
    EXPECT_EQ(verify.compare->offset, 0u);
    EXPECT_EQ(std::string(verify.compare->actual.begin(), verify.compare->actual.end()),
              std::string("typed data\0\0\0\0\0\0", 10));
    EXPECT_EQ(std::string(verify.compare->expected.begin(), verify.compare->expected.end()), "00000000 w");

    // A ParseCode is not compared, except by READ.
    EXPECT_EQ(r.ended[6].verdict.outcome, Outcome::None);
    EXPECT_EQ(r.ended[6].verdict.rc, 668);
    EXPECT_EQ(r.ended[7].verdict.outcome, Outcome::Fail);
    EXPECT_EQ(r.ended[7].verdict.rc, 666);

    EXPECT_EQ(r.ended[8].verdict.outcome, Outcome::Fail);
    EXPECT_EQ(r.ended[8].verdict.rc, 0);
    EXPECT_EQ(r.ended[8].verdict.expectedRc, ReturnCode{5});
}

}  // namespace
