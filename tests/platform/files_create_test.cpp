// CreateFileA over POSIX: dispositions, names, attributes of new files, READONLY and
// HIDDEN files, and share modes among the process's handles.
#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "files_fixture.h"
#include "platform/posix/dos_attributes.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;

DWORD AttributesOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    return posix::GetAttributeBits(path, st);
}

}  // namespace

TEST_F(FileApiTest, DispositionsOnMissingAndExistingFiles) {
    struct Case {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        std::uintmax_t sizeAfter;
    };
    const Case cases[] = {
        {CREATE_NEW, false, true, 0, 0},       {CREATE_NEW, true, false, 80, 100},
        {CREATE_ALWAYS, false, true, 0, 0},    {CREATE_ALWAYS, true, true, 183, 0},
        {OPEN_EXISTING, true, true, 0, 100},   {OPEN_EXISTING, false, false, 2, 0},
        {OPEN_ALWAYS, false, true, 0, 0},      {OPEN_ALWAYS, true, true, 183, 100},
        {TRUNCATE_EXISTING, true, true, 0, 0}, {TRUNCATE_EXISTING, false, false, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << " exists " << c.exists);
        std::filesystem::remove(posix("f.txt"));
        if (c.exists) makeFile("f.txt", 100);
        SetLastError(0xDEAD);
        HANDLE h = open("f.txt", RW, 0, c.disposition);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(sizeOf("f.txt"), c.sizeAfter);
            CloseHandle(h);
        }
    }
}

