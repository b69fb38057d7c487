// The POSIX layer on FUSE volumes. On exFAT through exfat-fuse, a volume that finds names without
// regard to case, gives each spelling its own inode (as smbnetfs does for SMB shares),
// keeps no extended attributes and ignores chmod. Every spelling must reach the same
// open file, share modes, locks and renames, as on Windows, and attribute bits that
// the volume cannot keep are refused rather than dropped. The test mounts a small exFAT image on a loop device under
// its own folder in /tmp and unmounts it again; where that cannot be done (not root, no exfat-fuse or exfatprogs) it is
// skipped.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files_fixture.h"
#include "platform/posix/case_lookup.h"

namespace {

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The first line that a command prints, or empty.
std::string FirstLine(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return {};
    char line[256] = {};
    bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string text = got ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// The Win32 name of a POSIX path, on drive Z:.
std::string OnDriveZ(const std::string& path) {
    std::string win = "Z:" + path;
    for (char& c : win)
        if (c == '/') c = '\\';
    return win;
}

// A scratch folder that holds a file system image and its mount point, mnt/.
class ImageVolumeTest : public ::testing::Test {
protected:
    // Makes the folder /tmp/dravik-KIND-test.XXXXXX and its mount point.
    bool makeFolders(const std::string& kind) {
        std::string pattern = "/tmp/dravik-" + kind + "-test.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return false;
        base_ = pattern;
        mount_ = base_ + "/mnt";
        return std::filesystem::create_directory(mount_);
    }
    void removeFolders() {
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }
    std::string name(const std::string& file) const { return OnDriveZ(mount_ + "/" + file); }

    std::string base_, mount_;
    bool mounted_ = false;
};

class ExfatVolumeTest : public ImageVolumeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolders("exfat"));
        std::string image = base_ + "/exfat.img";
        if (geteuid() != 0 || !Shell("truncate -s 16M " + image) || !Shell("mkfs.exfat " + image)) {
            cleanUp();
            GTEST_SKIP() << "no exFAT image here";
        }
        loop_ = FirstLine("losetup -f --show " + image);
        if (loop_.empty() || !Shell("mount.exfat-fuse " + loop_ + " " + mount_)) {
            cleanUp();
            GTEST_SKIP() << "no exFAT through FUSE here";
        }
        mounted_ = true;
        std::ofstream(mount_ + "/a.fil") << "data";
    }
    void TearDown() override { cleanUp(); }

    void cleanUp() {
        if (mounted_) Shell("umount " + mount_);
        mounted_ = false;
        if (!loop_.empty()) Shell("losetup -d " + loop_);
        loop_.clear();
        removeFolders();
    }

    HANDLE open(const std::string& file, DWORD share) {
        return CreateFileA(name(file).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    std::string loop_;
};

}  // namespace

TEST_F(ExfatVolumeTest, TheVolumeGivesEachSpellingItsOwnInode) {
    // What the layer has to make up for: the file system's own answer.
    struct stat lower, upper;
    ASSERT_EQ(stat((mount_ + "/a.fil").c_str(), &lower), 0);
    ASSERT_EQ(stat((mount_ + "/A.FIL").c_str(), &upper), 0);
    EXPECT_NE(lower.st_ino, upper.st_ino);
    EXPECT_TRUE(posix::FindsNamesWithoutCase(mount_));
    EXPECT_EQ(posix::StoredSpelling(mount_ + "/A.FIL"), mount_ + "/a.fil");
}

// Windows: another spelling of an open file is the same file (32 and 33 as for the
// spelling it was opened by), and a rename to another spelling renames it.
TEST_F(ExfatVolumeTest, EverySpellingIsOneFile) {
    HANDLE first = open("a.fil", 0);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(open("A.FIL", FILE_SHARE_READ | FILE_SHARE_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(first);

    first = open("a.fil", FILE_SHARE_READ | FILE_SHARE_WRITE);
    HANDLE second = open("A.Fil", FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(LockFile(first, 0, 0, 10, 0));
    EXPECT_FAILS_WITH(LockFile(second, 5, 0, 2, 0), ERROR_LOCK_VIOLATION);
    CloseHandle(second);
    CloseHandle(first);

    EXPECT_TRUE(MoveFileA(name("a.fil").c_str(), name("A.FIL").c_str()));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mount_)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"A.FIL"});
}

