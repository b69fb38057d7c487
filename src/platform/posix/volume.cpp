// GetDiskFreeSpaceA and GetVolumeInformationA over statvfs/statfs.
#include "platform/posix/volume.h"

#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/case_lookup.h"
#include "platform/posix/errors.h"
#include "platform/posix/name_rules.h"
#include "platform/posix/paths.h"
#include "platform/posix/win32_api.h"

namespace {

using posix::IsSeparator;

constexpr DWORD SectorSize = 512;

struct FileSystemKind {
    unsigned long magic;
    const char* name;
    DWORD flags;
};

constexpr DWORD CaseSensitive = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES;

// Magic numbers from linux/magic.h and the file systems' own headers. Ext2, ext3 and
// ext4 share one magic number; the ext4 driver serves all three today.
constexpr FileSystemKind Kinds[] = {
    {0xEF53, "EXT4", CaseSensitive},
    {0x01021994, "TMPFS", CaseSensitive},
    {0x58465342, "XFS", CaseSensitive},
    {0x9123683E, "BTRFS", CaseSensitive},
    {0x6969, "NFS", CaseSensitive},
    {0xFF534D42, "CIFS", CaseSensitive},
    {0xFE534D42, "CIFS", CaseSensitive},  // the smb3 client
    {0x65735546, "FUSE", CaseSensitive},
    {0x794C7630, "OVERLAY", CaseSensitive},
    {0x2FC12FC1, "ZFS", CaseSensitive},
    {0xF2F52010, "F2FS", CaseSensitive},
    {0x3153464A, "JFS", CaseSensitive},
    {0x52654973, "REISERFS", CaseSensitive},
    {0x9FA0, "PROC", CaseSensitive},
    {0x62656572, "SYSFS", CaseSensitive},
    {0x858458F6, "RAMFS", CaseSensitive},
    {0x9660, "CDFS", CaseSensitive},
    {0x15013346, "UDF", CaseSensitive},
    {0x5346544E, "NTFS", CaseSensitive},  // Linux finds NTFS names with their case
    {0x7366746E, "NTFS", CaseSensitive},  // ntfs3
    // FAT keeps the case of long names but finds names without regard to case.
    {0x4D44, "FAT", FILE_CASE_PRESERVED_NAMES},
    {0x2011BAB0, "EXFAT", FILE_CASE_PRESERVED_NAMES},
};

const FileSystemKind* KindOf(unsigned long magic) {
    for (const FileSystemKind& kind : Kinds)
        if (kind.magic == magic) return &kind;
    return nullptr;
}

DWORD FoldFsid(const fsid_t& fsid) {
    int words[2];
    static_assert(sizeof words == sizeof fsid);
    std::memcpy(words, &fsid, sizeof words);
    return static_cast<DWORD>(words[0]) ^ static_cast<DWORD>(words[1]);
}

// A null root means the root of the current drive, which is Z: (see paths.h). The
// prefixes "\\?\" and "\\.\" before a drive name the same volume as the drive alone.
const char* RootOrCurrent(LPCSTR root) {
    if (!root) return "\\";
    bool prefixed =
        IsSeparator(root[0]) && IsSeparator(root[1]) && (root[2] == '?' || root[2] == '.') && IsSeparator(root[3]);
    if (prefixed && std::isalpha(static_cast<unsigned char>(root[4])) && root[5] == ':') return root + 4;
    return root;
}

// Characters that Win32 refuses in a name: a drive "?:" is a bad name, not a missing drive.
constexpr char InvalidNameCharacters[] = "\"*<>?|";

// The drive whose root a drive path names, resolved as Win32 resolves it: a relative
// path or a bare "X:" starts at the current directory when X: is the current drive
// (Z:), "." and ".." are dropped (".." stops at the root), and nothing may be left.
// "Z:\tmp\..\" is thus Z:'s root. Otherwise false with 144 (not a root) when the
// name, past its drive and leading separators, still has a separator, else 123.
bool RootDrive(const char* root, char& drive, DWORD& error) {
    std::string text = root;
    bool hasDrive = text.size() >= 2 && text[1] == ':' && !IsSeparator(text[0]);
    drive = hasDrive ? text[0] : 'Z';
    std::string rest = hasDrive ? text.substr(2) : text;
    std::vector<std::string> parts;
    bool onCurrentDrive = std::toupper(static_cast<unsigned char>(drive)) == 'Z';
    if ((rest.empty() || !IsSeparator(rest[0])) && onCurrentDrive) {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr) {
            error = ERROR_PATH_NOT_FOUND;
            return false;
        }
        rest = std::string(cwd) + "/" + rest;
    }
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        std::string part = rest.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) return true;
    std::size_t first = hasDrive ? 2 : 0;
    while (first < text.size() && IsSeparator(text[first])) ++first;
    error = text.find_first_of("\\/", first) != std::string::npos ? ERROR_DIR_NOT_ROOT : ERROR_INVALID_NAME;
    return false;
}

// Copies a name into a caller's buffer; false when it does not fit with its zero.
bool CopyName(const char* name, LPSTR buffer, DWORD size) {
    if (!buffer) return true;
    std::size_t length = std::strlen(name);
    if (length + 1 > size) return false;
    std::memcpy(buffer, name, length + 1);
    return true;
}

