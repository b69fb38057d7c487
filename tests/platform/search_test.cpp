// Directory search over POSIX: FindFirstFileA, FindNextFileA and FindClose. A search
// is a snapshot; "." and ".." come first (never at a drive root), then the names in
// case-insensitive order; no match gives 2, a missing folder 3, the end 18; and the
// wildcard rules (*, ?, *.* and *. match every name).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "files_fixture.h"
#include "platform/posix/wildcard.h"

namespace {

// The drive R: of this test program: a scratch folder, mapped through DRAVIK_DRIVES
// before the first name is translated, so that the drive-root rule is tested on a
// root of known contents (the real "/" may hold mounts that hang a search).
class ScratchDrive : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/dravik-drive-root.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        const char* others = std::getenv("DRAVIK_DRIVES");
        std::string drives = (others != nullptr && *others != '\0') ? std::string(others) + ";" : std::string();
        setenv("DRAVIK_DRIVES", (drives + "R=" + root).c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    static inline std::string root;
};
const auto* const kScratchDrive = ::testing::AddGlobalTestEnvironment(new ScratchDrive);

struct Found {
    std::string name;
    DWORD attributes;
    DWORD size;
};

class SearchTest : public FileApiTest {
protected:
    void SetUp() override {
        FileApiTest::SetUp();
        std::filesystem::create_directories(posix("fd/sub"));
        std::filesystem::create_directories(posix("empty"));
        const char* files[] = {"a.x", "ab.x", "b.dat", "noext", "UPPER.DAT", "ro.dat"};
        std::size_t size = 1;
        for (const char* f : files) std::ofstream(posix(std::string("fd/") + f)) << std::string(size++, 'x');
        std::ofstream(posix("fd/.hidden")) << "hidden";
        ASSERT_TRUE(SetFileAttributesA(name("fd\\ro.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    }
    void TearDown() override {
        SetFileAttributesA(name("fd\\ro.dat").c_str(), 0);
        FileApiTest::TearDown();
    }

    // Every entry of a search, or the error of FindFirstFileA.
    std::vector<Found> find(const std::string& pattern, DWORD* error = nullptr) {
        std::vector<Found> found;
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(pattern.c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) {
            if (error) *error = GetLastError();
            return found;
        }
        do found.push_back({data.cFileName, data.dwFileAttributes, data.nFileSizeLow});
        while (FindNextFileA(h, &data));
        EXPECT_EQ(GetLastError(), DWORD(18));
        EXPECT_TRUE(FindClose(h));
        return found;
    }
    std::vector<std::string> names(const std::string& pattern) {
        std::vector<std::string> result;
        for (const Found& f : find(pattern)) result.push_back(f.name);
        return result;
    }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(SearchTest, ListsDotsFirstThenNamesWithoutRegardToCase) {
    const Names all = {".", "..", ".hidden", "a.x", "ab.x", "b.dat", "noext", "ro.dat", "sub", "UPPER.DAT"};
    EXPECT_EQ(names(name("fd\\*")), all);
    EXPECT_EQ(names(name("fd\\*.*")), all);
    EXPECT_EQ(names(name("fd\\*.")), all);
}

TEST_F(SearchTest, ReportsAttributesAndSizes) {
    for (const Found& f : find(name("fd\\*"))) {
        SCOPED_TRACE(f.name);
        if (f.name == "." || f.name == ".." || f.name == "sub") {
            EXPECT_EQ(f.attributes, DWORD(0x10));
            EXPECT_EQ(f.size, 0u);
        } else if (f.name == "ro.dat") {
            EXPECT_EQ(f.attributes, DWORD(0x01));  // exactly the bits set, as on Windows
        } else if (f.name == ".hidden") {
            EXPECT_EQ(f.attributes, DWORD(0x22));  // a file made elsewhere whose name begins with "."
        } else {
            EXPECT_EQ(f.attributes, DWORD(0x20));
        }
    }
    EXPECT_EQ(find(name("fd\\UPPER.DAT"))[0].size, 5u);
}

TEST_F(SearchTest, MatchesWildcards) {
    EXPECT_EQ(names(name("fd\\*.dat")), (Names{"b.dat", "ro.dat", "UPPER.DAT"}));
    EXPECT_EQ(names(name("fd\\?.x")), (Names{"a.x"}));
    EXPECT_EQ(names(name("fd\\?")), (Names{"."}));
    EXPECT_EQ(names(name("fd\\a?.x")), (Names{"ab.x"}));
    EXPECT_EQ(names(name("fd\\*x")), (Names{"a.x", "ab.x"}));
    EXPECT_EQ(names(name("fd\\AB.X")), (Names{"ab.x"}));
    EXPECT_EQ(names(name("fd\\.*")), (Names{".", "..", ".hidden"}));
    EXPECT_EQ(names(name("fd\\sub")), (Names{"sub"}));
    EXPECT_EQ(names(name("fd")), (Names{"fd"}));
    EXPECT_EQ(names(name("empty\\*")), (Names{".", ".."}));
}

TEST_F(SearchTest, WildcardRules) {
    using posix::MatchesWildcard;
    EXPECT_TRUE(MatchesWildcard("*", ""));
    EXPECT_TRUE(MatchesWildcard("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(MatchesWildcard("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(MatchesWildcard("*.*", "noext"));
    EXPECT_TRUE(MatchesWildcard("a.*", "a"));
    EXPECT_FALSE(MatchesWildcard("a.*", "ab"));
    EXPECT_TRUE(MatchesWildcard("abc.", "ABC"));
    EXPECT_FALSE(MatchesWildcard("?", ".."));
    EXPECT_FALSE(MatchesWildcard("a?", "a"));
}

TEST_F(SearchTest, FailuresOfFindFirst) {
    struct Case {
        std::string pattern;
        DWORD error;
    };
    std::ofstream(posix("afile")) << "x";
    const Case cases[] = {
        {name("nodir\\*"), 3},
        {name("fd\\nodir\\*"), 3},
        {name("fd\\zz*"), 2},
        {name("fd\\zz.txt"), 2},
        {name("fd\\"), 2},
        {name("afile\\*"), 123},
        {"Q:\\*", 3},
        // A name longer than MAX_PATH; a last component longer than any name can be.
        {name("fd\\" + std::string(300, 'a') + "*"), 206},
        {"Z:\\" + std::string(256, 'a'), 206},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        DWORD error = 0;
        EXPECT_TRUE(find(c.pattern, &error).empty());
        EXPECT_EQ(error, c.error);
    }
}

TEST_F(SearchTest, DriveRootHasNoDots) {
    std::filesystem::create_directory(ScratchDrive::root + "/sub");
    std::ofstream(ScratchDrive::root + "/a.txt") << "a";
    EXPECT_EQ(names("R:\\*"), (Names{"a.txt", "sub"}));
    EXPECT_EQ(names("R:\\sub\\*"), (Names{".", ".."}));
}

TEST_F(SearchTest, EndIsRepeatableAndTheSearchIsASnapshot) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(name("empty\\*").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::ofstream(posix("empty/late.txt")) << "x";
    EXPECT_TRUE(FindNextFileA(h, &data));
    EXPECT_STREQ(data.cFileName, "..");
    EXPECT_FAILS_WITH(FindNextFileA(h, &data), 18);
    EXPECT_FAILS_WITH(FindNextFileA(h, &data), 18);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FAILS_WITH(FindNextFileA(h, &data), 6);
    EXPECT_FAILS_WITH(FindClose(h), 6);
}

TEST_F(SearchTest, SizeAbove4GiBGoesToTheHighWord) {
    std::filesystem::resize_file(posix("fd/a.x"), (5ull << 30) + 7);
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(name("fd\\a.x").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeHigh, 1u);
    EXPECT_EQ(data.nFileSizeLow, (1u << 30) + 7);
    FindClose(h);
}
