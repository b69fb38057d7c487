// The rules file of faultfs: what a line plants, and which lines are refused.
#include "rules.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using faultfs::Fault;

std::vector<faultfs::Rule> Parse(const char* text) {
    std::string problem;
    auto rules = faultfs::ParseRules(text, problem);
    EXPECT_TRUE(rules.has_value()) << problem;
    return rules.value_or(std::vector<faultfs::Rule>{});
}

TEST(FaultRules, FaultsMatchTheLastComponentByGlob) {
    auto rules = Parse("# planted faults\n\nread *.bad\nfsync sync-me ENOSPC\n  keepold old?.fil\n");
    ASSERT_EQ(rules.size(), 3U);
    EXPECT_NE(faultfs::Find(rules, Fault::Read, "/dir/x.bad"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::Read, "/x.bad/inner"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::Write, "/x.bad"), nullptr);
    ASSERT_NE(faultfs::Find(rules, Fault::Fsync, "/sync-me"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::Fsync, "/sync-me")->error, ENOSPC);
    EXPECT_EQ(faultfs::Find(rules, Fault::Read, "x.bad")->error, EIO);
    EXPECT_NE(faultfs::Find(rules, Fault::KeepOld, "/old1.fil"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::KeepOld, "/old12.fil"), nullptr);
}

TEST(FaultRules, NameFaultsTakeTheirErrors) {
    auto rules = Parse("unlink held.fil EBUSY\nbusy brief*.fil EBUSY\nstat gone.fil\n");
    ASSERT_NE(faultfs::Find(rules, Fault::Unlink, "/d/held.fil"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::Unlink, "/d/held.fil")->error, EBUSY);
    EXPECT_EQ(faultfs::Find(rules, Fault::Busy, "/brief1.fil")->error, EBUSY);
    EXPECT_EQ(faultfs::Find(rules, Fault::Busy, "/held.fil"), nullptr);
    EXPECT_EQ(faultfs::Find(rules, Fault::Stat, "/gone.fil")->error, EIO);
    EXPECT_EQ(faultfs::Find(rules, Fault::Unlink, "/gone.fil"), nullptr);
    EXPECT_FALSE(faultfs::NeedsDirectIo(rules, "/held.fil"));
}

TEST(FaultRules, TransferFaultsBypassThePageCacheButPageInsDoNot) {
    auto rules = Parse("read r\nwrite w\nstale s\ndrop d\npagein p\nfsync f\nreaddir r2\n");
    for (const char* name : {"/r", "/w", "/s", "/d"}) EXPECT_TRUE(faultfs::NeedsDirectIo(rules, name)) << name;
    for (const char* name : {"/p", "/f", "/r2", "/other"}) EXPECT_FALSE(faultfs::NeedsDirectIo(rules, name)) << name;
}

TEST(FaultRules, ALineThatIsNotARuleIsRefusedWithItsNumber) {
    for (const char* text : {"read\n", "mangle x\n", "read x EWHAT\n", "read x EIO extra\n"}) {
        std::string problem;
        EXPECT_FALSE(faultfs::ParseRules(std::string("# ok\n") + text, problem).has_value()) << text;
        EXPECT_NE(problem.find("line 2"), std::string::npos) << problem;
    }
}

}  // namespace
