// Directory and name calls over POSIX: CreateDirectoryA, RemoveDirectoryA,
// SetCurrentDirectoryA, DeleteFileA, MoveFileA and CopyFileA, with the codes Windows
// gives: 183 for a name that exists, 3 for a missing parent, 145 for a folder that is
// not empty, 267 for a file used as a folder, 32 for a file open without delete sharing,
// 5 for a read-only file or a folder given to DeleteFileA.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files_fixture.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareRW = FILE_SHARE_READ | FILE_SHARE_WRITE;

class NamesTest : public FileApiTest {
protected:
    void writeText(const std::string& file, const std::string& text) { std::ofstream(posix(file)) << text; }
    std::string readText(const std::string& file) {
        std::ifstream in(posix(file));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& file) { return std::filesystem::exists(posix(file)); }
};

// Restores the current directory that a test changes.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : saved_(std::filesystem::current_path()) {}
    ~CurrentDirectoryGuard() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

}  // namespace

TEST_F(NamesTest, CreateDirectory) {
    EXPECT_TRUE(CreateDirectoryA(name("d1").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(posix("d1")));
    EXPECT_FAILS_WITH(CreateDirectoryA(name("d1").c_str(), nullptr), 183);
    EXPECT_FAILS_WITH(CreateDirectoryA(name("d1\\").c_str(), nullptr), 183);
    EXPECT_TRUE(CreateDirectoryA(name("d2\\").c_str(), nullptr));  // a trailing "\" is allowed
    writeText("f.txt", "x");
    EXPECT_FAILS_WITH(CreateDirectoryA(name("f.txt").c_str(), nullptr), 183);
    EXPECT_FAILS_WITH(CreateDirectoryA(name("nodir\\new").c_str(), nullptr), 3);
    EXPECT_FAILS_WITH(CreateDirectoryA(name("f.txt\\new").c_str(), nullptr), 3);
    EXPECT_FAILS_WITH(CreateDirectoryA(name("wild*").c_str(), nullptr), 123);
    EXPECT_FAILS_WITH(CreateDirectoryA("Q:\\newdir", nullptr), 3);
}

TEST_F(NamesTest, RemoveDirectory) {
    ASSERT_TRUE(CreateDirectoryA(name("full").c_str(), nullptr));
    writeText("full/f.txt", "x");
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("full").c_str()), 145);
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("missing").c_str()), 2);
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("nodir\\missing").c_str()), 3);
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("full\\f.txt").c_str()), 267);

    ASSERT_TRUE(CreateDirectoryA(name("held").c_str(), nullptr));
    HANDLE h = open("held", GENERIC_READ, kShareRW, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("held").c_str()), 32);
    CloseHandle(h);
    EXPECT_TRUE(RemoveDirectoryA(name("held").c_str()));
    EXPECT_FALSE(exists("held"));

    {
        CurrentDirectoryGuard guard;
        ASSERT_TRUE(CreateDirectoryA(name("cwd").c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(name("cwd").c_str()));
        EXPECT_FAILS_WITH(RemoveDirectoryA(name("cwd").c_str()), 32);
    }
    EXPECT_TRUE(RemoveDirectoryA(name("cwd").c_str()));
}

