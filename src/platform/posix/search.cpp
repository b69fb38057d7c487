// Directory search: FindFirstFileA reads the directory once (a snapshot, as Wine's
// is), keeps the entries that match the pattern, and FindNextFileA hands them out in
// a fixed order: "." and ".." first (not in a drive root), then the names ordered
// without regard to letter case, as NTFS lists them.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/dos_attributes.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_times.h"
#include "platform/posix/handles.h"
#include "platform/posix/name_args.h"
#include "platform/posix/paths.h"
#include "platform/posix/wildcard.h"
#include "platform/posix/win32_api.h"

namespace {

using posix::Fail;

struct Search : posix::HandleObject {
    std::vector<WIN32_FIND_DATAA> entries;
    std::size_t next = 0;
};

bool DotName(const std::string& name) { return name == "." || name == ".."; }

// Listing order: "." and ".." first, then without regard to case (ties by bytes).
bool ListsBefore(const std::string& a, const std::string& b) {
    if (DotName(a) != DotName(b)) return DotName(a);
    int folded = strcasecmp(a.c_str(), b.c_str());
    return folded != 0 ? folded < 0 : a < b;
}

// The find data of one entry: 0, ERROR_FILE_NOT_FOUND when it vanished since the
// directory was read, or the code of a failure to read its status.
DWORD Describe(const std::string& directory, const std::string& name, WIN32_FIND_DATAA& data) {
    std::string path = directory == "/" ? "/" + name : directory + "/" + name;
    posix::FileStatus status;
    if (!posix::ReadFileStatus(path, status)) return posix::Win32ErrorFromErrno(errno, path);
    data = {};
    data.dwFileAttributes = posix::GetAttributeBits(path, name, status.st);
    data.ftCreationTime = status.creation;
    data.ftLastAccessTime = status.lastAccess;
    data.ftLastWriteTime = status.lastWrite;
    std::uint64_t size = S_ISDIR(status.st.st_mode) ? 0 : static_cast<std::uint64_t>(status.st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    // A name longer than the record holds is cut (Linux names are at most 255 bytes).
    std::strncpy(data.cFileName, name.c_str(), sizeof data.cFileName - 1);
    return 0;
}

// The names of the directory that match the pattern, in listing order.
bool MatchingNames(const std::string& directory, const std::string& pattern, std::vector<std::string>& names,
                   DWORD& error) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
        error = posix::Win32ErrorFromErrno(errno, posix::ErrnoUse::ListDirectory, directory);
        return false;
    }
    bool driveRoot = posix::IsMappedRoot(directory);
    // readdir tells its end from a failure only by errno.
    errno = 0;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (!(driveRoot && DotName(name)) && posix::MatchesWildcard(pattern, name)) names.push_back(name);
        errno = 0;
    }
    int readError = errno;
    closedir(dir);
    if (readError != 0) {
        error = posix::Win32ErrorFromErrno(readError, posix::ErrnoUse::ListDirectory, directory);
        return false;
    }
    std::sort(names.begin(), names.end(), ListsBefore);
    return true;
}

// The entry that FindFirstFileA gives for the NUL device: Windows finds "nul" in any
// folder, a name of size 0 (Wine's file.c tests assert it; the attributes are ARCHIVE
// there, as here).
WIN32_FIND_DATAA NulDeviceEntry(const std::string& pattern) {
    WIN32_FIND_DATAA data{};
    data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    std::strncpy(data.cFileName, pattern.c_str(), sizeof data.cFileName - 1);
    return data;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    posix::ResolvedName resolved;
    DWORD error = 0;
    if (!posix::ResolveName(lpFileName, resolved, error, posix::NameUse::Pattern))
        return Fail(error, INVALID_HANDLE_VALUE);
    // The pattern is the last component; "dir\" asks for no name and finds none.
    const std::string& path = resolved.path;
    std::string::size_type slash = path.rfind('/');
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (pattern.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    if (resolved.device != posix::DosDevice::None && !posix::HasWildcard(pattern)) {
        if (resolved.device == posix::DosDevice::Absent) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        auto search = std::make_unique<Search>();
        search->entries.push_back(NulDeviceEntry(pattern));
        *lpFindFileData = search->entries[0];
        search->next = 1;
        return posix::AddHandle(std::move(search));
    }

    std::vector<std::string> names;
    if (!MatchingNames(directory, pattern, names, error)) return Fail(error, INVALID_HANDLE_VALUE);
    auto search = std::make_unique<Search>();
    for (const std::string& name : names) {
        WIN32_FIND_DATAA data;
        DWORD code = Describe(directory, name, data);
        // An entry that is gone is not listed; one that cannot be read fails the search.
        if (code == 0) search->entries.push_back(data);
        if (code != 0 && code != ERROR_FILE_NOT_FOUND) return Fail(code, INVALID_HANDLE_VALUE);
    }
    if (search->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    *lpFindFileData = search->entries[0];
    search->next = 1;
    return posix::AddHandle(std::move(search));
}

BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    auto* search = posix::LookupHandleAs<Search>(hFindFile);
    if (search == nullptr) return Fail(ERROR_INVALID_HANDLE);
    // The end stays the end: every later call gives 18 again.
    if (search->next >= search->entries.size()) return Fail(ERROR_NO_MORE_FILES);
    *lpFindFileData = search->entries[search->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (posix::LookupHandleAs<Search>(hFindFile) == nullptr) return Fail(ERROR_INVALID_HANDLE);
    posix::RemoveHandle(hFindFile);
    return TRUE;
}
