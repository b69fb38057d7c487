// dravik-stress on a file system with a planted fault (faultfs): a short soak finds
// the fault, and the shrinker reduces the script to a few lines that show it again.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "../faultfs/fault_mount.h"
#include "stress/generator.h"
#include "stress/judge.h"
#include "stress/launch.h"
#include "stress/shrinker.h"

namespace stress {
namespace {

struct Fault {
    const char* rule;  // faultfs: FAULT GLOB
    const char* mix;   // commands that meet the fault often
};

class FaultSoakTest : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override {
        // dravik runs as the unprivileged user: the mount admits other users.
        std::string why = mount_.start(std::string(GetParam().rule) + "\n", true);
        if (!why.empty()) GTEST_SKIP() << why;
        LaunchOptions options;
        options.command = {DRAVIK_EXE};
        options.parent = mount_.mountPoint();
        options.timeoutSeconds = 60;
        std::string error;
        ASSERT_TRUE(launcher_.prepare(options, error)) << error;
    }

    std::optional<Departure> check(const Script& script) {
        Launched run = launcher_.run(script.text());
        return judge(script, readTranscript(run.transcript), run.results);
    }

    FaultMount mount_;
    Launcher launcher_;
};

TEST_P(FaultSoakTest, ASoakFindsThePlantedFaultAndShrinksItToAFewLines) {
    GeneratorOptions g;
    g.ops = 300;
    std::string error;
    ASSERT_TRUE(parseMix(GetParam().mix, g.weights, error)) << error;
    std::optional<Departure> found;
    Script failing;
    for (g.seed = 1; g.seed <= 20 && !found; ++g.seed) {
        failing = derive(generate(g), g.model, scriptHeader(g));
        found = check(failing);
    }
    ASSERT_TRUE(found) << "20 seeds met no departure on a mount with: " << GetParam().rule;
    Shrunk small = shrink(
        failing, *found, g.model, [&](const Script& c) { return check(c); }, 1000);
    EXPECT_TRUE(small.departure.same(*found));
    EXPECT_LE(small.script.lines.size(), 8u) << small.script.text();
    // Run again as it was written, the shrunken script shows the same departure.
    auto again = check(small.script);
    ASSERT_TRUE(again) << small.script.text();
    EXPECT_TRUE(again->same(*found)) << again->describe();
}

// Mapped views need the page cache, which these faults bypass (direct I/O).
INSTANTIATE_TEST_SUITE_P(Faults, FaultSoakTest,
                         ::testing::Values(Fault{"stale *", "map=0"}, Fault{"drop *", "map=0"},
                                           Fault{"keepold *", "map=0,rename=10,move=10"}),
                         [](const auto& info) {
                             std::string rule = info.param.rule;
                             return rule.substr(0, rule.find(' '));
                         });

}  // namespace
}  // namespace stress