DWORD Clamp32(unsigned long long value) { return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value); }

}  // namespace

namespace posix {

bool VolumeSerialOfDescriptor(int fd, DWORD& serial) {
    struct statfs info;
    if (fstatfs(fd, &info) != 0) return false;
    serial = FoldFsid(info.f_fsid);
    return true;
}

}  // namespace posix

BOOL GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                       LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters) {
    std::string path;
    DWORD error = 0;
    const char* root = RootOrCurrent(lpRootPathName);
    if (std::strpbrk(root, InvalidNameCharacters)) return posix::Fail(ERROR_INVALID_NAME);
    if (!posix::ToPosixPath(root, path, error)) return posix::Fail(error);
    struct statvfs info;
    if (statvfs(path.c_str(), &info) != 0) return posix::FailFromErrno(path);
    // A file system that reports no sizes at all (smbnetfs gives 0 total and 0 free)
    // is not an empty disk: the sizes are unknown, and the call says it cannot tell.
    if (info.f_blocks == 0 && info.f_bfree == 0 && info.f_bavail == 0) return posix::Fail(ERROR_NOT_SUPPORTED);

    // Clusters are the file system's fragment size, counted in 512-byte sectors; a
    // fragment smaller than a sector (some FUSE file systems) is one sector of its own.
    unsigned long unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    DWORD bytesPerSector = unit >= SectorSize && unit % SectorSize == 0 ? SectorSize : static_cast<DWORD>(unit);
    DWORD sectorsPerCluster = static_cast<DWORD>(unit / bytesPerSector);
    if (lpSectorsPerCluster) *lpSectorsPerCluster = sectorsPerCluster;
    if (lpBytesPerSector) *lpBytesPerSector = bytesPerSector;
    // Free space is what the caller may use (f_bavail), as Windows reports it under
    // quotas; counts beyond 32 bits saturate.
    if (lpNumberOfFreeClusters) *lpNumberOfFreeClusters = Clamp32(info.f_bavail);
    if (lpTotalNumberOfClusters) *lpTotalNumberOfClusters = Clamp32(info.f_blocks);
    return TRUE;
}

BOOL GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                           LPDWORD lpVolumeSerialNumber, LPDWORD lpMaximumComponentLength, LPDWORD lpFileSystemFlags,
                           LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) {
    const char* root = RootOrCurrent(lpRootPathName);
    std::string path;
    DWORD error = 0;
    if (IsSeparator(root[0]) && IsSeparator(root[1])) {
        // A share root must be written with its trailing separator ("\\srv\share\").
        if (!posix::ToPosixPath(root, path, error)) return posix::Fail(error);
        std::size_t length = std::strlen(root);
        if (!IsSeparator(root[length - 1])) return posix::Fail(ERROR_INVALID_NAME);
        if (!posix::IsMappedRoot(path)) return posix::Fail(ERROR_DIR_NOT_ROOT);
    } else {
        char drive = 0;
        if (!RootDrive(root, drive, error)) return posix::Fail(error);
        if (std::strchr(InvalidNameCharacters, drive)) return posix::Fail(ERROR_INVALID_NAME);
        // Through the drive map, which refuses a mapped root that has gone.
        std::string driveRoot = std::string(1, drive) + ":\\";
        if (!posix::ToPosixPath(driveRoot.c_str(), path, error)) return posix::Fail(error);
    }

    struct statfs info;
    if (statfs(path.c_str(), &info) != 0) return posix::FailFromErrno(path);
    const FileSystemKind* kind = KindOf(static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFul);
    long nameMax = pathconf(path.c_str(), _PC_NAME_MAX);

    // Linux volumes carry no label that the kernel reports for every file system.
    if (!CopyName("", lpVolumeNameBuffer, nVolumeNameSize) ||
        !CopyName(kind ? kind->name : "UNKNOWN", lpFileSystemNameBuffer, nFileSystemNameSize))
        return posix::Fail(ERROR_INSUFFICIENT_BUFFER);
    if (lpVolumeSerialNumber) *lpVolumeSerialNumber = FoldFsid(info.f_fsid);
    // Names are checked against 255 before any file system sees them (name_rules.h),
    // whatever more a mount says it takes (SMB mounts report 4096).
    DWORD longest = nameMax > 0 && nameMax < 255 ? static_cast<DWORD>(nameMax) : 255;
    if (lpMaximumComponentLength) *lpMaximumComponentLength = longest;
    // Names are found without regard to case unless DRAVIK_CASE=sensitive (as NTFS
    // finds them: case-preserved, case-insensitive search).
    DWORD flags = kind ? kind->flags : CaseSensitive;
    // A volume that itself finds names without regard to case (SMB, exFAT through FUSE)
    // searches so whatever the mode.
    if (posix::CaseInsensitiveNames() || posix::FindsNamesWithoutCase(path))
        flags = (flags & ~FILE_CASE_SENSITIVE_SEARCH) | FILE_CASE_PRESERVED_NAMES;
    if (lpFileSystemFlags) *lpFileSystemFlags = flags;
    return TRUE;
}