TEST_F(NamesTest, ReadOnlyDirectoryKeepsItsBitAndRefusesRemoval) {
    ASSERT_TRUE(CreateDirectoryA(name("ro").c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(name("ro").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(name("ro").c_str()), DWORD(0x11));
    // Entries can still be made in it, as on Windows.
    EXPECT_TRUE(CreateDirectoryA(name("ro\\inner").c_str(), nullptr));
    EXPECT_TRUE(RemoveDirectoryA(name("ro\\inner").c_str()));
    EXPECT_FAILS_WITH(RemoveDirectoryA(name("ro").c_str()), 5);
    ASSERT_TRUE(SetFileAttributesA(name("ro").c_str(), 0));
    EXPECT_TRUE(RemoveDirectoryA(name("ro").c_str()));
}

TEST_F(NamesTest, SetCurrentDirectory) {
    CurrentDirectoryGuard guard;
    writeText("f.txt", "x");
    EXPECT_FAILS_WITH(SetCurrentDirectoryA(name("missing").c_str()), 2);
    EXPECT_FAILS_WITH(SetCurrentDirectoryA(name("nodir\\missing").c_str()), 3);
    EXPECT_FAILS_WITH(SetCurrentDirectoryA("Q:\\"), 3);
    EXPECT_FAILS_WITH(SetCurrentDirectoryA(name("f.txt").c_str()), 267);
    ASSERT_TRUE(CreateDirectoryA(name("sub").c_str(), nullptr));
    EXPECT_TRUE(SetCurrentDirectoryA(name("sub").c_str()));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(posix("sub")));
}

TEST_F(NamesTest, DeleteFile) {
    writeText("f.txt", "x");
    EXPECT_TRUE(DeleteFileA(name("f.txt").c_str()));
    EXPECT_FALSE(exists("f.txt"));
    EXPECT_FAILS_WITH(DeleteFileA(name("f.txt").c_str()), 2);
    EXPECT_FAILS_WITH(DeleteFileA(name("nodir\\f.txt").c_str()), 3);
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    EXPECT_FAILS_WITH(DeleteFileA(name("d").c_str()), 5);
    writeText("wild1.txt", "x");
    EXPECT_FAILS_WITH(DeleteFileA(name("wild*.txt").c_str()), 123);
    EXPECT_TRUE(exists("wild1.txt"));

    // Read-only refuses deletion whatever the process's rights; hidden and system do not.
    writeText("ro.txt", "x");
    ASSERT_TRUE(SetFileAttributesA(name("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FAILS_WITH(DeleteFileA(name("ro.txt").c_str()), 5);
    EXPECT_TRUE(exists("ro.txt"));
    writeText("hs.txt", "x");
    ASSERT_TRUE(SetFileAttributesA(name("hs.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(DeleteFileA(name("hs.txt").c_str()));
}

TEST_F(NamesTest, DeleteFileOfAnOpenFile) {
    struct Case {
        DWORD access;
        DWORD share;
        bool deletes;
    };
    const Case cases[] = {
        {RW, kShareRW, false},
        {GENERIC_READ, 0, false},
        {0, 0, true},  // an open without data access does not hold the file
        {RW, kShareRW | FILE_SHARE_DELETE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "access " << c.access << " share " << c.share);
        writeText("held.txt", "x");
        HANDLE h = open("held.txt", c.access, c.share, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        if (c.deletes) {
            EXPECT_TRUE(DeleteFileA(name("held.txt").c_str()));
        } else {
            EXPECT_FAILS_WITH(DeleteFileA(name("held.txt").c_str()), 32);
        }
        CloseHandle(h);
        std::filesystem::remove(posix("held.txt"));
    }
}

// A file deleted while a handle holds it open keeps its name until the last handle
// closes: a new file cannot take the name, and the name cannot be opened again.
TEST_F(NamesTest, ADeletedOpenFileKeepsItsNameUntilTheLastClose) {
    for (DWORD access : {RW, DWORD(0)}) {
        SCOPED_TRACE(testing::Message() << "access " << access);
        writeText("held.txt", "x");
        HANDLE h = open("held.txt", access, kShareRW | FILE_SHARE_DELETE, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        HANDLE second = open("held.txt", 0, kShareRW | FILE_SHARE_DELETE, OPEN_EXISTING);
        ASSERT_NE(second, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(DeleteFileA(name("held.txt").c_str()));
        EXPECT_TRUE(exists("held.txt"));
        EXPECT_EQ(open("held.txt", RW, kShareRW | FILE_SHARE_DELETE, CREATE_NEW), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), 80u);
        EXPECT_EQ(open("held.txt", GENERIC_READ, kShareRW | FILE_SHARE_DELETE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), 5u);
        EXPECT_FAILS_WITH(DeleteFileA(name("held.txt").c_str()), 5);
        EXPECT_FAILS_WITH(MoveFileA(name("held.txt").c_str(), name("moved.txt").c_str()), 5);
        EXPECT_FAILS_WITH(CopyFileA(name("held.txt").c_str(), name("copy.txt").c_str(), FALSE), 5);
        CloseHandle(h);
        EXPECT_TRUE(exists("held.txt"));
        CloseHandle(second);
        EXPECT_FALSE(exists("held.txt"));
    }
    // A file of the same name made after the close is a new file that stays.
    writeText("held.txt", "new");
    EXPECT_TRUE(exists("held.txt"));
}

TEST_F(NamesTest, MoveFile) {
    writeText("a.txt", "moved");
    writeText("keep.txt", "keep");
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    EXPECT_FAILS_WITH(MoveFileA(name("a.txt").c_str(), name("keep.txt").c_str()), 183);
    EXPECT_FAILS_WITH(MoveFileA(name("missing.txt").c_str(), name("x.txt").c_str()), 2);
    EXPECT_FAILS_WITH(MoveFileA(name("nodir\\a.txt").c_str(), name("x.txt").c_str()), 3);
    EXPECT_FAILS_WITH(MoveFileA(name("a.txt").c_str(), name("nodir\\x.txt").c_str()), 3);
    EXPECT_FAILS_WITH(MoveFileA(name("a.txt").c_str(), "Q:\\x.txt"), 2);
    EXPECT_FAILS_WITH(MoveFileA(name("a.txt").c_str(), name("d").c_str()), 183);
    EXPECT_TRUE(MoveFileA(name("a.txt").c_str(), name("d\\a.txt").c_str()));
    EXPECT_TRUE(MoveFileA(name("d\\a.txt").c_str(), name("a.txt").c_str()));
    EXPECT_TRUE(MoveFileA(name("a.txt").c_str(), name("a.txt").c_str()));
    EXPECT_EQ(readText("a.txt"), "moved");
    // A change of case only renames, as on Windows.
    EXPECT_TRUE(MoveFileA(name("a.txt").c_str(), name("A.TXT").c_str()));
    EXPECT_EQ(readText("A.TXT"), "moved");
    EXPECT_TRUE(MoveFileA(name("A.TXT").c_str(), name("a.txt").c_str()));
    EXPECT_EQ(readText("keep.txt"), "keep");
}

TEST_F(NamesTest, MoveDirectory) {
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(name("d\\inner").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(name("other").c_str(), nullptr));
    writeText("f.txt", "x");
    EXPECT_FAILS_WITH(MoveFileA(name("d").c_str(), name("other").c_str()), 183);
    EXPECT_FAILS_WITH(MoveFileA(name("d").c_str(), name("f.txt").c_str()), 183);
    EXPECT_FAILS_WITH(MoveFileA(name("d").c_str(), name("d\\inner\\d").c_str()), 87);
    EXPECT_TRUE(MoveFileA(name("d").c_str(), name("renamed").c_str()));
    EXPECT_TRUE(MoveFileA(name("renamed").c_str(), name("other\\renamed").c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(posix("other/renamed/inner")));
}

TEST_F(NamesTest, MoveFileOfOpenAndReadOnlyFiles) {
    writeText("held.txt", "x");
    for (DWORD share : {kShareRW, DWORD(0)}) {
        HANDLE h = open("held.txt", RW, share, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_FAILS_WITH(MoveFileA(name("held.txt").c_str(), name("moved.txt").c_str()), 32);
        CloseHandle(h);
    }
    ASSERT_TRUE(SetFileAttributesA(name("held.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(MoveFileA(name("held.txt").c_str(), name("moved.txt").c_str()));
    EXPECT_EQ(GetFileAttributesA(name("moved.txt").c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
}

TEST_F(NamesTest, MoveAcrossFileSystems) {
    struct stat here, there;
    ASSERT_EQ(stat(dir_.c_str(), &here), 0);
    if (stat("/dev/shm", &there) != 0 || there.st_dev == here.st_dev) GTEST_SKIP() << "no second file system";
    char pattern[] = "/dev/shm/dravik-names-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string other = std::string("Z:") + pattern;
    writeText("a.txt", "across");
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    // A file is copied and deleted, keeping its data; a directory cannot go there.
    EXPECT_TRUE(MoveFileA(name("a.txt").c_str(), (other + "\\a.txt").c_str()));
    EXPECT_FALSE(exists("a.txt"));
    std::ifstream in(std::string(pattern) + "/a.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "across");
    EXPECT_FAILS_WITH(MoveFileA(name("d").c_str(), (other + "\\d").c_str()), 17);
    std::filesystem::remove_all(pattern);
}

TEST_F(NamesTest, CopyFile) {
    writeText("src.txt", std::string(50, 's'));
    writeText("dst.txt", "old");
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), TRUE), 80);
    EXPECT_EQ(readText("dst.txt"), "old");
    SetLastError(0xDEAD);
    EXPECT_TRUE(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), DWORD(0));  // success sets 0
    EXPECT_EQ(readText("dst.txt"), std::string(50, 's'));
    EXPECT_TRUE(CopyFileA(name("src.txt").c_str(), name("new.txt").c_str(), TRUE));
    EXPECT_EQ(sizeOf("new.txt"), 50u);
    makeFile("large.bin", 300000);  // more than one buffer of the copy
    EXPECT_TRUE(CopyFileA(name("large.bin").c_str(), name("large.copy").c_str(), TRUE));
    EXPECT_EQ(readText("large.copy"), readText("large.bin"));
    EXPECT_FAILS_WITH(CopyFileA(name("missing.txt").c_str(), name("x.txt").c_str(), FALSE), 2);
    EXPECT_FAILS_WITH(CopyFileA(name("nodir\\src.txt").c_str(), name("x.txt").c_str(), FALSE), 3);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("nodir\\x.txt").c_str(), FALSE), 3);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), "Q:\\x.txt", FALSE), 2);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("src.txt").c_str(), FALSE), 32);
    EXPECT_EQ(sizeOf("src.txt"), 50u);
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    EXPECT_FAILS_WITH(CopyFileA(name("d").c_str(), name("x.txt").c_str(), FALSE), 5);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("d").c_str(), FALSE), 5);
}

TEST_F(NamesTest, CopyFileRefusesReadOnlyAndHiddenTargets) {
    writeText("src.txt", "new");
    for (DWORD bits : {DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_HIDDEN)}) {
        SCOPED_TRACE(bits);
        writeText("dst.txt", "old");
        ASSERT_TRUE(SetFileAttributesA(name("dst.txt").c_str(), bits));
        EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), FALSE), 5);
        EXPECT_EQ(readText("dst.txt"), "old");
        ASSERT_TRUE(SetFileAttributesA(name("dst.txt").c_str(), 0));
    }
}

