// The Win32 name rules of the POSIX layer: letter case, normal forms, invalid names and
// DOS device names, as every name-taking call applies them. Where an expectation is
// Windows' own behaviour, the comment names the assertion of Wine's kernel32 tests
// (dlls/kernel32/tests/file.c, path.c; not todo_wine) that pins it down.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "files_fixture.h"
#include "platform/posix/case_lookup.h"
#include "platform/posix/name_rules.h"

namespace {

class Win32NamesTest : public FileApiTest {
protected:
    void writeText(const std::string& file, const std::string& text) { std::ofstream(posix(file)) << text; }
    bool exists(const std::string& file) { return std::filesystem::exists(posix(file)); }
    std::string readBack(HANDLE h) {
        char buffer[64];
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &got, nullptr));
        return std::string(buffer, got);
    }
};

std::string Normal(const std::string& name, posix::NameUse use = posix::NameUse::Plain) {
    posix::NormalName result;
    DWORD error = 0;
    if (!posix::NormalizeName(name, use, result, error)) return "error " + std::to_string(error);
    return result.name + (result.trailingSeparator ? " (separator)" : "");
}

posix::DosDevice DeviceOf(const std::string& name) {
    posix::NormalName result;
    DWORD error = 0;
    EXPECT_TRUE(posix::NormalizeName(name, posix::NameUse::Plain, result, error)) << name;
    return result.device;
}

}  // namespace

// GetFullPathNameA in path.c: trailing dots and blanks of the last component go, "."
// and ".." are resolved and stop at the root.
TEST(NormalizeName, NormalForms) {
    EXPECT_EQ(Normal("Z:\\d\\a.dat."), "Z:\\d\\a.dat");
    EXPECT_EQ(Normal("Z:\\d\\a.dat. . "), "Z:\\d\\a.dat");
    EXPECT_EQ(Normal("Z:\\d.\\e"), "Z:\\d\\e");  // inner components lose one dot
    EXPECT_EQ(Normal("Z:\\d\\nosuch\\..\\a.dat"), "Z:\\d\\a.dat");
    EXPECT_EQ(Normal("Z:\\d\\.\\.\\a.dat"), "Z:\\d\\a.dat");
    EXPECT_EQ(Normal("Z:\\..\\x"), "Z:\\x");
    EXPECT_EQ(Normal("Z:\\..\\..\\"), "Z:\\ (separator)");
    EXPECT_EQ(Normal("\\\\srv\\share\\..\\..\\x"), "\\\\srv\\share\\x");
    EXPECT_EQ(Normal("Z:\\d\\\\e//f"), "Z:\\d\\e\\f");
    EXPECT_EQ(Normal("Z:\\d\\sub\\"), "Z:\\d\\sub (separator)");
    EXPECT_EQ(Normal("..\\a\\..\\b"), "..\\b");  // a relative name keeps its climbs
    // The prefixes name the same things; "\\?\" takes the rest as written.
    EXPECT_EQ(Normal("\\\\?\\Z:\\d\\a.dat"), "Z:\\d\\a.dat");
    EXPECT_EQ(Normal("\\\\?\\Z:\\d\\a.dat."), "Z:\\d\\a.dat.");
    EXPECT_EQ(Normal("\\\\?\\UNC\\srv\\share\\f"), "\\\\srv\\share\\f");
    EXPECT_EQ(Normal("\\\\.\\Z:\\"), "Z:\\ (separator)");
    EXPECT_EQ(Normal("\\\\.\\z:\\d\\..\\f."), "z:\\f");
    // A pattern's last component is left to the wildcard rules.
    EXPECT_EQ(Normal("Z:\\d\\*.", posix::NameUse::Pattern), "Z:\\d\\*.");
    EXPECT_EQ(Normal("Z:\\d\\..\\e\\a?", posix::NameUse::Pattern), "Z:\\e\\a?");
}

