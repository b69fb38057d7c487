#include "platform/posix/name_args.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/posix/case_lookup.h"
#include "platform/posix/paths.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

std::string CurrentWin32Directory() {
    std::vector<char> buffer(MAX_PATH + 1);
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    return std::string(buffer.data(), length < buffer.size() ? length : 0);
}

// A relative name (and "X:name" on the current directory's drive) is taken from the
// current directory, as Win32 makes every name full before it uses it.
std::string FullName(const std::string& name) {
    bool drive = name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
    bool rooted = !name.empty() && IsSeparator(name[0]);
    if (rooted || (drive && name.size() > 2 && IsSeparator(name[2]))) return name;
    std::string current = CurrentWin32Directory();
    if (current.size() < 2) return name;
    if (drive) {
        if (std::toupper(static_cast<unsigned char>(name[0])) != std::toupper(static_cast<unsigned char>(current[0])))
            return name;  // another drive: its root
        return current + "\\" + name.substr(2);
    }
    return current + "\\" + name;
}

}  // namespace

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

bool NameTooLong(LPCSTR name) { return name != nullptr && std::strlen(name) > MAX_PATH; }

bool ResolveName(LPCSTR name, ResolvedName& resolved, DWORD& error, NameUse use, bool limitLength) {
    bool verbatim = name != nullptr && std::strncmp(name, "\\\\?\\", 4) == 0;
    if (limitLength && !verbatim && NameTooLong(name)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    if (name == nullptr || *name == '\0') {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    NormalName normal;
    if (!NormalizeName(FullName(name), use, normal, error)) return false;
    std::string path;
    if (!ToPosixPath(normal.name.c_str(), path, error)) return false;
    path = WithoutTrailingSlash(path);
    std::string::size_type givenSlash = path.rfind('/');
    // A search pattern names nothing on the volume: only its folder is looked up. A
    // server may refuse a name holding "*" or "?" and go on failing (smbnetfs does).
    bool pattern =
        use == NameUse::Pattern && givenSlash != std::string::npos && HasWildcard(path.substr(givenSlash + 1));
    std::string folded =
        pattern ? ExistingSpelling(path.substr(0, givenSlash)) + path.substr(givenSlash) : ExistingSpelling(path);
    std::string::size_type slash = folded.rfind('/');
    resolved.given = slash == std::string::npos || givenSlash == std::string::npos
                         ? path
                         : folded.substr(0, slash + 1) + path.substr(givenSlash + 1);
    resolved.path = folded;
    resolved.trailingSeparator = normal.trailingSeparator;
    if (normal.trailingSeparator && resolved.path.back() != '/') {
        resolved.path += '/';
        resolved.given += '/';
    }
    resolved.device = normal.device;
    return true;
}

bool ResolveName(LPCSTR name, std::string& posixPath, DWORD& error, bool limitLength) {
    ResolvedName resolved;
    if (!ResolveName(name, resolved, error, NameUse::Plain, limitLength)) return false;
    if (resolved.device != DosDevice::None) {
        error = resolved.device == DosDevice::Nul ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
        return false;
    }
    posixPath = resolved.path;
    return true;
}

std::string WithoutTrailingSlash(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos) return path.empty() ? path : "/";
    return path.substr(0, end + 1);
}

std::string LastComponent(const std::string& path) {
    std::string trimmed = WithoutTrailingSlash(path);
    std::string::size_type slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace posix
