// Attribute and file-information calls over POSIX. GetFileAttributesA and
// SetFileAttributesA follow Windows where Wine differs: the bits read back are exactly
// the bits set (none reads 0x80), read-only is the owner's write bit and the rest is kept
// in an extended attribute, a directory keeps read-only. GetFileInformationByHandle,
// GetFileTime and SetFileTime: one index for every handle of a file, times kept to the
// 100 ns, and setting times needs write access.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <filesystem>
#include <fstream>

#include "files_fixture.h"
#include "platform/posix/file_times.h"

namespace {

constexpr DWORD RW = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareRW = FILE_SHARE_READ | FILE_SHARE_WRITE;

FILETIME Ft(std::uint64_t value) { return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)}; }
std::uint64_t Value(const FILETIME& ft) { return (std::uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

class AttributesTest : public FileApiTest {
protected:
    void TearDown() override {
        // Read-only files would survive the scratch directory's removal as non-root.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        FileApiTest::TearDown();
    }
    DWORD get(const std::string& file) { return GetFileAttributesA(name(file).c_str()); }
};

}  // namespace

TEST_F(AttributesTest, GetFileAttributes) {
    makeFile("f.txt", 3);
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    std::ofstream(posix(".dot")) << "x";
    EXPECT_EQ(get("f.txt"), DWORD(0x20));  // a new file has ARCHIVE
    EXPECT_EQ(get("d"), DWORD(0x10));
    EXPECT_EQ(get("d\\"), DWORD(0x10));
    EXPECT_EQ(get(".dot"), DWORD(0x22));  // made elsewhere, name beginning with "."
    EXPECT_EQ(GetFileAttributesA("Z:\\") & FILE_ATTRIBUTE_DIRECTORY, DWORD(0x10));
    struct Case {
        std::string name;
        DWORD error;
    };
    const Case failures[] = {
        {name("missing"), 2}, {name("nodir\\f.txt"), 3}, {name("f.txt\\x"), 3}, {name("f.txt\\"), 3},
        {"Q:\\", 3},          {name("f*.txt"), 123},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.name);
        SetLastError(0xDEAD);
        EXPECT_EQ(GetFileAttributesA(c.name.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(AttributesTest, SetFileAttributesStoresExactlyTheBitsGiven) {
    makeFile("f.txt", 3);
    struct Case {
        DWORD set;
        DWORD read;
    };
    const Case cases[] = {
        {FILE_ATTRIBUTE_HIDDEN, 0x02},
        {FILE_ATTRIBUTE_READONLY, 0x01},
        {FILE_ATTRIBUTE_SYSTEM, 0x04},
        {FILE_ATTRIBUTE_ARCHIVE, 0x20},
        {0x27, 0x27},
        {FILE_ATTRIBUTE_NORMAL, 0x80},
        {0, 0x80},
        {0x82, 0x02},
        {FILE_ATTRIBUTE_DIRECTORY, 0x80},
        {0x37, 0x27},
        {0x23, 0x23},
        {FILE_ATTRIBUTE_ARCHIVE, 0x20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "set " << c.set);
        EXPECT_TRUE(SetFileAttributesA(name("f.txt").c_str(), c.set));
        EXPECT_EQ(get("f.txt"), c.read);
    }
}

TEST_F(AttributesTest, ReadOnlyIsTheOwnersWriteBitAndTheRestTheExtendedAttribute) {
    makeFile("f.txt", 3);
    ASSERT_TRUE(SetFileAttributesA(name("f.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    struct stat st;
    ASSERT_EQ(stat(posix("f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    char text[16] = {};
    ASSERT_GT(getxattr(posix("f.txt").c_str(), "user.DOSATTRIB", text, sizeof text - 1), 0);
    EXPECT_STREQ(text, "0x2");
    // HIDDEN can still be changed on a read-only file.
    ASSERT_TRUE(SetFileAttributesA(name("f.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(get("f.txt"), DWORD(0x05));
    ASSERT_TRUE(SetFileAttributesA(name("f.txt").c_str(), 0));
    ASSERT_EQ(stat(posix("f.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(AttributesTest, DirectoryAttributes) {
    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    struct Case {
        DWORD set;
        DWORD read;
    };
    const Case cases[] = {
        {0, 0x10}, {FILE_ATTRIBUTE_HIDDEN, 0x12}, {FILE_ATTRIBUTE_READONLY, 0x11}, {FILE_ATTRIBUTE_NORMAL, 0x10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "set " << c.set);
        EXPECT_TRUE(SetFileAttributesA(name("d").c_str(), c.set));
        EXPECT_EQ(get("d"), c.read);
    }
}

TEST_F(AttributesTest, SetFileAttributesFailuresAndSharing) {
    EXPECT_FAILS_WITH(SetFileAttributesA(name("missing").c_str(), FILE_ATTRIBUTE_HIDDEN), 2);
    EXPECT_FAILS_WITH(SetFileAttributesA(name("nodir\\x").c_str(), FILE_ATTRIBUTE_HIDDEN), 3);
    EXPECT_FAILS_WITH(SetFileAttributesA(name("x*").c_str(), FILE_ATTRIBUTE_HIDDEN), 123);
    // Attribute calls ignore share modes.
    makeFile("f.txt", 3);
    HANDLE h = open("f.txt", RW, 0, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileAttributesA(name("f.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(get("f.txt"), DWORD(0x02));
    CloseHandle(h);
}

TEST_F(AttributesTest, GetFileInformationByHandle) {
    makeFile("f.txt", 1234);
    makeFile("g.txt", 1);
    HANDLE h1 = open("f.txt", RW, kShareRW, OPEN_EXISTING);
    HANDLE h2 = open("f.txt", 0, 0, OPEN_EXISTING);
    HANDLE other = open("g.txt", GENERIC_READ, kShareRW, OPEN_EXISTING);
    ASSERT_NE(h1, INVALID_HANDLE_VALUE);
    ASSERT_NE(h2, INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION i1, i2, i3;
    ASSERT_TRUE(GetFileInformationByHandle(h1, &i1));
    ASSERT_TRUE(GetFileInformationByHandle(h2, &i2));  // access 0 may read attributes
    ASSERT_TRUE(GetFileInformationByHandle(other, &i3));
    struct stat st;
    ASSERT_EQ(stat(posix("f.txt").c_str(), &st), 0);
    EXPECT_EQ(i1.dwFileAttributes, DWORD(0x20));
    EXPECT_EQ(i1.nFileSizeLow, 1234u);
    EXPECT_EQ(i1.nFileSizeHigh, 0u);
    EXPECT_EQ(i1.nNumberOfLinks, 1u);
    EXPECT_EQ(i1.nFileIndexLow, DWORD(st.st_ino));
    EXPECT_EQ(i1.nFileIndexHigh, DWORD(std::uint64_t(st.st_ino) >> 32));
    EXPECT_EQ(i2.nFileIndexLow, i1.nFileIndexLow);
    EXPECT_NE(i3.nFileIndexLow, i1.nFileIndexLow);
    EXPECT_EQ(i3.dwVolumeSerialNumber, i1.dwVolumeSerialNumber);
    EXPECT_EQ(Value(i1.ftLastWriteTime), Value(i2.ftLastWriteTime));
    // The serial number is the one the volume query gives.
    DWORD serial = 0;
    ASSERT_TRUE(GetVolumeInformationA("Z:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(i1.dwVolumeSerialNumber, serial);
    // A second link is counted.
    ASSERT_EQ(link(posix("f.txt").c_str(), posix("f2.txt").c_str()), 0);
    ASSERT_TRUE(GetFileInformationByHandle(h1, &i1));
    EXPECT_EQ(i1.nNumberOfLinks, 2u);
    CloseHandle(h1);
    CloseHandle(h2);
    CloseHandle(other);
    EXPECT_FAILS_WITH(GetFileInformationByHandle(h1, &i1), 6);

    ASSERT_TRUE(CreateDirectoryA(name("d").c_str(), nullptr));
    HANDLE dir = open("d", GENERIC_READ, kShareRW, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(dir, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(GetFileInformationByHandle(dir, &i1));
    EXPECT_EQ(i1.dwFileAttributes, DWORD(0x10));
    EXPECT_EQ(i1.nFileSizeLow, 0u);
    CloseHandle(dir);
}

TEST_F(AttributesTest, FileTimesRoundTrip) {
    makeFile("f.txt", 10);
    HANDLE h = open("f.txt", RW, kShareRW, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const std::uint64_t access = 0x01C1C33A4B10DB80ull;  // 2002-03-04 05:06:07.8
    const std::uint64_t write = 0x01C2FB39973F2240ull;   // 2003-04-05 06:07:08.9
    FILETIME c = Ft(0x01C08D967DB50500ull), a = Ft(access), w = Ft(write);
    ASSERT_TRUE(SetFileTime(h, &c, &a, &w));
    FILETIME c2, a2, w2;
    ASSERT_TRUE(GetFileTime(h, &c2, &a2, &w2));
    EXPECT_EQ(Value(a2), access);
    EXPECT_EQ(Value(w2), write);

    // No time, 0 and -1 leave a stamp alone.
    FILETIME zero = Ft(0), none = Ft(~0ull);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, nullptr));
    EXPECT_TRUE(SetFileTime(h, nullptr, &zero, &none));
    ASSERT_TRUE(GetFileTime(h, nullptr, &a2, &w2));
    EXPECT_EQ(Value(a2), access);
    EXPECT_EQ(Value(w2), write);

    // Times before 1980, and before 1970, are stored.
    const std::uint64_t y1975 = 0x01A3C3CBF51F2000ull;  // 1975-06-01 12:00
    FILETIME old = Ft(y1975);
    ASSERT_TRUE(SetFileTime(h, nullptr, &old, &old));
    ASSERT_TRUE(GetFileTime(h, nullptr, &a2, &w2));
    EXPECT_EQ(Value(a2), y1975);
    EXPECT_EQ(Value(w2), y1975);
    CloseHandle(h);
    EXPECT_FAILS_WITH(GetFileTime(h, &c2, &a2, &w2), 6);
    EXPECT_FAILS_WITH(SetFileTime(h, nullptr, &a, &w), 6);
}

TEST_F(AttributesTest, SetFileTimeNeedsWriteAccess) {
    makeFile("f.txt", 10);
    FILETIME w = Ft(0x01C2FB39973F2240ull);
    for (DWORD access : {DWORD(GENERIC_READ), DWORD(0)}) {
        HANDLE h = open("f.txt", access, kShareRW, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_FAILS_WITH(SetFileTime(h, nullptr, nullptr, &w), 5);
        FILETIME read;
        EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &read));
        CloseHandle(h);
    }
    HANDLE h = open("f.txt", GENERIC_WRITE, kShareRW, OPEN_EXISTING);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &w));
    CloseHandle(h);
}

// Some file systems report a birth time of 0 for entries whose birth they did not
// record; that is no creation time, and the change time stands in for it, as it does
// where no birth time is reported at all.
TEST(CreationTime, AnUnrecordedBirthTimeIsNotTakenAsTheCreationTime) {
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ull;
    constexpr std::uint64_t kTicks = 10000000ull;
    struct statx sx {};
    sx.stx_ctime.tv_sec = 100;
    sx.stx_btime.tv_sec = 50;
    EXPECT_EQ(posix::FileTimeValue(posix::CreationTimeOf(sx)), kUnixEpoch + 100 * kTicks);  // not reported
    sx.stx_mask = STATX_BTIME;
    EXPECT_EQ(posix::FileTimeValue(posix::CreationTimeOf(sx)), kUnixEpoch + 50 * kTicks);  // recorded
    sx.stx_btime.tv_sec = 0;
    sx.stx_btime.tv_nsec = 1;
    EXPECT_EQ(posix::FileTimeValue(posix::CreationTimeOf(sx)), kUnixEpoch);  // recorded, 1 ns after 1970
    sx.stx_btime.tv_nsec = 0;
    EXPECT_EQ(posix::FileTimeValue(posix::CreationTimeOf(sx)), kUnixEpoch + 100 * kTicks);  // 0: not recorded
}