// Without extended attributes and with a chmod that changes nothing, READONLY, HIDDEN,
// SYSTEM and the absence of ARCHIVE cannot be kept: the calls give 5 and change
// nothing, and a create that asks for them makes no file.
TEST_F(ExfatVolumeTest, BitsThatCannotBeKeptAreRefused) {
    std::string file = name("a.fil");
    EXPECT_FAILS_WITH(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY), ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL), ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN), ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetFileAttributesA(file.c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE));

    for (DWORD bits : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_READONLY}) {
        HANDLE h = CreateFileA(name("new.fil").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, bits, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << bits;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << bits;
        EXPECT_FALSE(std::filesystem::exists(mount_ + "/new.fil")) << bits;
    }
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

// A copy is written under a temporary name that begins with a dot and renamed over its
// target; without extended attributes its bits must be judged by the name it ends
// with (ARCHIVE), not by the temporary one (ARCHIVE and HIDDEN): the copy succeeds,
// onto a new name and over an existing one, and reads ARCHIVE.
TEST_F(ExfatVolumeTest, CopiesOfPlainFilesSucceed) {
    EXPECT_TRUE(CopyFileA(name("a.fil").c_str(), name("b.fil").c_str(), TRUE));
    EXPECT_EQ(GetFileAttributesA(name("b.fil").c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    std::ofstream(mount_ + "/c.fil") << "old";
    EXPECT_TRUE(CopyFileA(name("a.fil").c_str(), name("c.fil").c_str(), FALSE));
    std::ifstream copy(mount_ + "/c.fil");
    std::string data((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>());
    EXPECT_EQ(data, "data");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(mount_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.fil", "b.fil", "c.fil"}));
}

// A dot name is HIDDEN only where another program could have made it so; on a volume
// without extended attributes dravik cannot make it otherwise, so it is a plain name
// there: CREATE makes it (ARCHIVE), and attributes set to ARCHIVE are kept.
TEST_F(ExfatVolumeTest, DotNamesArePlainNames) {
    HANDLE h = CreateFileA(name(".profile").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesA(name(".profile").c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(SetFileAttributesA(name(".profile").c_str(), FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_TRUE(CopyFileA(name("a.fil").c_str(), name(".copy").c_str(), TRUE));
    EXPECT_EQ(GetFileAttributesA(name(".copy").c_str()), DWORD(FILE_ATTRIBUTE_ARCHIVE));
}

// ntfs-3g without "-o permissions" keeps extended attributes but ignores chmod: there
// READONLY lives in user.DOSATTRIB, and writing or deleting the file then gives 5, as
// on Windows. The image is mounted by ntfs-3g itself, without a loop device.
class NtfsVolumeTest : public ImageVolumeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(makeFolders("ntfs"));
        std::string image = base_ + "/ntfs.img";
        if (geteuid() != 0 || !Shell("truncate -s 16M " + image) || !Shell("mkntfs -F -q -f " + image) ||
            !Shell("ntfs-3g " + image + " " + mount_)) {
            removeFolders();
            GTEST_SKIP() << "no ntfs-3g here";
        }
        mounted_ = true;
        std::ofstream(mount_ + "/f.fil") << "data";
    }
    void TearDown() override {
        if (mounted_) Shell("umount " + mount_);
        removeFolders();
    }
};

TEST_F(NtfsVolumeTest, ReadOnlyThatChmodDoesNotKeepIsKeptInTheAttribute) {
    ASSERT_EQ(chmod((mount_ + "/f.fil").c_str(), 0444), 0);  // accepted, and nothing changes
    struct stat st;
    ASSERT_EQ(stat((mount_ + "/f.fil").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);

    std::string file = name("f.fil");
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FAILS_WITH(DeleteFileA(file.c_str()), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), DWORD(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

// On a read-only mount every change of attributes gives 19 (ERROR_WRITE_PROTECT),
// HIDDEN and SYSTEM included, and so does a create that asks for them.
TEST(ReadOnlyVolume, AttributeChangesGive19) {
    char pattern[] = "/tmp/dravik-ro-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string mount = pattern;
    if (geteuid() != 0 || !Shell("mount -t tmpfs -o size=1m dravik-ro " + mount)) {
        rmdir(mount.c_str());
        GTEST_SKIP() << "cannot mount here";
    }
    std::ofstream(mount + "/f.fil") << "data";
    bool readOnly = Shell("mount -o remount,ro " + mount);
    std::string win = OnDriveZ(mount + "/f.fil"), other = OnDriveZ(mount + "/g.fil");
    if (readOnly) {
        for (DWORD bits : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_READONLY})
            EXPECT_FAILS_WITH(SetFileAttributesA(win.c_str(), bits), ERROR_WRITE_PROTECT);
        EXPECT_EQ(CreateFileA(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_PROTECT));
    }
    Shell("umount " + mount);
    rmdir(mount.c_str());
    if (!readOnly) GTEST_SKIP() << "cannot remount read-only here";
}
