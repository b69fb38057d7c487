// dravik-run's own parsers and writers: the known-failures file, XML escaping, the
// verdict of a script from its records, and the timing ranks.
#include <gtest/gtest.h>

#include "runner/known_failures.h"
#include "runner/reports.h"
#include "runner/script_result.h"

namespace runner {
namespace {

TEST(KnownFailuresTest, EntriesCommentsAndBadLines) {
    std::vector<KnownFailure> entries;
    std::string problem;
    ASSERT_TRUE(ParseKnownFailures("# all of it\n\nlocks/a.dvk:12 waits for #42\n  b.dvk\nc:d.dvk:7 x  \n", "k",
                                   entries, problem))
        << problem;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].key, "locks/a.dvk");
    EXPECT_EQ(entries[0].line, 12);
    EXPECT_EQ(entries[0].reason, "waits for");
    EXPECT_EQ(entries[1].key, "b.dvk");
    EXPECT_FALSE(entries[1].line);
    EXPECT_EQ(entries[1].reason, "known failure");
    EXPECT_EQ(entries[2].key, "c:d.dvk");
    EXPECT_EQ(entries[2].line, 7);

    for (const char* bad : {"a.dvk:0 zero\n", "a.dvk:12345678901 long\n", ":3 no script\n"}) {
        entries.clear();
        EXPECT_FALSE(ParseKnownFailures(bad, "k", entries, problem)) << bad;
        EXPECT_EQ(problem.rfind("k:1: ", 0), 0u) << problem;
    }
}

TEST(XmlEscapeTest, MarkupQuotesAndControlBytes) {
    EXPECT_EQ(XmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(XmlEscape(std::string("t\tn\nr\r\x01\x1f.", 9)), "t\tn\nr\r??.");
    EXPECT_EQ(XmlEscape("\xc3\xa9"), "\xc3\xa9");
}

nlohmann::json End(long line, const char* outcome, const nlohmann::json& extra = nlohmann::json::object()) {
    nlohmann::json record = {{"event", "end"}, {"line", line},       {"command", "READ"},
                             {"rc", 0},        {"outcome", outcome}, {"us", 5}};
    record.update(extra);
    return record;
}

TEST(JudgeTest, FailuresOfEveryKindAndTheCommandInFlight) {
    ScriptResult result;
    result.records = {End(1, "pass"),
                      End(2, "none"),
                      End(3, "fail", {{"expected_rc", 38}, {"length", {{"expected", 9}, {"actual", 8}}}}),
                      End(4, "fail", {{"compare", {{"offset", 30}, {"expected", "30"}, {"actual", "58"}}}}),
                      {{"event", "start"}, {"line", 9}, {"command", "LOCK"}}};
    ProcessEnd end;
    end.how = ProcessEnd::How::Crashed;
    end.detail = "signal 6 (SIGABRT)";
    Judge(end, result);
    EXPECT_EQ(result.status, Status::Crashed);
    EXPECT_EQ(result.checks, 3);
    ASSERT_EQ(result.failures.size(), 4u);
    EXPECT_EQ(result.failures[0].kind, "rc");
    EXPECT_EQ(result.failures[0].expected, "38 ERROR_HANDLE_EOF");
    EXPECT_EQ(result.failures[1].got, "8 bytes read");
    EXPECT_EQ(result.failures[2].offset, 30u);
    EXPECT_EQ(result.failures[3].line, 9);
    EXPECT_EQ(result.failures[3].command, "LOCK");
    EXPECT_EQ(result.message, "crashed at line 9 (LOCK): died of signal 6 (SIGABRT)");
}

TEST(JudgeTest, KnownFailuresCoverOnlyTheirLines) {
    ScriptResult result;
    result.script.key = "s.dvk";
    result.records = {End(3, "fail", {{"expected_rc", 2}}), End(5, "pass"), {{"event", "exit"}}};
    Judge(ProcessEnd(), result);
    ASSERT_EQ(result.status, Status::Fail);
    ScriptResult listed = result;
    ApplyKnownFailures({{"s.dvk", 3, "bug 1"}, {"s.dvk", 5, "bug 2"}, {"other.dvk", 3, "no"}}, listed);
    EXPECT_EQ(listed.status, Status::KnownFailure);
    EXPECT_EQ(listed.todo, "bug 1");
    ASSERT_EQ(listed.unexpectedPasses.size(), 1u);
    EXPECT_EQ(listed.unexpectedPasses[0].line, 5);
    EXPECT_FALSE(FailsTheRun(listed));

    ApplyKnownFailures({{"s.dvk", 5, "bug 2"}}, result);
    EXPECT_EQ(result.status, Status::Fail);
    EXPECT_TRUE(FailsTheRun(result));
}

TEST(TimingTest, NearestRanks) {
    ScriptResult result;
    for (unsigned us = 1; us <= 200; ++us) result.records.push_back(End(us, "none", {{"us", us}}));
    result.records.push_back(End(1, "none", {{"command", "MD"}, {"us", 7}}));
    std::vector<TimingRow> rows = Timing({result});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].command, "MD");
    EXPECT_EQ(rows[0].p99, 7u);
    EXPECT_EQ(rows[1].count, 200u);
    EXPECT_EQ(rows[1].median, 100u);
    EXPECT_EQ(rows[1].p99, 198u);
    EXPECT_EQ(rows[1].max, 200u);
}

}  // namespace
}  // namespace runner
