#include "interpreter/path_parts.h"

#include <cctype>

namespace {

bool StartsWithTwoSeparators(std::string_view text) {
    return text.size() >= 2 && ((text[0] == '\\' && text[1] == '\\') || (text[0] == '/' && text[1] == '/'));
}

std::string Qualify(std::string_view name, const std::string& defaultPath) {
    if (name.size() >= 2 && name[1] == ':') {
        // A drive without a backslash behind its colon (D:F.DAT) is taken from the
        // drive's root, as if the backslash were there.
        std::string qualified(name);
        if (qualified.size() == 2 || qualified[2] != '\\') qualified.insert(2, 1, '\\');
        return qualified;
    }
    if (StartsWithTwoSeparators(name)) return std::string(name);
    return defaultPath + std::string(name);
}

}  // namespace

ReturnCode SplitPath(std::string_view name, const std::string& defaultPath, PathParts& parts) {
    parts = PathParts{};
    parts.qualifiedPath = Qualify(name, defaultPath);
    const std::string& path = parts.qualifiedPath;

    std::size_t directoryStart;
    if (path.size() >= 2 && path[1] == ':') {
        parts.root = path.substr(0, 2);
        parts.root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(parts.root[0])));
        directoryStart = 2;
    } else if (StartsWithTwoSeparators(path)) {
        if (path.size() < 3 || path[2] == '/' || path[2] == '\\') return kSyntaxError;
        std::size_t serverEnd = path.find('\\', 3);
        if (serverEnd == std::string::npos) return kSyntaxError;
        parts.root = path.substr(0, serverEnd);
        directoryStart = serverEnd;
    } else {
        return kSyntaxError;
    }

    std::size_t lastSeparator = path.rfind('\\');
    if (lastSeparator == std::string::npos || lastSeparator < directoryStart) return kSyntaxError;
    parts.fileName = path.substr(lastSeparator + 1);
    if (parts.fileName.empty()) return kSyntaxError;

    parts.directory = path.substr(directoryStart, lastSeparator + 1 - directoryStart);
    if (parts.directory.rfind("\\\\", 0) == 0) parts.directory.erase(0, 1);
    return parts.directory.empty() ? kSyntaxError : 0;
}
