// dravik-stress: the generator is deterministic, the model predicts what Windows
// gives, the judge catches a changed expectation, and the shrinker reduces a planted
// departure to a few lines that replay with plain dravik.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "stress/generator.h"
#include "stress/judge.h"
#include "stress/launch.h"
#include "stress/shrinker.h"

namespace stress {
namespace {

GeneratorOptions optionsFor(std::uint64_t seed, int ops = 300) {
    GeneratorOptions g;
    g.seed = seed;
    g.ops = ops;
    return g;
}

Script scriptFor(const GeneratorOptions& g) { return derive(generate(g), g.model, scriptHeader(g)); }

// FNV-1a: a fixed digest of a script's bytes.
std::uint64_t digest(const std::string& text) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    return h;
}

TEST(GeneratorTest, SameSeedAndVersionGiveTheSameBytes) {
    std::string one = scriptFor(optionsFor(1234)).text();
    EXPECT_EQ(one, scriptFor(optionsFor(1234)).text());
    EXPECT_NE(one, scriptFor(optionsFor(1235)).text());
    EXPECT_EQ(one.substr(0, one.find('\n')), "// dravik-stress 1 --seed 1234 --ops 300 --files 4 --slots 8");
    // A script must not change while the generator's version stays: bump the version
    // when this digest has to change.
    ASSERT_EQ(GeneratorVersion, 1);
    EXPECT_EQ(digest(one), 5171968449714521050ull) << "seed 1234 gives another script than generator 1 did";
}

TEST(GeneratorTest, EveryCommandIsPredictedAndCarriesItsChecks) {
    Script s = scriptFor(optionsFor(99, 2000));
    ASSERT_EQ(s.lines.size(), 2000u);
    int reads = 0, dumps = 0;
    for (const auto& line : s.lines) {
        EXPECT_NE(line.text.find("/RC="), std::string::npos) << line.text;
        if (line.op.cmd != Cmd::Read || line.expect.rc != 0 || line.expect.reads.empty()) continue;
        ++reads;
        if (!line.expect.reads.front().verify)
            ++dumps;
        else
            EXPECT_NE(line.text.find("/VERIFY"), std::string::npos) << line.text;
    }
    EXPECT_GT(reads, 50);
    EXPECT_GT(dumps, 5);  // ranges with zero bytes are judged by their dump
}

TEST(GeneratorTest, MixWeightsAndTheirErrors) {
    auto weights = GeneratorOptions::defaultWeights();
    std::string error;
    ASSERT_TRUE(parseMix("read=0,write=7", weights, error)) << error;
    EXPECT_EQ(weights[static_cast<int>(Cmd::Read)], 0);
    EXPECT_EQ(weights[static_cast<int>(Cmd::Write)], 7);
    for (const char* bad : {"read", "read=", "reed=3", "read=-1", "read=1234567"})
        EXPECT_FALSE(parseMix(bad, weights, error)) << bad;
    std::string allZero;
    for (int i = 0; i < CmdCount; ++i) allZero += std::string(i ? "," : "") + std::string(cmdKey(Cmd(i))) + "=0";
    EXPECT_FALSE(parseMix(allZero, weights, error));

    GeneratorOptions g = optionsFor(5, 200);
    g.weights = GeneratorOptions::defaultWeights();
    g.weights[static_cast<int>(Cmd::Map)] = 0;
    for (const auto& op : generate(g)) EXPECT_NE(op.cmd, Cmd::Map);
}

Op openOp(Cmd cmd, int slot, const std::string& name, int access, int share) {
    Op op;
    op.cmd = cmd;
    op.slot = slot;
    op.name = name;
    op.access = access;
    op.accessGiven = true;
    op.share = share;
    op.shareGiven = true;
    return op;
}

TEST(ModelTest, CreateDispositionsAccessAndSharing) {
    Model m{ModelOptions{}};
    Op truncate = openOp(Cmd::Create, 0, "f0.dat", AccessRead, 0);
    truncate.noCreate = true;
    truncate.existing = Existing::Replace;
    EXPECT_EQ(m.step(truncate)->rc, 87u);  // a bad parameter before the name is looked up
    Op missing = openOp(Cmd::Open, 0, "f0.dat", AccessRead, 0);
    EXPECT_EQ(m.step(missing)->rc, 2u);
    EXPECT_EQ(m.step(openOp(Cmd::Create, 0, "d0\\f2.dat", AccessRead, 0))->rc, 3u);

    EXPECT_EQ(m.step(openOp(Cmd::Create, 0, "f0.dat", AccessRead | AccessWrite, ShareRead))->rc, 0u);
    EXPECT_EQ(m.step(openOp(Cmd::Open, 1, "f0.dat", AccessWrite, ShareRead | ShareWrite))->rc, 32u);
    EXPECT_EQ(m.step(openOp(Cmd::Open, 1, "f0.dat", AccessRead, ShareRead))->rc, 32u);  // the first writes
    EXPECT_EQ(m.step(openOp(Cmd::Open, 1, "f0.dat", AccessRead, ShareRead | ShareWrite))->rc, 0u);
    Op createNew = openOp(Cmd::Create, 2, "f0.dat", AccessRead, 0);
    createNew.existing = Existing::Fail;
    EXPECT_EQ(m.step(createNew)->rc, 80u);  // before sharing

    ModelOptions portable;
    portable.portable = true;
    Model both{portable};
    EXPECT_FALSE(both.step(truncate));  // Wine answers otherwise: not generated
}

TEST(ModelTest, DataHolesLocksAndMappings) {
    Model m{ModelOptions{}};
    ASSERT_EQ(m.step(openOp(Cmd::Create, 0, "f0.dat", AccessRead | AccessWrite, ShareRead | ShareWrite))->rc, 0u);
    Op write;
    write.cmd = Cmd::Write;
    write.off = 40;
    write.len = 3;
    ASSERT_EQ(m.step(write)->rc, 0u);
    Op read;
    read.cmd = Cmd::Read;
    read.off = 38;
    read.len = 10;
    auto seen = m.step(read);
    ASSERT_TRUE(seen && seen->reads.size() == 1);
    EXPECT_EQ(seen->reads[0].bytes, 5u);  // the file ends at 43
    EXPECT_FALSE(seen->reads[0].verify);
    EXPECT_EQ(seen->reads[0].dump, std::string("0000") + patternByte(40) + patternByte(41) + patternByte(42));

    ASSERT_EQ(m.step(openOp(Cmd::Open, 1, "f0.dat", AccessRead | AccessWrite, ShareRead | ShareWrite))->rc, 0u);
    Op lock;
    lock.cmd = Cmd::Lock;
    lock.off = 0;
    lock.len = 50;
    EXPECT_EQ(m.step(lock)->rc, 0u);
    lock.slot = 1;
    lock.off = 49;
    EXPECT_EQ(m.step(lock)->rc, 33u);
    Op unlock;
    unlock.cmd = Cmd::Unlock;
    unlock.off = 0;
    unlock.len = 49;
    EXPECT_EQ(m.step(unlock)->rc, 158u);  // only the exact range unlocks
    unlock.len = 50;
    EXPECT_EQ(m.step(unlock)->rc, 0u);

    Op map;
    map.cmd = Cmd::Map;
    map.slot = 1;
    EXPECT_EQ(m.step(map)->rc, 0u);
    Op shrink;
    shrink.cmd = Cmd::ChgEof;
    shrink.len = 10;
    EXPECT_EQ(m.step(shrink)->rc, 1224u);
    Op unmap;
    unmap.cmd = Cmd::Unmap;
    unmap.slot = 1;
    EXPECT_EQ(m.step(unmap)->rc, 0u);
    EXPECT_EQ(m.step(unmap)->rc, 487u);
}

// Runs scripts with the dravik of this build, confined as dravik-stress runs them.
class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        LaunchOptions options;
        options.command = {DRAVIK_EXE};
        options.parent = ::testing::TempDir();
        options.timeoutSeconds = 60;
        std::string error;
        ASSERT_TRUE(launcher_.prepare(options, error)) << error;
    }

    std::optional<Departure> check(const Script& script) {
        Launched run = launcher_.run(script.text());
        return judge(script, readTranscript(run.transcript), run.results);
    }

    // The script with one line's expectation changed and the line rendered again.
    static Script changed(Script script, const std::function<bool(ScriptLine&)>& change) {
        for (auto& line : script.lines) {
            if (!change(line)) continue;
            line.text = render(line.op, line.expect);
            return script;
        }
        ADD_FAILURE() << "no line to change";
        return script;
    }

    Launcher launcher_;
};

