// dravik-stress on a file system with a planted fault (faultfs): a short soak finds
// the fault, and the shrinker reduces the script to a few lines that show it again.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

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
#ifndef DRAVIK_FAULTFS
        GTEST_SKIP() << "faultfs is not built (no libfuse3)";
#else
        if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse: cannot mount faultfs";
        char pattern[] = "/tmp/dravik-stress-fault.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        chmod(base_.c_str(), 0755);
        std::filesystem::create_directory(base_ + "/source");
        std::filesystem::create_directory(mount());
        std::ofstream(base_ + "/rules") << GetParam().rule << "\n";
        server_ = fork();
        ASSERT_GE(server_, 0);
        if (server_ == 0) {
            std::string rules = "--rules=" + base_ + "/rules";
            // dravik runs as the unprivileged user: the mount admits other users.
            execl(DRAVIK_FAULTFS, DRAVIK_FAULTFS, (base_ + "/source").c_str(), mount().c_str(), rules.c_str(), "-f",
                  "-o", "allow_other", static_cast<char*>(nullptr));
            _exit(127);
        }
        if (!mounted()) GTEST_SKIP() << "faultfs did not mount (no FUSE here)";
        LaunchOptions options;
        options.command = {DRAVIK_EXE};
        options.parent = mount();
        options.timeoutSeconds = 60;
        std::string error;
        ASSERT_TRUE(launcher_.prepare(options, error)) << error;
#endif
    }

    void TearDown() override {
        if (server_ > 0) {
            std::string unmount = "fusermount3 -u -z '" + mount() + "' 2>/dev/null";
            if (std::system(unmount.c_str()) != 0) kill(server_, SIGTERM);
            waitpid(server_, nullptr, 0);
        }
        std::error_code ignored;
        if (!base_.empty()) std::filesystem::remove_all(base_, ignored);
    }

    std::string mount() const { return base_ + "/mount"; }

    bool mounted() {
        struct stat outer {};
        stat(base_.c_str(), &outer);
        for (int i = 0; i < 250; ++i) {
            struct stat inner {};
            if (stat(mount().c_str(), &inner) == 0 && inner.st_dev != outer.st_dev) return true;
            if (waitpid(server_, nullptr, WNOHANG) == server_) {
                server_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    std::optional<Departure> check(const Script& script) {
        Launched run = launcher_.run(script.text());
        return judge(script, readTranscript(run.transcript), run.results);
    }

    std::string base_;
    pid_t server_ = -1;
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
