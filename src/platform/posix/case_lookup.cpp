#include "platform/posix/case_lookup.h"

#include <dirent.h>
#include <locale.h>
#include <strings.h>
#include <sys/stat.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace posix {
namespace {

// The C.UTF-8 locale's case tables (built into glibc), or none: ASCII only then.
locale_t CaseLocale() {
    static locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// The next code point of a UTF-8 string; a byte that starts no valid sequence stands
// for itself (as 0x110000 + byte, so that it equals only the same byte).
unsigned NextCodePoint(const std::string& text, std::size_t& at) {
    unsigned char lead = static_cast<unsigned char>(text[at]);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0x110000u + text[at++];
    unsigned value = length == 1 ? lead : lead & (0x7Fu >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0x110000u + text[at++];
        value = (value << 6) | (next & 0x3F);
    }
    at += length;
    return value;
}

unsigned Upper(unsigned codePoint) {
    if (codePoint >= 0x110000u) return codePoint;
    if (codePoint < 0x80) return static_cast<unsigned>(std::toupper(static_cast<int>(codePoint)));
    locale_t locale = CaseLocale();
    return locale ? static_cast<unsigned>(towupper_l(static_cast<wint_t>(codePoint), locale)) : codePoint;
}

// The order in which FindFirstFileA lists names: without regard to case, ties by bytes.
bool ListsBefore(const std::string& a, const std::string& b) {
    int folded = strcasecmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

// The entry of the directory that matches name: the exact spelling, else the first in
// listing order that matches without regard to case; empty when none does.
std::string MatchingEntry(const std::string& directory, const std::string& name) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return {};
    std::string best;
    while (struct dirent* entry = readdir(dir)) {
        const char* found = entry->d_name;
        if (std::strcmp(found, ".") == 0 || std::strcmp(found, "..") == 0) continue;
        if (name == found) {
            best = found;
            break;
        }
        if (SameNameIgnoringCase(found, name) && (best.empty() || ListsBefore(found, best))) best = found;
    }
    closedir(dir);
    return best;
}

// The name with the case of its ASCII letters swapped; empty when it has none.
std::string SwappedCase(const std::string& name) {
    std::string swapped = name;
    bool changed = false;
    for (char& c : swapped) {
        if (std::isupper(static_cast<unsigned char>(c)))
            c = static_cast<char>(std::tolower(c)), changed = true;
        else if (std::islower(static_cast<unsigned char>(c)))
            c = static_cast<char>(std::toupper(c)), changed = true;
    }
    return changed ? swapped : std::string();
}

enum class VolumeCase { Unknown, Sensitive, Insensitive };

// Probes the volume of directory (device): an entry whose name holds a letter is
// looked up with its letters' case swapped; when that spelling is no entry of its own
// and still exists, the volume itself finds names without regard to case. Nothing is
// made. Undecided (no such entry) until a directory with one is seen.
VolumeCase ProbeVolume(const std::string& directory) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return VolumeCase::Unknown;
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir)) names.push_back(entry->d_name);
    closedir(dir);
    for (const std::string& name : names) {
        std::string swapped = SwappedCase(name);
        if (swapped.empty() || std::find(names.begin(), names.end(), swapped) != names.end()) continue;
        struct stat st;
        std::string probe = (directory == "/" ? "" : directory) + "/" + swapped;
        return lstat(probe.c_str(), &st) == 0 ? VolumeCase::Insensitive : VolumeCase::Sensitive;
    }
    return VolumeCase::Unknown;
}

// What is known of each device seen so far.
std::map<dev_t, VolumeCase>& KnownVolumes() {
    static std::map<dev_t, VolumeCase> known;
    return known;
}

VolumeCase CaseOfVolume(dev_t device, const std::string& directory) {
    auto& known = KnownVolumes();
    auto found = known.find(device);
    if (found != known.end() && found->second != VolumeCase::Unknown) return found->second;
    VolumeCase probed = ProbeVolume(directory);
    known[device] = probed;
    return probed;
}

}  // namespace

bool CaseInsensitiveNames() {
    const char* mode = std::getenv("DRAVIK_CASE");
    return mode == nullptr || strcasecmp(mode, "sensitive") != 0;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size())
        if (Upper(NextCodePoint(a, i)) != Upper(NextCodePoint(b, j))) return false;
    return i == a.size() && j == b.size();
}

// The walk of ExistingSpelling once the exact path is known to be missing.
static std::string FoldedSpelling(const std::string& path) {
    struct stat st;
    std::string result;  // the components resolved so far
    std::size_t at = 0;
    if (path[0] == '/') {
        result = "/";
        at = 1;
    }
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        std::string directory = result;
        if (!part.empty() && part != "." && part != "..") {
            std::string exact = result + part;
            if (lstat(exact.c_str(), &st) != 0) {
                std::string found = MatchingEntry(directory.empty() ? "." : directory, part);
                // Nothing matches: this component and the rest stay as written.
                if (found.empty()) return result + path.substr(at);
                part = found;
            }
        }
        result += part;
        if (end < path.size()) result += '/';
        at = end + 1;
    }
    return result;
}

bool FindsNamesWithoutCase(const std::string& directory) {
    struct stat st;
    if (stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return CaseOfVolume(st.st_dev, directory) == VolumeCase::Insensitive;
}

std::string StoredSpelling(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    // One stat on other volumes: the folder that holds the name is on none such.
    std::string::size_type slash = path.find_last_of('/', path.size() > 1 ? path.size() - 2 : 0);
    if (!FindsNamesWithoutCase(slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash))) return path;
    std::string result = "/";
    std::size_t at = 1;
    struct stat st;
    while (at < path.size()) {
        std::size_t end = path.find('/', at);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(at, end - at);
        if (!part.empty() && part != "." && part != ".." && FindsNamesWithoutCase(result)) {
            std::string stored = MatchingEntry(result, part);
            if (!stored.empty()) part = stored;
        }
        std::string next = result + part;
        if (end < path.size()) next += '/';
        // Past a missing component there is nothing stored to follow.
        if (lstat((result + part).c_str(), &st) != 0) return next + (end < path.size() ? path.substr(end + 1) : "");
        result = next;
        at = end + 1;
    }
    return result;
}

std::string ExistingSpelling(const std::string& path) {
    if (path.empty()) return path;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        // The fast path: on a device already known to keep one inode per name, the
        // exact name is all.
        auto known = KnownVolumes().find(st.st_dev);
        bool sensitive = known != KnownVolumes().end() && known->second == VolumeCase::Sensitive;
        return sensitive || !CaseInsensitiveNames() ? path : StoredSpelling(path);
    }
    return CaseInsensitiveNames() ? StoredSpelling(FoldedSpelling(path)) : path;
}

}  // namespace posix