TEST_F(RunTest, JudgeFindsNoDepartureInWhatTheModelPredicts) {
    for (std::uint64_t seed : {1, 2, 3, 4}) EXPECT_FALSE(check(scriptFor(optionsFor(seed, 500)))) << seed;
}

TEST_F(RunTest, JudgeCatchesAChangedReturnCode) {
    Script good = scriptFor(optionsFor(11, 400));
    int at = 0;
    Script bad = changed(good, [&](ScriptLine& line) {
        ++at;
        if (line.op.cmd != Cmd::Open || line.expect.rc != 2) return false;
        line.expect.rc = 32;
        return true;
    });
    auto d = check(bad);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->line, at + 1);
    EXPECT_EQ(d->command, "OPEN");
    EXPECT_EQ(d->expected, "32 ERROR_SHARING_VIOLATION");
    EXPECT_EQ(d->got, "2 ERROR_FILE_NOT_FOUND");
}

TEST_F(RunTest, JudgeCatchesChangedDataAndSizes) {
    Script good = scriptFor(optionsFor(12, 600));
    Script dump = changed(good, [](ScriptLine& line) {
        if (!line.expect.read || line.expect.reads.empty() || line.expect.reads[0].verify) return false;
        std::string& d = line.expect.reads[0].dump;
        std::size_t zero = d.find("00");
        if (zero == std::string::npos) return false;
        d.replace(zero, 2, "FF");  // a byte of 0xFF where the file holds a zero byte
        return true;
    });
    auto d = check(dump);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->command, "READ");
    EXPECT_EQ(d->got, "other bytes where pattern bytes belong");

    Script size = changed(good, [](ScriptLine& line) {
        if (!line.expect.size) return false;
        line.expect.size = *line.expect.size + 1;
        return true;
    });
    d = check(size);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->command, "GETFILESIZE");
    EXPECT_EQ(d->got.substr(0, 5), "size ");
}

