// GetDiskFreeSpaceA and GetVolumeInformationA: the root forms Win32 accepts and
// refuses, and values that agree with what Linux reports for the same file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "platform/posix/volume.h"
#include "platform/win32.h"

namespace {

struct Space {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
};

bool FreeSpace(const char* root, Space& space) {
    return GetDiskFreeSpaceA(root, &space.sectorsPerCluster, &space.bytesPerSector, &space.freeClusters,
                             &space.totalClusters);
}

TEST(GetDiskFreeSpaceA, RootOfZAgreesWithStatvfs) {
    Space space;
    ASSERT_TRUE(FreeSpace("Z:\\", space));
    struct statvfs info;
    ASSERT_EQ(statvfs("/", &info), 0);
    EXPECT_EQ(space.bytesPerSector, 512u);
    EXPECT_EQ(static_cast<unsigned long>(space.sectorsPerCluster) * space.bytesPerSector, info.f_frsize);
    EXPECT_EQ(space.totalClusters, info.f_blocks > 0xFFFFFFFFu ? 0xFFFFFFFFu : info.f_blocks);
    EXPECT_LE(space.freeClusters, space.totalClusters);
}

TEST(GetDiskFreeSpaceA, AcceptsEveryFormOfTheDrive) {
    Space root;
    ASSERT_TRUE(FreeSpace("Z:\\", root));
    for (const char* form : {"z:\\", "Z:", "Z:\\tmp\\", "Z:\\tmp", static_cast<const char*>(nullptr)}) {
        Space other;
        EXPECT_TRUE(FreeSpace(form, other)) << (form ? form : "NULL");
        EXPECT_EQ(other.totalClusters, root.totalClusters) << (form ? form : "NULL");
    }
}

TEST(GetDiskFreeSpaceA, MissingDrivesAndFolders) {
    Space space;
    EXPECT_FALSE(FreeSpace("Q:\\", space));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FreeSpace("Z:\\nosuchdir-dravik\\", space));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FreeSpace("Z:\\nosuchdir-dravik\\below\\", space));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(GetDiskFreeSpaceA, CharactersNoNameMayHoldAreABadName) {
    Space space;
    for (const char* root : {"?:\\", "|:\\", "Z:\\a?\\", "Z:\\tmp\\a*", "Z:\\tmp\\a\"\\", "Z:\\a<b>\\"}) {
        EXPECT_FALSE(FreeSpace(root, space)) << root;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << root;
    }
}

struct Volume {
    char label[100] = "x";
    char fileSystem[100] = "";
    DWORD serial = 0, maxComponent = 0, flags = 0;
};

bool Information(const char* root, Volume& volume) {
    return GetVolumeInformationA(root, volume.label, sizeof volume.label, &volume.serial, &volume.maxComponent,
                                 &volume.flags, volume.fileSystem, sizeof volume.fileSystem);
}

TEST(GetVolumeInformationA, RootOfZ) {
    Volume volume;
    ASSERT_TRUE(Information("Z:\\", volume));
    EXPECT_STREQ(volume.label, "");
    EXPECT_EQ(volume.maxComponent, static_cast<DWORD>(pathconf("/", _PC_NAME_MAX)));
    // Names are found without regard to case, as on NTFS; DRAVIK_CASE=sensitive keeps
    // the file system's own search.
    EXPECT_EQ(volume.flags, DWORD(FILE_CASE_PRESERVED_NAMES));
    setenv("DRAVIK_CASE", "sensitive", 1);
    Volume sensitive;
    EXPECT_TRUE(Information("Z:\\", sensitive));
    unsetenv("DRAVIK_CASE");
    EXPECT_EQ(sensitive.flags, FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES);
    EXPECT_NE(std::string(volume.fileSystem), "");

    // The same serial as the one reported for a file on that volume.
    int fd = open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    DWORD serial = 0;
    EXPECT_TRUE(posix::VolumeSerialOfDescriptor(fd, serial));
    close(fd);
    EXPECT_EQ(volume.serial, serial);

    Volume lower, current;
    EXPECT_TRUE(Information("z:\\", lower));
    EXPECT_TRUE(Information(nullptr, current));
    EXPECT_EQ(lower.serial, volume.serial);
    EXPECT_EQ(current.serial, volume.serial);
}