TEST_F(NamesTest, CopyFileKeepsAttributesAndLastWriteTime) {
    writeText("src.txt", "data");
    HANDLE h = open("src.txt", RW, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME written{0x7DB50500u, 0x01C08D96u};  // 2001-02-03 04:05:06
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &written));
    CloseHandle(h);
    ASSERT_TRUE(SetFileAttributesA(name("src.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), TRUE));
    EXPECT_EQ(GetFileAttributesA(name("dst.txt").c_str()), DWORD(0x23));
    h = open("dst.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME copied{};
    ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &copied));
    CloseHandle(h);
    EXPECT_EQ(copied.dwHighDateTime, written.dwHighDateTime);
    EXPECT_EQ(copied.dwLowDateTime, written.dwLowDateTime);
    SetFileAttributesA(name("src.txt").c_str(), 0);
    SetFileAttributesA(name("dst.txt").c_str(), 0);
}

TEST_F(NamesTest, CopyFileHonoursShareModes) {
    writeText("src.txt", "data");
    HANDLE h = open("src.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("a.txt").c_str(), FALSE), 32);
    CloseHandle(h);
    h = open("src.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_TRUE(CopyFileA(name("src.txt").c_str(), name("b.txt").c_str(), FALSE));
    CloseHandle(h);
    h = open("b.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("b.txt").c_str(), FALSE), 32);
    CloseHandle(h);
}

// file.c test_CopyFileA asserts these of Windows: the source is read with read and
// write sharing, the target replaced as a writer that shares both; a target with a
// mapped view gives 1224.
TEST_F(NamesTest, CopyFileOpensItsSourceAndTargetAsWindowsDoes) {
    writeText("src.txt", "data");
    writeText("dst.txt", "old contents");
    HANDLE source = open("src.txt", RW, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(source, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CopyFileA(name("src.txt").c_str(), name("a.txt").c_str(), FALSE));
    CloseHandle(source);

    HANDLE target = open("dst.txt", RW, kShareRW, OPEN_EXISTING);
    ASSERT_NE(target, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), FALSE));
    EXPECT_EQ(readText("dst.txt"), "data");
    HANDLE mapping = CreateFileMappingA(target, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    writeText("src.txt", "other");
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), FALSE), ERROR_USER_MAPPED_FILE);
    EXPECT_EQ(readText("dst.txt"), "data");
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    CloseHandle(target);

    target = open("dst.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FAILS_WITH(CopyFileA(name("src.txt").c_str(), name("dst.txt").c_str(), FALSE), 32);
    CloseHandle(target);
}

// A name of more than MAX_PATH characters is refused before the file system is asked,
// whatever its components; one of MAX_PATH characters is looked up.
TEST_F(NamesTest, NamesLongerThanMaxPathAreRefused) {
    std::string prefix = name("");
    std::string fits = prefix + std::string(MAX_PATH - prefix.size(), 'x');
    std::string tooLong = fits + "x";
    ASSERT_EQ(fits.size(), std::size_t(MAX_PATH));
    EXPECT_EQ(GetFileAttributesA(fits.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(GetFileAttributesA(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), 206u);
    EXPECT_FAILS_WITH(SetFileAttributesA(tooLong.c_str(), FILE_ATTRIBUTE_HIDDEN), 206);
    EXPECT_FAILS_WITH(DeleteFileA(tooLong.c_str()), 206);
    EXPECT_FAILS_WITH(RemoveDirectoryA(tooLong.c_str()), 206);
    EXPECT_FAILS_WITH(CreateDirectoryA(tooLong.c_str(), nullptr), 206);
    EXPECT_FALSE(exists(tooLong.substr(prefix.size())));

    // The second name of a move or a copy may be longer.
    writeText("short.txt", "x");
    EXPECT_TRUE(CopyFileA(name("short.txt").c_str(), tooLong.c_str(), FALSE));
    EXPECT_FAILS_WITH(CopyFileA(tooLong.c_str(), name("copy.txt").c_str(), FALSE), 206);
    EXPECT_FAILS_WITH(MoveFileA(tooLong.c_str(), name("moved.txt").c_str()), 206);
    ASSERT_TRUE(std::filesystem::remove(posix(tooLong.substr(prefix.size()))));
    EXPECT_TRUE(MoveFileA(name("short.txt").c_str(), tooLong.c_str()));
    EXPECT_TRUE(exists(tooLong.substr(prefix.size())));
    EXPECT_TRUE(CreateDirectoryA(fits.c_str(), nullptr));
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(fits.c_str(), &data);
    EXPECT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(FindFirstFileA((fits + "*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 206u);
}
