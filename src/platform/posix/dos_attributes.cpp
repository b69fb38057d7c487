#include "platform/posix/dos_attributes.h"

#include <sys/statvfs.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/errors.h"
#include "platform/posix/name_args.h"

namespace posix {
namespace {

constexpr const char* kXattr = "user.DOSATTRIB";
constexpr DWORD kFileStoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kDirectoryStoredBits = kFileStoredBits | FILE_ATTRIBUTE_READONLY;
// A file's READONLY is stored too where chmod does not keep it (ntfs-3g without
// "-o permissions", exFAT: chmod succeeds and the mode stays 0777).
constexpr DWORD kFileReadBits = kFileStoredBits | FILE_ATTRIBUTE_READONLY;

// The stored bits, or false when the file has no readable user.DOSATTRIB (errno tells
// why: ENOTSUP where the file system keeps no user extended attributes).
bool ReadStored(const std::string& path, DWORD& bits) {
    char text[64];
    ssize_t size = getxattr(path.c_str(), kXattr, text, sizeof text - 1);
    if (size < 0) return false;
    text[size] = '\0';
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 16);
    if (size == 0 || end == text) {
        errno = ENODATA;
        return false;
    }
    bits = static_cast<DWORD>(value);
    return true;
}

// What a file reads without user.DOSATTRIB: ARCHIVE, and HIDDEN for a dot name made by
// another program. On a volume without extended attributes (noAttributes) no name can be
// made otherwise, so there a dot name is not HIDDEN: it reads as dravik made it.
DWORD UnstoredBits(const std::string& fileName, bool noAttributes) {
    bool dotName = fileName.size() > 1 && fileName[0] == '.' && fileName != "..";
    return FILE_ATTRIBUTE_ARCHIVE | (dotName && !noAttributes ? FILE_ATTRIBUTE_HIDDEN : 0);
}

bool WriteStored(const std::string& path, DWORD bits) {
    char text[16];
    int length = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(bits));
    return setxattr(path.c_str(), kXattr, text, static_cast<size_t>(length), 0) == 0;
}

}  // namespace

DWORD GetAttributeBits(const std::string& path, const struct stat& st) {
    return GetAttributeBits(path, LastComponent(path), st);
}

DWORD GetAttributeBits(const std::string& xattrPath, const std::string& fileName, const struct stat& st) {
    DWORD bits = 0;
    bool directory = S_ISDIR(st.st_mode);
    DWORD stored = 0;
    if (ReadStored(xattrPath, stored)) {
        bits = stored & (directory ? kDirectoryStoredBits : kFileReadBits);
    } else if (!directory) {
        bits = UnstoredBits(fileName, errno == ENOTSUP);
    }
    if (directory)
        bits |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!(st.st_mode & S_IWUSR))
        bits |= FILE_ATTRIBUTE_READONLY;
    return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
}

bool IsReadOnly(const std::string& path, const struct stat& st) {
    return (GetAttributeBits(path, st) & FILE_ATTRIBUTE_READONLY) != 0;
}

bool KeepsUserAttributes(const std::string& path) {
    char byte;
    return getxattr(path.c_str(), kXattr, &byte, 0) >= 0 || errno != ENOTSUP;
}

DWORD SetAttributeBits(const std::string& path, DWORD bits) {
    return SetAttributeBits(path, LastComponent(path), bits);
}

DWORD SetAttributeBits(const std::string& path, const std::string& fileName, DWORD bits) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Win32ErrorFromErrno(errno, path);
    struct statvfs volume;
    if (statvfs(path.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY)) return ERROR_WRITE_PROTECT;
    bool directory = S_ISDIR(st.st_mode);
    bool readOnly = !directory && (bits & FILE_ATTRIBUTE_READONLY) != 0;
    DWORD stored = bits & (directory ? kDirectoryStoredBits : kFileStoredBits);
    mode_t mode = st.st_mode & 07777;
    // A user may only write the extended attribute of a file it can write: lift a
    // read-only mode first, then set the mode asked for. READONLY is written to the
    // attribute as well until the mode is seen to keep it.
    if (!directory && !(mode & S_IWUSR) && chmod(path.c_str(), mode | S_IWUSR) != 0)
        return Win32ErrorFromErrno(errno, path);
    bool kept = WriteStored(path, stored | (readOnly ? FILE_ATTRIBUTE_READONLY : 0));
    int xattrError = kept ? 0 : errno;
    if (!directory) {
        mode_t wanted = readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
        struct stat after;
        if (chmod(path.c_str(), wanted) != 0 || stat(path.c_str(), &after) != 0) {
            DWORD code = Win32ErrorFromErrno(errno, path);
            chmod(path.c_str(), mode);
            return code;
        }
        // Check the mode instead of trusting chmod: some file systems accept it and
        // keep 0777.
        bool modeKeeps = ((after.st_mode & S_IWUSR) == 0) == readOnly;
        if (!modeKeeps && !(readOnly && kept)) {
            chmod(path.c_str(), mode);
            return ERROR_ACCESS_DENIED;
        }
        if (readOnly && modeKeeps && kept) WriteStored(path, stored);  // the mode carries it
    }
    if (!kept) {
        if (xattrError == EROFS) return ERROR_WRITE_PROTECT;
        // Without the attribute the file reads back as a file made by another program;
        // any other bits cannot be kept.
        DWORD fallback = directory ? 0 : UnstoredBits(fileName, xattrError == ENOTSUP);
        if (stored != fallback) {
            if (!directory) chmod(path.c_str(), mode);
            return xattrError == ENOTSUP || xattrError == EPERM || xattrError == EACCES
                       ? ERROR_ACCESS_DENIED
                       : Win32ErrorFromErrno(xattrError, path);
        }
    }
    return 0;
}

}  // namespace posix