// CreateFileA in file.c: control characters and < > : " | are invalid names (123).
TEST(NormalizeName, InvalidNames) {
    for (const char* bad : {"Z:\\a<b", "Z:\\a>b", "Z:\\a:b", "Z:\\a\"b", "Z:\\a|b", "Z:\\a\001b", "Z:\\a\x1f",
                            "Z:\\d<\\x", "Z:\\a*b", "Z:\\d?\\x"})
        EXPECT_EQ(Normal(bad), "error 123") << bad;
    EXPECT_EQ(Normal("Z:\\a*b", posix::NameUse::Pattern), "Z:\\a*b");
    EXPECT_EQ(Normal("Z:\\d*\\x", posix::NameUse::Pattern), "error 123");  // only the last may
    EXPECT_EQ(Normal("Z:\\" + std::string(255, 'n')), "Z:\\" + std::string(255, 'n'));
    EXPECT_EQ(Normal("Z:\\" + std::string(256, 'n')), "error 206");
    EXPECT_EQ(Normal("Z:\\" + std::string(256, 'n') + "\\x"), "error 206");
}

// file.c (test_CreateFileA, test_FindFirstFileA): "nul" in any folder is the device.
TEST(NormalizeName, DosDeviceNames) {
    using posix::DosDevice;
    EXPECT_EQ(DeviceOf("Z:\\tmp\\nul"), DosDevice::Nul);
    EXPECT_EQ(DeviceOf("Z:\\tmp\\NUL.txt"), DosDevice::Nul);
    EXPECT_EQ(DeviceOf("nul "), DosDevice::Nul);
    for (const char* absent : {"con", "AUX", "prn.log", "Z:\\x\\com1", "COM9.a.b", "lpt1", "LPT9"})
        EXPECT_EQ(DeviceOf(absent), DosDevice::Absent) << absent;
    for (const char* file : {"nul1", "nulx.txt", "com0", "com10", "lpt", "x.nul", "Z:\\nul\\x"})
        EXPECT_EQ(DeviceOf(file), DosDevice::None) << file;
}

