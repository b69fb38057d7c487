#include "platform/posix/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/win32.h"

namespace {

using posix::DriveMap;

std::string Translate(const DriveMap& map, const char* win, DWORD* error = nullptr) {
    std::string posix;
    DWORD code = 0;
    if (!map.translate(win, posix, code)) {
        if (error) *error = code;
        return "<fail>";
    }
    return posix;
}

TEST(DriveMap, ZIsTheRootByDefault) {
    DriveMap map("");
    EXPECT_EQ(Translate(map, "Z:\\"), "/");
    EXPECT_EQ(Translate(map, "z:\\tmp\\x.dat"), "/tmp/x.dat");
    EXPECT_EQ(Translate(map, "Z:/tmp/dir/"), "/tmp/dir/");  // both separators; trailing one kept
    EXPECT_EQ(Translate(map, "Z:"), "/");
    EXPECT_EQ(Translate(map, "\\etc\\hosts"), "/etc/hosts");  // rooted: on the current drive
    EXPECT_EQ(Translate(map, "sub\\f.dat"), "sub/f.dat");     // relative: to the current directory
}

TEST(DriveMap, UnmappedDrivesAndSharesFail) {
    DriveMap map("");
    DWORD error = 0;
    EXPECT_EQ(Translate(map, "Q:\\x", &error), "<fail>");
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Translate(map, "\\\\server\\share\\x", &error), "<fail>");
    EXPECT_EQ(error, ERROR_BAD_NETPATH);
}

TEST(DriveMap, MoreLettersAndShareRoots) {
    DriveMap map("x=/srv/x/;\\\\Files\\Share=/mnt/share;//host/s2=/mnt/s2;bad;=nothing;Y=");
    EXPECT_EQ(Translate(map, "X:\\a\\b"), "/srv/x/a/b");
    EXPECT_EQ(Translate(map, "x:"), "/srv/x/");
    EXPECT_EQ(Translate(map, "\\\\FILES\\share\\d\\f"), "/mnt/share/d/f");  // share roots ignore case
    EXPECT_EQ(Translate(map, "//files/SHARE/f"), "/mnt/share/f");
    EXPECT_EQ(Translate(map, "\\\\host\\s2"), "/mnt/s2/");
    EXPECT_EQ(Translate(map, "Z:\\f"), "/f");  // Z: stays unless remapped
    DWORD error = 0;
    EXPECT_EQ(Translate(map, "Y:\\f", &error), "<fail>");
    EXPECT_EQ(Translate(map, "\\\\files\\other\\f", &error), "<fail>");
    EXPECT_EQ(error, ERROR_BAD_NETPATH);

    EXPECT_TRUE(map.isRoot("/srv/x"));
    EXPECT_TRUE(map.isRoot("/"));
    EXPECT_FALSE(map.isRoot("/srv"));
    EXPECT_EQ(map.driveRoot('x'), "/srv/x");
    EXPECT_EQ(map.driveRoot('Q'), "");
}

TEST(DriveMap, ZCanBeRemapped) {
    DriveMap map("Z=/data");
    EXPECT_EQ(Translate(map, "Z:\\f"), "/data/f");
    EXPECT_EQ(Translate(map, "\\f"), "/data/f");
}

TEST(DriveMap, Win32FormNamesTheLongestMappedRoot) {
    DriveMap map("Z=/data;X=/data/x;\\\\srv\\share=/mnt/share");
    EXPECT_EQ(map.win32Form("/data"), "Z:\\");
    EXPECT_EQ(map.win32Form("/data/sub/f"), "Z:\\sub\\f");
    EXPECT_EQ(map.win32Form("/data/x/f"), "X:\\f");
    EXPECT_EQ(map.win32Form("/data/xy"), "Z:\\xy");  // a root holds only its own subtree
    EXPECT_EQ(map.win32Form("/mnt/share/d"), "\\\\SRV\\SHARE\\d");
    EXPECT_EQ(map.win32Form("/etc"), "");  // on no drive once Z: is mapped elsewhere
    EXPECT_EQ(DriveMap("").win32Form("/etc/hosts"), "Z:\\etc\\hosts");
}

// A mapped root that goes away (an sshfs mount that drops its connection unmounts
// itself and leaves an empty mount point of another file system) must not let names
// reach whatever is now at its place: 3 for a drive, 53 for a share root.
TEST(DriveMap, VanishedRootsFailInsteadOfReachingTheMountPoint) {
    char dirTemplate[] = "/tmp/dravik-paths-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    std::string base = dirTemplate;
    std::string drive = base + "/drive", share = base + "/share";
    ASSERT_EQ(mkdir(drive.c_str(), 0777), 0);
    ASSERT_EQ(mkdir(share.c_str(), 0777), 0);
    DriveMap map("X=" + drive + ";Z=" + drive + ";\\\\srv\\s=" + share);
    EXPECT_EQ(Translate(map, "X:\\f"), drive + "/f");
    EXPECT_EQ(Translate(map, "\\f"), drive + "/f");
    EXPECT_EQ(Translate(map, "\\\\srv\\s\\f"), share + "/f");

    // The drive's root replaced by another, empty folder of the same name (the old one
    // is kept aside so that the new one cannot reuse its inode); the share's removed.
    std::string aside = base + "/aside";
    ASSERT_EQ(rename(drive.c_str(), aside.c_str()), 0);
    ASSERT_EQ(mkdir(drive.c_str(), 0777), 0);
    ASSERT_EQ(rmdir(share.c_str()), 0);
    DWORD error = 0;
    EXPECT_EQ(Translate(map, "X:\\f", &error), "<fail>");
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    error = 0;
    EXPECT_EQ(Translate(map, "\\f", &error), "<fail>");  // rooted: on Z:
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Translate(map, "\\\\srv\\s\\f", &error), "<fail>");
    EXPECT_EQ(error, ERROR_BAD_NETPATH);
    rmdir(drive.c_str());
    rmdir(aside.c_str());
    rmdir(base.c_str());
}

TEST(CurrentDirectory, IsZWithBackslashes) {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string expected = posix::ToWin32Path(cwd);
    EXPECT_EQ(expected.substr(0, 3), "Z:\\");

    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    EXPECT_EQ(std::string(buffer, length), expected);

    // Too small a buffer: nothing written, the size needed (with the terminator) given.
    char tiny[2] = {'x', 'x'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof tiny, tiny), expected.size() + 1);
    EXPECT_EQ(tiny[0], 'x');
}

}  // namespace
