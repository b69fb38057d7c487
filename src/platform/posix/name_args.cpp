#include "platform/posix/name_args.h"

#include <cstring>

#include "platform/posix/paths.h"

namespace posix {

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

bool NameTooLong(LPCSTR name) { return name != nullptr && std::strlen(name) > MAX_PATH; }

bool ResolveName(LPCSTR name, std::string& posixPath, DWORD& error, bool limitLength) {
    if (limitLength && NameTooLong(name)) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    if (name == nullptr || *name == '\0') {
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    if (HasWildcard(name)) {
        error = ERROR_INVALID_NAME;
        return false;
    }
    return ToPosixPath(name, posixPath, error);
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
