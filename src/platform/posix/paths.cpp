#include "platform/posix/paths.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/posix/errors.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string TrimRoot(std::string root) {
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

std::string JoinRoot(const std::string& root, std::string rest) {
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (rest.empty()) return root == "/" ? "/" : root + "/";
    if (rest[0] != '/') rest.insert(rest.begin(), '/');
    return root == "/" ? rest : root + rest;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

DriveMap::DriveMap(std::string_view mappings) {
    std::size_t start = 0;
    while (start <= mappings.size()) {
        std::size_t end = mappings.find(';', start);
        if (end == std::string_view::npos) end = mappings.size();
        std::string_view item = mappings.substr(start, end - start);
        std::size_t eq = item.find('=');
        if (eq != std::string_view::npos && eq > 0 && eq + 1 < item.size()) {
            std::string key(item.substr(0, eq));
            for (char& c : key)
                if (c == '/') c = '\\';
            while (key.size() > 1 && key.back() == '\\') key.pop_back();
            if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0]))) key += ':';
            if ((key.size() == 2 && key[1] == ':') || key.rfind("\\\\", 0) == 0)
                mappings_.push_back({Upper(key), TrimRoot(std::string(item.substr(eq + 1)))});
        }
        start = end + 1;
    }
    if (driveRoot('Z').empty()) mappings_.push_back({"Z:", "/"});
}

std::string DriveMap::driveRoot(char letter) const {
    std::string key = Upper(std::string(1, letter)) + ":";
    for (const Mapping& m : mappings_)
        if (m.prefix == key) return m.root;
    return {};
}

bool DriveMap::translate(const char* win32Path, std::string& posixPath, DWORD& error) const {
    std::string path = win32Path ? win32Path : "";
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // UNC: \\server\share\rest; the share root is matched without regard to case.
        std::size_t server = path.find_first_of("\\/", 2);
        std::size_t shareEnd = server == std::string::npos ? std::string::npos : path.find_first_of("\\/", server + 1);
        std::string prefix = path.substr(0, shareEnd);
        for (char& c : prefix)
            if (c == '/') c = '\\';
        prefix = Upper(prefix);
        for (const Mapping& m : mappings_) {
            if (m.prefix == prefix) {
                posixPath = JoinRoot(m.root, shareEnd == std::string::npos ? "" : path.substr(shareEnd));
                return true;
            }
        }
        error = ERROR_BAD_NETPATH;
        return false;
    }
    if (path.size() >= 2 && path[1] == ':') {
        std::string root = driveRoot(path[0]);
        if (root.empty()) {
            error = ERROR_PATH_NOT_FOUND;
            return false;
        }
        posixPath = JoinRoot(root, path.substr(2));
        return true;
    }
    if (!path.empty() && IsSeparator(path[0])) {
        posixPath = JoinRoot(driveRoot('Z'), path);
        return true;
    }
    for (char& c : path)
        if (c == '\\') c = '/';
    posixPath = path;
    return true;
}

bool DriveMap::isRoot(const std::string& posixPath) const {
    std::string trimmed = TrimRoot(posixPath);
    for (const Mapping& m : mappings_)
        if (m.root == trimmed) return true;
    return false;
}

const DriveMap& Drives() {
    static const DriveMap drives(std::getenv("DRAVIK_DRIVES") ? std::getenv("DRAVIK_DRIVES") : "");
    return drives;
}

std::string DriveRoot(char letter) { return Drives().driveRoot(letter); }

bool ToPosixPath(const char* win32Path, std::string& posixPath, DWORD& error) {
    return Drives().translate(win32Path, posixPath, error);
}

std::string ToWin32Path(const std::string& posixPath) {
    std::string result = "Z:" + posixPath;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

bool IsMappedRoot(const std::string& posixPath) { return Drives().isRoot(posixPath); }

}  // namespace posix

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) return posix::FailFromErrno(), 0;
        cwd.resize(cwd.size() * 2);
    }
    std::string win = posix::ToWin32Path(cwd.data());
    if (win.size() + 1 > nBufferLength) return static_cast<DWORD>(win.size() + 1);
    std::memcpy(lpBuffer, win.c_str(), win.size() + 1);
    return static_cast<DWORD>(win.size());
}
