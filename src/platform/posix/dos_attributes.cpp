#include "platform/posix/dos_attributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/posix/errors.h"

namespace posix {
namespace {

constexpr const char* kXattr = "user.DOSATTRIB";
constexpr DWORD kFileStoredBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kDirectoryStoredBits = kFileStoredBits | FILE_ATTRIBUTE_READONLY;

// The stored bits, or false when the file has no readable user.DOSATTRIB.
bool ReadStored(const std::string& path, DWORD& bits) {
    char text[64];
    ssize_t size = getxattr(path.c_str(), kXattr, text, sizeof text - 1);
    if (size <= 0) return false;
    text[size] = '\0';
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 16);
    if (end == text) return false;
    bits = static_cast<DWORD>(value);
    return true;
}

std::string BaseName(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos) return "/";
    std::string::size_type slash = path.rfind('/', end);
    std::string::size_type start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end - start + 1);
}

}  // namespace

DWORD GetAttributeBits(const std::string& path, const struct stat& st) {
    return GetAttributeBits(path, BaseName(path), st);
}

DWORD GetAttributeBits(const std::string& xattrPath, const std::string& fileName, const struct stat& st) {
    DWORD bits = 0;
    bool directory = S_ISDIR(st.st_mode);
    DWORD stored = 0;
    if (ReadStored(xattrPath, stored)) {
        bits = stored & (directory ? kDirectoryStoredBits : kFileStoredBits);
    } else if (!directory) {
        bits = FILE_ATTRIBUTE_ARCHIVE;
        if (fileName.size() > 1 && fileName[0] == '.' && fileName != "..") bits |= FILE_ATTRIBUTE_HIDDEN;
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

DWORD SetAttributeBits(const std::string& path, DWORD bits) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return Win32ErrorFromErrno(errno, path);
    bool directory = S_ISDIR(st.st_mode);
    DWORD stored = bits & (directory ? kDirectoryStoredBits : kFileStoredBits);
    mode_t mode = st.st_mode & 07777;
    // A user may only write the extended attribute of a file it can write: lift a
    // read-only mode first, then set the mode asked for.
    if (!directory && !(mode & S_IWUSR) && chmod(path.c_str(), mode | S_IWUSR) != 0)
        return Win32ErrorFromErrno(errno, path);
    char text[16];
    int length = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(stored));
    DWORD result = 0;
    if (setxattr(path.c_str(), kXattr, text, static_cast<size_t>(length), 0) != 0) {
        int error = errno;
        if (stored & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | (directory ? FILE_ATTRIBUTE_READONLY : 0)))
            result = ERROR_ACCESS_DENIED;
        else if (error != ENOTSUP && error != EPERM && error != EACCES)
            result = Win32ErrorFromErrno(error, path);
    }
    if (!directory) {
        // After a refusal the file gets its old mode back.
        bool readOnly = result == 0 ? (bits & FILE_ATTRIBUTE_READONLY) != 0 : !(mode & S_IWUSR);
        mode_t wanted = readOnly ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
        if (chmod(path.c_str(), wanted) != 0 && result == 0) result = Win32ErrorFromErrno(errno, path);
    }
    return result;
}

}  // namespace posix