// volume.c test_GetVolumeInformationA: "\\?\C:\" and "\\.\C:\" name the volume of C:.
TEST(GetVolumeInformationA, DevicePrefixesNameTheDrive) {
    Volume plain, verbatim, device;
    ASSERT_TRUE(Information("Z:\\", plain));
    ASSERT_TRUE(Information("\\\\?\\Z:\\", verbatim));
    ASSERT_TRUE(Information("\\\\.\\z:\\", device));
    EXPECT_EQ(verbatim.serial, plain.serial);
    EXPECT_EQ(device.serial, plain.serial);
    EXPECT_LE(plain.maxComponent, 255u);
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    EXPECT_TRUE(GetDiskFreeSpaceA("\\\\?\\Z:\\", &sectors, &bytes, &free, &total));
}

// A file system that reports no sizes (smbnetfs: 0 total, 0 free; /proc alike) is not
// shown as an empty disk.
TEST(GetDiskFreeSpaceA, AVolumeWithoutSizesIsNotAnEmptyDisk) {
    struct statvfs proc;
    if (statvfs("/proc", &proc) != 0 || proc.f_blocks != 0) GTEST_SKIP() << "no /proc without sizes";
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    SetLastError(0);
    EXPECT_FALSE(GetDiskFreeSpaceA("Z:\\proc\\", &sectors, &bytes, &free, &total));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
}

TEST(GetVolumeInformationA, RefusesWhatIsNotARoot) {
    Volume volume;
    struct Case {
        const char* root;
        DWORD error;
    };
    for (Case c :
         {Case{"Z:", ERROR_INVALID_NAME}, Case{"Z", ERROR_INVALID_NAME}, Case{"Q:\\", ERROR_PATH_NOT_FOUND},
          Case{"Q:", ERROR_PATH_NOT_FOUND}, Case{"Z:\\tmp\\", ERROR_DIR_NOT_ROOT},
          Case{"Z:\\nosuchdir-dravik\\", ERROR_DIR_NOT_ROOT}, Case{"\\\\server\\share\\", ERROR_BAD_NETPATH}}) {
        EXPECT_FALSE(Information(c.root, volume)) << c.root;
        EXPECT_EQ(GetLastError(), c.error) << c.root;
    }
}

TEST(GetVolumeInformationA, DotsAreResolvedBeforeTheRootCheck) {
    Volume root;
    ASSERT_TRUE(Information("Z:\\", root));
    // ".." stops at the root, and a folder that does not exist may be left by "..".
    for (const char* name : {"Z:\\tmp\\..\\", "Z:\\tmp\\..", "Z:\\.", "Z:\\nosuchdir-dravik\\.\\..\\",
                             "Z:\\tmp\\..\\..\\..\\", "\\tmp\\..\\", "Z:\\\\"}) {
        Volume volume;
        EXPECT_TRUE(Information(name, volume)) << name;
        EXPECT_EQ(volume.serial, root.serial) << name;
    }
    // Relative names start at the current directory.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string up;
    for (const char* c = cwd; *c; ++c)
        if (*c == '/') up += "..\\";
    Volume volume;
    EXPECT_TRUE(Information(up.c_str(), volume)) << up;
    EXPECT_FALSE(Information(".\\", volume));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_ROOT);
}

TEST(GetVolumeInformationA, CharactersNoNameMayHold) {
    Volume volume;
    struct Case {
        const char* root;
        DWORD error;
    };
    // The root check comes first; a drive letter that no name may hold is a bad name.
    for (Case c : {Case{"?:\\", ERROR_INVALID_NAME}, Case{"|:\\", ERROR_INVALID_NAME},
                   Case{"Z:\\a?\\", ERROR_DIR_NOT_ROOT}, Case{"Z:\\a*", ERROR_INVALID_NAME}}) {
        EXPECT_FALSE(Information(c.root, volume)) << c.root;
        EXPECT_EQ(GetLastError(), c.error) << c.root;
    }
}

TEST(GetVolumeInformationA, NameBufferTooSmall) {
    char fileSystem[2];
    EXPECT_FALSE(GetVolumeInformationA("Z:\\", nullptr, 0, nullptr, nullptr, nullptr, fileSystem, sizeof fileSystem));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // Every output may be left out.
    EXPECT_TRUE(GetVolumeInformationA("Z:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
}

}  // namespace
