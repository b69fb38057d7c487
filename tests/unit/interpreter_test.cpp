#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands.h"
#include "interpreter/command_line.h"
#include "interpreter/numbers.h"
#include "interpreter/options.h"
#include "interpreter/path_parts.h"

namespace {

ParsedCommand TokensOf(const std::string& text) {
    LineBuffer line;
    std::strncpy(line.text, text.c_str(), kLineBufferSize - 1);
    line.text[kLineBufferSize - 1] = '\0';
    ParsedCommand cmd;
    cmd[5] = "left over";  // from an earlier line: must be cleared
    Tokenise(line, cmd);
    return cmd;
}

int CountTokens(const ParsedCommand& cmd) {
    int n = 0;
    while (n < static_cast<int>(kMaxTokens) && cmd.has(n)) ++n;
    return n;
}

TEST(Tokenise, BlanksSeparateAndLeadOrTrailNothing) {
    ParsedCommand cmd = TokensOf("   write   3 0\t1   100 /rc=0   ");
    ASSERT_EQ(CountTokens(cmd), 5);
    EXPECT_EQ(cmd[0], "write");
    EXPECT_EQ(cmd[2], "0\t1");  // a tab is an ordinary character
    EXPECT_EQ(cmd[4], "/rc=0");
    EXPECT_FALSE(cmd.has(5));
}

TEST(Tokenise, CommentTokenDropsItselfAndTheRest) {
    ParsedCommand cmd = TokensOf("COMMIT 3 //note more words");
    EXPECT_EQ(CountTokens(cmd), 2);
    EXPECT_EQ(CountTokens(TokensOf("//all of it is a comment")), 0);
    EXPECT_EQ(CountTokens(TokensOf("a /x //")), 2);
    EXPECT_EQ(CountTokens(TokensOf("a b/ /x")), 3);  // "/" alone starts no comment
}

TEST(Tokenise, EmptyAndBlankLinesGiveNoTokens) {
    EXPECT_EQ(CountTokens(TokensOf("")), 0);
    EXPECT_EQ(CountTokens(TokensOf("      ")), 0);
}

TEST(Tokenise, KeepsTheFirstHundredTokens) {
    std::string line;
    for (int i = 0; i < 150; ++i) line.append("t").append(std::to_string(i)).append(" ");
    ParsedCommand cmd = TokensOf(line);
    EXPECT_EQ(CountTokens(cmd), 100);
    EXPECT_EQ(cmd[99], "t99");
    // A comment behind the hundredth token is never seen, and needs no handling.
    EXPECT_EQ(CountTokens(TokensOf(line + "//x")), 100);
}

// The title of the command that has the word, or "" for none.
std::string_view TitleOf(std::string word) {
    const CommandRow* row = Commands().find(word);
    return row ? row->title() : std::string_view();
}

OptionId OptionOf(std::string word) {
    const OptionRow* row = LookupOption(word);
    return row ? row->id : OptionId::None;
}

ValueForm FormOf(std::string word) { return LookupOption(word)->form; }

TEST(LookupCommand, EveryAliasAndLetterCase) {
    struct Case {
        const char* word;
        std::string_view title;
    } cases[] = {
        {"open", "OPEN"},
        {"Read", "READ"},
        {"WRITE", "WRITE"},
        {"chgptr", "CHGPTR"},
        {"ChgFilePtr", "CHGPTR"},
        {"SETFILEPTR", "CHGPTR"},
        {"close", "CLOSE"},
        {"copy", "COPY"},
        {"move", "MOVE"},
        {"erase", "DELETE"},
        {"delete", "DELETE"},
        {"rd", "RD"},
        {"cd", "CD"},
        {"commit", "COMMIT"},
        {"chgeof", "CHGEOF"},
        {"newsize", "CHGEOF"},
        {"changeeof", "CHGEOF"},
        {"getattr", "GETATTRIBUTES"},
        {"getattrs", "GETATTRIBUTES"},
        {"GetAttributes", "GETATTRIBUTES"},
        {"setattr", "SETATTRIBUTES"},
        {"setattrs", "SETATTRIBUTES"},
        {"setattributes", "SETATTRIBUTES"},
        {"create", "CREATE"},
        {"findfirst", "FINDFIRST"},
        {"findnext", "FINDNEXT"},
        {"findclose", "FINDCLOSE"},
        {"attach", "ATTACH"},
        {"assign", "ATTACH"},
        {"detach", "DETACH"},
        {"release", "DETACH"},
        {"qspace", "QSPACE"},
        {"md", "MD"},
        {"?", "HELP"},
        {"help", "HELP"},
        {"freedir", "FREEDIR"},
        {"rename", "RENAME"},
        {"lock", "LOCK"},
        {"unlock", "UNLOCK"},
        {"exit", "EXIT"},
        {"quit", "EXIT"},
        {"q", "EXIT"},
        {"e", "EXIT"},
        {"prompt", "PROMPT"},
        {"timer", "TIMER"},
        {"lockunlock", "LOCKUNLOCK"},
        {"duphandle", "DUPHANDLE"},
        {"devioctl", "DEVIOCTL"},
        {"setdefaultpath", "SETDEFAULTPATH"},
        {"setdefaultdrive", "SETDEFAULTPATH"},
        {"getvolumeinfo", "GETVOLUMEINFO"},
        {"getvolumelabel", "GETVOLUMEINFO"},
        {"getfilesize", "GETFILESIZE"},
        {"geteof", "GETFILESIZE"},
        {"serverioctl", "SERVERIOCTL"},
        {"map", "MAP"},
        {"unmap", "UNMAP"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TitleOf(c.word), c.title) << c.word;
    }
    std::string exit = "quit";
    EXPECT_EQ(Commands().find(exit)->handler, nullptr);
}

TEST(LookupCommand, NoAbbreviationsAndWordIsUpperCasedInPlace) {
    for (const char* word : {"OPE", "OPENX", "QUITX", "", "h", "exit.", "Ö"}) {
        EXPECT_EQ(TitleOf(word), "") << word;
    }
    std::string word = "GetEof";
    Commands().find(word);
    EXPECT_EQ(word, "GETEOF");
}

TEST(LookupOption, WordsAliasesAndRejections) {
    struct Case {
        const char* word;
        OptionId id;
    } cases[] = {
        {"rc", OptionId::Rc},
        {"ExpectedRC", OptionId::Rc},
        {"ea", OptionId::Ea},
        {"EAS", OptionId::Ea},
        {"allea", OptionId::AllEa},
        {"ALLEAS", OptionId::AllEa},
        {"fromname", OptionId::FromName},
        {"BEGINNAME", OptionId::FromName},
        {"readwriteaccess", OptionId::ReadWriteAccess},
        {"matchcriteria", OptionId::MatchCriteria},
        {"none", OptionId::NoneAttr},
        {"end", OptionId::End},
        {"beginning", OptionId::Beginning},
        {"asyncio", OptionId::AsyncIo},
        {"sync", OptionId::Sync},
        {"", OptionId::None},
        {"R", OptionId::None},
        {"RCX", OptionId::None},
        {"READWRITEACCES", OptionId::None},
        {"READWRITEACCESSX", OptionId::None},
        {"VERIF", OptionId::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OptionOf(c.word), c.id) << c.word;
    }
    std::string word = "denyNone";
    EXPECT_EQ(LookupOption(word)->id, OptionId::DenyNone);
    EXPECT_EQ(word, "DENYNONE");
}

TEST(LookupOption, ValueForms) {
    EXPECT_EQ(FormOf("RC"), ValueForm::Unsigned16);
    EXPECT_EQ(FormOf("EXPECTEDRC"), ValueForm::Unsigned16);
    EXPECT_EQ(FormOf("COUNT"), ValueForm::Unsigned16);
    EXPECT_EQ(FormOf("GETCOUNT"), ValueForm::Unsigned16);
    EXPECT_EQ(FormOf("SIZE"), ValueForm::Unsigned32);
    EXPECT_EQ(FormOf("EXPECTED"), ValueForm::Unsigned32);
    EXPECT_EQ(FormOf("CHANGEDATE"), ValueForm::Date);
    EXPECT_EQ(FormOf("CREATETIME"), ValueForm::Time);
    EXPECT_EQ(FormOf("VERIFY"), ValueForm::None);
}

TEST(ParseDecimal, DigitsWrapAndBadBytes) {
    std::uint32_t v32 = 7;
    EXPECT_EQ(ParseDecimal32("4294967295", v32), 0);
    EXPECT_EQ(v32, 4294967295u);
    EXPECT_EQ(ParseDecimal32("4294967296", v32), 0);
    EXPECT_EQ(v32, 0u);
    EXPECT_EQ(ParseDecimal32("", v32), 0);
    EXPECT_EQ(v32, 0u);
    for (const char* bad : {"-1", "+1", "12x", "0x10", " 1", "1.0", "/1"}) {
        v32 = 7;
        EXPECT_EQ(ParseDecimal32(bad, v32), 666) << bad;
        EXPECT_EQ(v32, 0u) << bad;
    }
    std::uint16_t v16 = 7;
    EXPECT_EQ(ParseDecimal16("65537", v16), 0);
    EXPECT_EQ(v16, 1);
    EXPECT_EQ(ParseDecimal16("65536", v16), 0);
    EXPECT_EQ(v16, 0);
    EXPECT_EQ(ParseDecimal16("99999999999999999999", v16), 0);
    EXPECT_EQ(v16, 65535);  // 99999999999999999999 mod 65536
    EXPECT_EQ(ParseDecimal16("12x", v16), 666);
    EXPECT_EQ(v16, 0);
}

class SplitPathTest : public ::testing::Test {
protected:
    std::string defaultPath = "D:\\WORK\\";
    PathParts parts;
};

TEST_F(SplitPathTest, DriveNames) {
    ASSERT_EQ(SplitPath("d:\\DIR\\SUB\\F.DAT", defaultPath, parts), 0);
    EXPECT_EQ(parts.qualifiedPath, "d:\\DIR\\SUB\\F.DAT");
    EXPECT_EQ(parts.root, "D:");
    EXPECT_EQ(parts.directory, "\\DIR\\SUB\\");
    EXPECT_EQ(parts.fileName, "F.DAT");

    ASSERT_EQ(SplitPath("X:\\F", defaultPath, parts), 0);
    EXPECT_EQ(parts.directory, "\\");
    EXPECT_EQ(parts.fileName, "F");
}

TEST_F(SplitPathTest, RelativeNamesJoinDefaultPath) {
    ASSERT_EQ(SplitPath("F.DAT", defaultPath, parts), 0);
    EXPECT_EQ(parts.qualifiedPath, "D:\\WORK\\F.DAT");
    EXPECT_EQ(parts.root, "D:");
    EXPECT_EQ(parts.directory, "\\WORK\\");
    EXPECT_EQ(parts.fileName, "F.DAT");

    ASSERT_EQ(SplitPath("SUB\\G", defaultPath, parts), 0);
    EXPECT_EQ(parts.qualifiedPath, "D:\\WORK\\SUB\\G");
    EXPECT_EQ(parts.directory, "\\WORK\\SUB\\");
}

TEST_F(SplitPathTest, DriveWithoutBackslashIsTakenFromTheRoot) {
    ASSERT_EQ(SplitPath("e:F.DAT", defaultPath, parts), 0);
    EXPECT_EQ(parts.qualifiedPath, "e:\\F.DAT");
    EXPECT_EQ(parts.root, "E:");
    EXPECT_EQ(parts.directory, "\\");
    EXPECT_EQ(parts.fileName, "F.DAT");
}

TEST_F(SplitPathTest, ServerNames) {
    ASSERT_EQ(SplitPath("\\\\server\\SHARE\\F", defaultPath, parts), 0);
    EXPECT_EQ(parts.root, "\\\\server");
    EXPECT_EQ(parts.directory, "\\SHARE\\");
    EXPECT_EQ(parts.fileName, "F");

    ASSERT_EQ(SplitPath("\\\\server\\F", defaultPath, parts), 0);
    EXPECT_EQ(parts.directory, "\\");

    // Two slashes are a server name too; the separator is still the backslash.
    ASSERT_EQ(SplitPath("//server\\SHARE\\F", defaultPath, parts), 0);
    EXPECT_EQ(parts.root, "//server");
    EXPECT_EQ(parts.directory, "\\SHARE\\");
}

TEST_F(SplitPathTest, MissingPiecesAreSyntaxErrors) {
    for (const char* bad : {"D:\\DIR\\", "D:", "d:\\", "\\\\server", "\\\\server\\", "\\\\\\x\\y", "//\\x\\y",
                            "///x\\y", "//server/share/f", "SUB\\"}) {
        EXPECT_EQ(SplitPath(bad, defaultPath, parts), 666) << bad;
    }
    defaultPath = "WORK\\";  // not a drive nor a server: nothing can be qualified
    EXPECT_EQ(SplitPath("F.DAT", defaultPath, parts), 666);
}

}  // namespace