// A planted fault: every DELETE that succeeds is expected to give 5.
Script planted(Script script) {
    for (auto& line : script.lines) {
        if (line.op.cmd != Cmd::Delete || line.expect.rc != 0) continue;
        line.expect.rc = 5;
        line.text = render(line.op, line.expect);
    }
    return script;
}

TEST_F(RunTest, ShrinkerReducesAPlantedDepartureToAFewLinesThatReplay) {
    GeneratorOptions g = optionsFor(21, 400);
    Script failing = planted(scriptFor(g));
    auto found = check(failing);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->command, "DELETE");
    Shrunk small = shrink(
        failing, *found, g.model, [&](const Script& c) { return check(planted(c)); }, 2000);
    // A CREATE, a CLOSE and the DELETE, and an MD when the name lies in a folder.
    EXPECT_TRUE(small.script.lines.size() <= 4u) << planted(small.script).text();
    EXPECT_TRUE(small.departure.same(*found));
    EXPECT_EQ(small.removed, static_cast<int>(failing.lines.size() - small.script.lines.size()));

    // The shrunken script replays with plain dravik: its check fails on the last line.
    Launched replay = launcher_.run(planted(small.script).text());
    EXPECT_NE(replay.transcript.find("A RETURN CODE CHECK FAILED"), std::string::npos) << replay.transcript;
    ASSERT_FALSE(replay.results.failures.empty());
    EXPECT_EQ(replay.results.failures.front().line, static_cast<long>(small.script.lines.size()) + 1);
}

}  // namespace
}  // namespace stress