TEST(CaseLookup, SameNameIgnoringCase) {
    EXPECT_TRUE(posix::SameNameIgnoringCase("a.TXT", "A.txt"));
    EXPECT_TRUE(posix::SameNameIgnoringCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"));  // été / ÉTÉ
    EXPECT_TRUE(posix::SameNameIgnoringCase("\xd1\x8f", "\xd0\xaf"));                    // я / Я
    EXPECT_FALSE(posix::SameNameIgnoringCase("a.txt", "a.txt2"));
    EXPECT_FALSE(posix::SameNameIgnoringCase("\xff", "\xfe"));  // not UTF-8: bytes as they are
    EXPECT_TRUE(posix::SameNameIgnoringCase("\xff", "\xff"));
}

// Names are case-insensitive and case-preserving, as on NTFS.
TEST_F(Win32NamesTest, EveryCallFindsANameWithoutRegardToCase) {
    writeText("a.txt", "lower");
    ASSERT_TRUE(std::filesystem::create_directory(posix("test-dir")));
    writeText("test-dir/inner.dat", "x");

    HANDLE h = open("A.TXT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readBack(h), "lower");
    CloseHandle(h);
    EXPECT_EQ(open("A.Txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_NE(GetFileAttributesA(name("TEST-DIR\\INNER.DAT").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_FAILS_WITH(CreateDirectoryA(name("TEST-DIR").c_str(), nullptr), ERROR_ALREADY_EXISTS);
    writeText("other.txt", "o");
    EXPECT_FAILS_WITH(MoveFileA(name("other.txt").c_str(), name("A.TXT").c_str()), ERROR_ALREADY_EXISTS);

    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(name("TEST-DIR\\*.DAT").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "inner.dat");
    FindClose(search);

    EXPECT_TRUE(DeleteFileA(name("A.TXT").c_str()));
    EXPECT_FALSE(exists("a.txt"));
    // A new name keeps the spelling it is given, in the folder as it is spelled.
    h = open("Test-Dir\\New.Dat", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(exists("test-dir/New.Dat"));
}

TEST_F(Win32NamesTest, ACaseOnlyRenameRenames) {
    writeText("a.fil", "x");
    EXPECT_TRUE(MoveFileA(name("a.fil").c_str(), name("A.FIL").c_str()));
    EXPECT_TRUE(exists("A.FIL"));
    EXPECT_FALSE(exists("a.fil"));
    EXPECT_TRUE(MoveFileA(name("A.FIL").c_str(), name("A.FIL").c_str()));  // its own name
    ASSERT_TRUE(std::filesystem::create_directory(posix("dir")));
    EXPECT_TRUE(MoveFileA(name("DIR").c_str(), name("Dir").c_str()));
    EXPECT_TRUE(exists("Dir"));
}

// Linux lets one folder hold two spellings of a name: the exact one wins, else the
// first in listing order (without regard to case, then by bytes: "A.TXT" before "a.txt").
TEST_F(Win32NamesTest, TwoSpellingsResolveToTheExactOneElseTheFirstListed) {
    writeText("a.txt", "lower");
    writeText("A.TXT", "upper");
    HANDLE h = open("a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(readBack(h), "lower");
    CloseHandle(h);
    h = open("A.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_EQ(readBack(h), "upper");
    CloseHandle(h);
}

TEST_F(Win32NamesTest, NormalFormsReachTheFileSystem) {
    writeText("a.dat", "x");
    EXPECT_NE(GetFileAttributesA(name("a.dat.").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(name("nosuch\\..\\a.dat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(CreateDirectoryA(name("e.").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(posix("e")));
    EXPECT_NE(GetFileAttributesA(("\\\\?\\" + name("a.dat")).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileA(("\\\\.\\" + name("e\\..\\a.dat ")).c_str()));
    EXPECT_FALSE(exists("a.dat"));
}

TEST_F(Win32NamesTest, InvalidNamesCreateNothing) {
    for (const char* bad : {"a<b", "a>b", "a:b", "a\"b", "a|b", "a\tb"}) {
        EXPECT_EQ(open(bad, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE) << bad;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_NAME)) << bad;
        EXPECT_FAILS_WITH(CreateDirectoryA(name(bad).c_str(), nullptr), ERROR_INVALID_NAME);
    }
    std::string longName(256, 'n');
    EXPECT_EQ(open(longName, GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FAILS_WITH(CreateDirectoryA(name(longName).c_str(), nullptr), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

// file.c test_CreateFileA and test_FindFirstFileA: "nul" opens in any folder, reads
// nothing and takes writes, and FindFirstFileA finds it.
TEST_F(Win32NamesTest, NulIsTheNullDeviceInEveryFolder) {
    for (const char* nul : {"nul", "NUL.txt", "nosuch\\nul"}) {
        HANDLE h = open(nul, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << nul;
        DWORD done = 1;
        EXPECT_TRUE(WriteFile(h, "data", 4, &done, nullptr));
        EXPECT_EQ(done, 4u);
        EXPECT_EQ(readBack(h), "");
        CloseHandle(h);
    }
    HANDLE h = open("nul", GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE again = open("NUL", GENERIC_READ, 0, OPEN_EXISTING);  // a device, not a shared file
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
    CloseHandle(h);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(name("nul").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "nul");
    EXPECT_EQ(data.nFileSizeLow, 0u);
    FindClose(search);
    // Nothing about the device may change through a file name.
    EXPECT_FAILS_WITH(DeleteFileA(name("nul").c_str()), ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(SetFileAttributesA(name("nul").c_str(), FILE_ATTRIBUTE_READONLY), ERROR_ACCESS_DENIED);
    writeText("f.dat", "x");
    EXPECT_FAILS_WITH(MoveFileA(name("f.dat").c_str(), name("nul").c_str()), ERROR_ACCESS_DENIED);
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(std::filesystem::is_empty(dir_) || std::filesystem::exists(posix("f.dat")));

    // The other devices are absent here.
    for (const char* absent : {"com1", "LPT1.txt", "aux", "prn", "con"}) {
        EXPECT_EQ(open(absent, GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE) << absent;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND)) << absent;
    }
}

TEST_F(Win32NamesTest, SensitiveCaseKeepsThePlainPosixLookup) {
    writeText("a.txt", "lower");
    setenv("DRAVIK_CASE", "sensitive", 1);
    EXPECT_EQ(open("A.TXT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    HANDLE h = open("A.TXT", GENERIC_WRITE, 0, CREATE_NEW);  // a second spelling beside a.txt
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    unsetenv("DRAVIK_CASE");
    EXPECT_TRUE(exists("A.TXT"));
    EXPECT_TRUE(exists("a.txt"));
}
