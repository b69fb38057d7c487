#include "platform/posix/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "common/ascii.h"
#include "platform/posix/errors.h"
#include "platform/posix/name_rules.h"
#include "platform/posix/win32_api.h"

namespace posix {
namespace {

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

// True when path is root or lies below it.
bool Under(const std::string& path, const std::string& root) {
    if (root == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, root.size(), root) == 0 && (path.size() == root.size() || path[root.size()] == '/');
}

std::string CurrentDirectory() {
    std::vector<char> cwd(4096);
    while (getcwd(cwd.data(), cwd.size()) == nullptr) {
        if (errno != ERANGE) return {};
        cwd.resize(cwd.size() * 2);
    }
    return cwd.data();
}

}  // namespace

bool DriveMap::Mapping::present() const {
    if (!known) return true;
    struct stat st;
    return stat(root.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode;
}

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
                mappings_.push_back({UpperCased(key), TrimRoot(std::string(item.substr(eq + 1)))});
        }
        start = end + 1;
    }
    if (driveRoot('Z').empty()) mappings_.push_back({"Z:", "/"});
    for (Mapping& m : mappings_) {
        struct stat st;
        if (m.root == "/" || stat(m.root.c_str(), &st) != 0) continue;  // "/" cannot go away
        m.known = true;
        m.device = st.st_dev;
        m.inode = st.st_ino;
    }
}

std::string DriveMap::driveRoot(char letter) const {
    std::string key = UpperCased(std::string(1, letter)) + ":";
    for (const Mapping& m : mappings_)
        if (m.prefix == key) return m.root;
    return {};
}

const DriveMap::Mapping* DriveMap::rootOf(const std::string& absolutePath) const {
    const Mapping* best = nullptr;
    for (const Mapping& m : mappings_)
        if (Under(absolutePath, m.root) && (best == nullptr || m.root.size() > best->root.size())) best = &m;
    return best;
}

std::string DriveMap::win32Form(const std::string& posixPath) const {
    const Mapping* m = rootOf(posixPath);
    if (m == nullptr) return {};
    std::string rest = m->root == "/" ? posixPath : posixPath.substr(m->root.size());
    if (rest.empty() || rest[0] != '/') rest.insert(rest.begin(), '/');
    std::string result = m->prefix + rest;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
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
        prefix = UpperCased(prefix);
        for (const Mapping& m : mappings_) {
            if (m.prefix == prefix) {
                if (!m.present()) break;
                posixPath = JoinRoot(m.root, shareEnd == std::string::npos ? "" : path.substr(shareEnd));
                return true;
            }
        }
        error = ERROR_BAD_NETPATH;
        return false;
    }
    bool hasDrive = path.size() >= 2 && path[1] == ':';
    if (hasDrive || (!path.empty() && IsSeparator(path[0]))) {
        std::string key = UpperCased(std::string(1, hasDrive ? path[0] : 'Z')) + ":";
        for (const Mapping& m : mappings_) {
            if (m.prefix != key) continue;
            if (!m.present()) break;
            posixPath = JoinRoot(m.root, hasDrive ? path.substr(2) : path);
            return true;
        }
        error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    // A relative name is on the drive of the current directory.
    const Mapping* current = rootOf(CurrentDirectory());
    if (current != nullptr && !current->present()) {
        error = current->prefix[0] == '\\' ? ERROR_BAD_NETPATH : ERROR_PATH_NOT_FOUND;
        return false;
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

namespace {

// The map of this process. A process that starts on no drive (Z: mapped elsewhere and
// the starting directory outside every mapping) starts in Z:'s root.
DriveMap MakeDrives() {
    DriveMap drives(std::getenv("DRAVIK_DRIVES") ? std::getenv("DRAVIK_DRIVES") : "");
    std::string cwd = CurrentDirectory();
    if (!cwd.empty() && drives.win32Form(cwd).empty()) {
        // When the root itself is missing, names on Z: fail as on a missing path.
        int moved = chdir(drives.driveRoot('Z').c_str());
        (void)moved;
    }
    return drives;
}

}  // namespace

const DriveMap& Drives() {
    static const DriveMap drives = MakeDrives();
    return drives;
}

std::string DriveRoot(char letter) { return Drives().driveRoot(letter); }

bool ToPosixPath(const char* win32Path, std::string& posixPath, DWORD& error) {
    return Drives().translate(win32Path, posixPath, error);
}

std::string ToWin32Path(const std::string& posixPath) {
    std::string result = Drives().win32Form(posixPath);
    if (!result.empty()) return result;
    result = "Z:" + posixPath;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

bool IsMappedRoot(const std::string& posixPath) { return Drives().isRoot(posixPath); }

}  // namespace posix

DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    posix::Drives();  // a process that starts on no drive moves to Z:'s root first
    std::string cwd = posix::CurrentDirectory();
    if (cwd.empty()) return posix::Fail(posix::Win32ErrorFromErrno(errno), 0);
    std::string win = posix::ToWin32Path(cwd);
    if (win.size() + 1 > nBufferLength) return static_cast<DWORD>(win.size() + 1);
    std::memcpy(lpBuffer, win.c_str(), win.size() + 1);
    return static_cast<DWORD>(win.size());
}