// file.c test_CreateFile asserts 87 of Windows for TRUNCATE_EXISTING without
// GENERIC_WRITE, on a file and a directory alike (Wine truncates there).
TEST_F(FileApiTest, TruncateExistingWithoutWriteAccessIsAnInvalidParameter) {
    makeFile("f.txt", 100);
    std::filesystem::create_directory(posix("adir"));
    for (DWORD access : {0u, static_cast<DWORD>(GENERIC_READ)}) {
        EXPECT_FAILS_WITH(open("f.txt", access, 0, TRUNCATE_EXISTING) != INVALID_HANDLE_VALUE, 87);
        EXPECT_FAILS_WITH(
            open("adir", access, 0, TRUNCATE_EXISTING, FILE_FLAG_BACKUP_SEMANTICS) != INVALID_HANDLE_VALUE, 87);
    }
    EXPECT_EQ(sizeOf("f.txt"), 100u);
    HANDLE h = open("f.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(sizeOf("f.txt"), 0u);
    CloseHandle(h);
}

TEST_F(FileApiTest, BadDispositionsAndNames) {
    makeFile("exist.txt", 10);
    std::filesystem::create_directory(posix("adir"));
    for (DWORD disposition : {0u, 6u})
        EXPECT_FAILS_WITH(open("exist.txt", RW, 0, disposition) != INVALID_HANDLE_VALUE, 87);
    for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS, TRUNCATE_EXISTING})
        EXPECT_FAILS_WITH(open("nodir\\x.txt", RW, 0, disposition) != INVALID_HANDLE_VALUE, 3);
    EXPECT_FAILS_WITH(open("nodir\\sub\\x.txt", RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE, 3);
    EXPECT_FAILS_WITH(open("exist.txt\\x.txt", RW, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 3);
    EXPECT_FAILS_WITH(open("exist.txt\\", RW, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 123);
    EXPECT_FAILS_WITH(open("wild*.txt", RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE, 123);
    EXPECT_FAILS_WITH(open("wild?.txt", RW, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 123);
    EXPECT_FAILS_WITH(open(std::string(300, 'n'), RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE, 206);
    EXPECT_FAILS_WITH(CreateFileA("", RW, 0, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE, 3);
    EXPECT_FALSE(std::filesystem::exists(posix("wild*.txt")));
}

TEST_F(FileApiTest, TrailingDotsAndForwardSlashesNameTheSameFile) {
    makeFile("exist.txt", 10);
    std::filesystem::create_directory(posix("adir"));
    for (const char* alias : {"exist.txt.", "exist.txt ", "adir/../exist.txt"}) {
        HANDLE h = open(alias, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << alias;
        CloseHandle(h);
    }
}

TEST_F(FileApiTest, DirectoriesOpenOnlyWithBackupSemantics) {
    std::filesystem::create_directory(posix("adir"));
    for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING})
        EXPECT_FAILS_WITH(open("adir", RW, 0, disposition) != INVALID_HANDLE_VALUE, 5);
    for (DWORD access : {0u, static_cast<DWORD>(GENERIC_READ)})
        EXPECT_FAILS_WITH(open("adir", access, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 5);
    // file.c test_CreateFile: Windows gives 5 for CREATE_NEW on a directory (Wine 80).
    EXPECT_FAILS_WITH(open("adir", RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE, 5);
    EXPECT_FAILS_WITH(open("adir\\", GENERIC_READ, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 5);
    HANDLE h = open("adir", GENERIC_READ, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FAILS_WITH(FlushFileBuffers(h), 5);
    CloseHandle(h);
}

TEST_F(FileApiTest, NewFilesGetArchiveAndTheAskedBits) {
    struct Case {
        const char* file;
        DWORD flags;
        DWORD attributes;
    };
    const Case cases[] = {
        {"hs.txt", FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE,
         0x26},
        {"normal.txt", FILE_ATTRIBUTE_NORMAL, 0x20},
        {"zero.txt", 0, 0x20},
        {"ro.txt", FILE_ATTRIBUTE_READONLY, 0x21},
    };
    for (const Case& c : cases) {
        HANDLE h = open(c.file, RW, 0, CREATE_NEW, c.flags);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.file;
        EXPECT_EQ(AttributesOf(posix(c.file)), c.attributes) << c.file;
        // The handle keeps write access even when the new file is READONLY.
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(h, "abc", 3, &written, nullptr)) << c.file;
        CloseHandle(h);
    }
}

TEST_F(FileApiTest, AnExistingFileKeepsItsAttributes) {
    makeFile("plain.txt", 10);
    for (DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS}) {
        HANDLE h = open("plain.txt", RW, 0, disposition, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), 183u);
        CloseHandle(h);
        EXPECT_EQ(AttributesOf(posix("plain.txt")), 0x20u);
    }
}

TEST_F(FileApiTest, ReadOnlyFilesRefuseWritingWhateverTheUser) {
    HANDLE h = open("ro.txt", RW, 0, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_FAILS_WITH(open("ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING) != INVALID_HANDLE_VALUE, 5);
    EXPECT_FAILS_WITH(open("ro.txt", RW, 0, OPEN_ALWAYS) != INVALID_HANDLE_VALUE, 5);
    EXPECT_FAILS_WITH(open("ro.txt", RW, 0, CREATE_ALWAYS) != INVALID_HANDLE_VALUE, 5);
    EXPECT_FAILS_WITH(open("ro.txt", RW, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY) != INVALID_HANDLE_VALUE, 5);
    EXPECT_FAILS_WITH(open("ro.txt", RW, 0, TRUNCATE_EXISTING) != INVALID_HANDLE_VALUE, 5);
    for (DWORD access : {0u, GENERIC_READ}) {
        h = open("ro.txt", access, 0, OPEN_EXISTING);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    EXPECT_EQ(sizeOf("ro.txt"), 0u);
}

TEST_F(FileApiTest, ReplacingAHiddenSystemFileNeedsTheSameBits) {
    HANDLE h = open("hs.txt", RW, 0, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_FAILS_WITH(open("hs.txt", RW, 0, CREATE_ALWAYS) != INVALID_HANDLE_VALUE, 5);
    h = open("hs.txt", RW, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 183u);
    CloseHandle(h);
    for (DWORD disposition : {TRUNCATE_EXISTING, OPEN_EXISTING}) {
        h = open("hs.txt", RW, 0, disposition);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    EXPECT_EQ(AttributesOf(posix("hs.txt")), 0x26u);
}

// The status flags of the descriptors this process holds open on `path`, as the kernel
// reports them in /proc/self/fdinfo.
std::vector<int> OpenFlagsOf(const std::string& path) {
    std::vector<int> result;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(entry.path(), ignored) != path) continue;
        std::ifstream info("/proc/self/fdinfo/" + entry.path().filename().string());
        std::string key;
        std::string value;
        while (info >> key >> value)
            if (key == "flags:") result.push_back(std::stoi(value, nullptr, 8));
    }
    return result;
}

// Write-through opens with O_DSYNC, both when the open makes the file and when it
// finds it; overlapped opens do not.
TEST_F(FileApiTest, WriteThroughOpensWithDataSync) {
    for (DWORD disposition : {CREATE_NEW, OPEN_EXISTING}) {
        for (DWORD flags :
             {FILE_FLAG_WRITE_THROUGH, FILE_FLAG_OVERLAPPED, FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OVERLAPPED}) {
            if (disposition == CREATE_NEW) std::filesystem::remove(posix("f.txt"));
            HANDLE h = open("f.txt", RW, 0, disposition, flags);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            std::vector<int> open = OpenFlagsOf(posix("f.txt"));
            ASSERT_EQ(open.size(), 1u);
            bool writeThrough = (flags & FILE_FLAG_WRITE_THROUGH) != 0;
            EXPECT_EQ((open[0] & O_DSYNC) == O_DSYNC, writeThrough) << disposition << " " << flags;
            if (!(flags & FILE_FLAG_OVERLAPPED)) {
                DWORD written = 0;
                EXPECT_TRUE(WriteFile(h, "abc", 3, &written, nullptr));
            }
            CloseHandle(h);
        }
    }
}

// The share-mode matrix as observed: rows are the first open, columns the second,
// both in the order R/0 R/R R/W R/RW W/0 ... RW/RW (access/share). 'o' = opens.
TEST_F(FileApiTest, ShareModeMatrix) {
    const std::array<const char*, 12> matrix = {
        "............", ".o.o........", ".....o.o....", ".o.o.o.o.o.o", "............", "..oo........",
        "......oo....", "..oo..oo..oo", "............", "...o........", ".......o....", "...o...o...o",
    };
    const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, RW};
    const DWORD shares[] = {0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    makeFile("s.txt", 10);
    for (int first = 0; first < 12; ++first) {
        HANDLE a = open("s.txt", accesses[first / 4], shares[first % 4], OPEN_EXISTING);
        ASSERT_NE(a, INVALID_HANDLE_VALUE);
        for (int second = 0; second < 12; ++second) {
            SetLastError(0xDEAD);
            HANDLE b = open("s.txt", accesses[second / 4], shares[second % 4], OPEN_EXISTING);
            bool opened = b != INVALID_HANDLE_VALUE;
            EXPECT_EQ(opened, matrix[first][second] == 'o') << "first " << first << " second " << second;
            if (opened)
                CloseHandle(b);
            else
                EXPECT_EQ(GetLastError(), 32u);
        }
        CloseHandle(a);
    }
}

TEST_F(FileApiTest, SharingAroundAccessZeroAndDispositions) {
    makeFile("s.txt", 10);
    HANDLE a = open("s.txt", RW, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    HANDLE b = open("s.txt", RW, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS);
    EXPECT_NE(b, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 183u);
    // Replaced under the first handle.
    EXPECT_EQ(sizeOf("s.txt"), 0u);
    HANDLE c = open("s.txt", 0, 0, OPEN_EXISTING);  // access 0 skips the check
    EXPECT_NE(c, INVALID_HANDLE_VALUE);
    CloseHandle(a);
    CloseHandle(b);
    // An access-0 open does not restrict others either.
    HANDLE d = open("s.txt", RW, 0, OPEN_EXISTING);
    EXPECT_NE(d, INVALID_HANDLE_VALUE);
    makeFile("t.txt", 10);
    HANDLE e = open("t.txt", RW, 0, OPEN_EXISTING);
    EXPECT_FAILS_WITH(open("t.txt", RW, 0, CREATE_NEW) != INVALID_HANDLE_VALUE, 80);
    for (DWORD disposition : {TRUNCATE_EXISTING, CREATE_ALWAYS, OPEN_ALWAYS})
        EXPECT_FAILS_WITH(open("t.txt", RW, 0, disposition) != INVALID_HANDLE_VALUE, 32);
    EXPECT_EQ(sizeOf("t.txt"), 10u);  // the refused opens truncated nothing
    // Closing the last handle ends the open's sharing entry.
    CloseHandle(e);
    HANDLE f = open("t.txt", RW, 0, OPEN_EXISTING);
    EXPECT_NE(f, INVALID_HANDLE_VALUE);
    for (HANDLE h : {c, d, f}) CloseHandle(h);
}
