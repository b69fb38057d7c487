#include "platform/posix/name_rules.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace posix {
namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDrivePrefix(const std::string& text, std::size_t at) {
    return text.size() >= at + 2 && std::isalpha(static_cast<unsigned char>(text[at])) && text[at + 1] == ':';
}

// 0 when the component may stand in a name, else the code Win32 gives for it.
DWORD CheckComponent(const std::string& part, bool wildcardsAllowed) {
    if (part.size() > kLongestComponent) return ERROR_FILENAME_EXCED_RANGE;
    for (char c : part) {
        unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= 1 && byte <= 31) || std::strchr("<>:\"|", c) != nullptr) return ERROR_INVALID_NAME;
        if ((c == '*' || c == '?') && !wildcardsAllowed) return ERROR_INVALID_NAME;
    }
    return 0;
}

// The last component loses every trailing dot and blank (unless nothing would be
// left); the others lose one trailing dot.
std::string Trimmed(const std::string& part, bool last) {
    if (last) {
        std::size_t keep = part.find_last_not_of(". ");
        return keep == std::string::npos ? part : part.substr(0, keep + 1);
    }
    if (part.size() > 1 && part.back() == '.' && part[part.size() - 2] != '.') return part.substr(0, part.size() - 1);
    return part;
}

bool IsDeviceStem(const std::string& stem) {
    static const char* const kDevices[] = {"NUL", "CON", "AUX", "PRN"};
    for (const char* device : kDevices)
        if (stem == device) return true;
    return stem.size() == 4 && (StartsWith(stem, "COM") || StartsWith(stem, "LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

// The device named by a last component: its part before the first dot, blanks
// dropped at its end, without regard to case.
DosDevice DeviceOf(const std::string& last) {
    std::string stem = last.substr(0, last.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!IsDeviceStem(stem)) return DosDevice::None;
    return stem == "NUL" ? DosDevice::Nul : DosDevice::Absent;
}

// Drops a "\\?\" prefix (the name is then taken as written: the result is true) or
// a "\\.\" before a drive.
bool StripPrefix(std::string& name) {
    if (StartsWith(name, "\\\\?\\") || StartsWith(name, "//?/")) {
        name = name.substr(4);
        if (name.size() >= 4 &&
            (name.compare(0, 4, "UNC\\") == 0 || name.compare(0, 4, "unc\\") == 0 || name.compare(0, 4, "UNC/") == 0))
            name = "\\\\" + name.substr(4);
        return true;
    }
    if ((StartsWith(name, "\\\\.\\") || StartsWith(name, "//./")) && IsDrivePrefix(name, 4)) name = name.substr(4);
    return false;
}

// The root of a name: a drive ("X:"), a share ("\\server\share"), the current drive's
// root ("\"), or none for a relative name.
struct Root {
    std::string text;
    std::size_t restStart = 0;
    bool relative = false;
};

Root RootOf(const std::string& name) {
    Root root;
    if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
        std::size_t server = name.find_first_of("\\/", 2);
        std::size_t shareEnd = server == std::string::npos ? name.size() : name.find_first_of("\\/", server + 1);
        if (shareEnd == std::string::npos) shareEnd = name.size();
        root.text = name.substr(0, shareEnd);
        for (char& c : root.text)
            if (c == '/') c = '\\';
        root.restStart = shareEnd;
    } else if (IsDrivePrefix(name, 0)) {
        root.text = name.substr(0, 2);
        root.restStart = 2;
    } else if (name.empty() || !IsSeparator(name[0])) {
        root.relative = true;
    }
    return root;
}

// The components after the root, "." and ".." resolved unless verbatim, each checked
// and trimmed; `climbs` counts the ".." above the start of a relative name.
struct Components {
    std::vector<std::string> parts;
    std::size_t climbs = 0;
};

bool ComponentsOf(const std::string& name, const Root& root, bool verbatim, NameUse use, bool trailingSeparator,
                  Components& out, DWORD& error) {
    std::size_t at = root.restStart;
    while (at <= name.size()) {
        std::size_t end = at;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        std::string part = name.substr(at, end - at);
        bool last = end >= name.size();
        at = end + 1;
        if (part.empty()) continue;
        // A pattern's last component is matched as written ("*." asks for names
        // without an extension; "." and ".." find those entries).
        bool pattern = use == NameUse::Pattern && last;
        if (!pattern && !verbatim && part == ".") continue;
        if (!pattern && !verbatim && part == "..") {
            if (!out.parts.empty())
                out.parts.pop_back();
            else if (root.relative)
                ++out.climbs;
            continue;
        }
        if (DWORD code = CheckComponent(part, pattern)) {
            error = code;
            return false;
        }
        out.parts.push_back(pattern || verbatim ? part : Trimmed(part, last && !trailingSeparator));
    }
    return true;
}

std::string Joined(const Root& root, const Components& components) {
    std::string normal = root.text;
    bool first = true;
    for (std::size_t i = 0; i < components.climbs; ++i) {
        normal += first ? ".." : "\\..";
        first = false;
    }
    for (const std::string& part : components.parts) {
        if (!(root.relative && first)) normal += '\\';
        normal += part;
        first = false;
    }
    // One character assigned, not a literal: GCC 12 at -O3 warns falsely (-Wrestrict)
    // of the literal's copy inlined here.
    if (normal.empty()) normal.assign(1, root.relative ? '.' : '\\');
    if (!root.relative && normal == root.text) normal += '\\';
    return normal;
}

}  // namespace

bool NormalizeName(const std::string& input, NameUse use, NormalName& result, DWORD& error) {
    std::string name = input;
    bool verbatim = StripPrefix(name);
    Root root = RootOf(name);
    result.trailingSeparator = !name.empty() && IsSeparator(name.back()) && name.size() > root.restStart;
    Components components;
    if (!ComponentsOf(name, root, verbatim, use, result.trailingSeparator, components, error)) return false;
    result.name = Joined(root, components);
    result.device = components.parts.empty() ? DosDevice::None : DeviceOf(components.parts.back());
    return true;
}

}  // namespace posix
