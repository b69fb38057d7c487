// The name checks shared by the calls that take Win32 names (files, directories,
// deletes, moves, copies, attributes, searches): the Win32 name rules (name_rules.h),
// translation to a POSIX path (paths.h), and the lookup without regard to case
// (case_lookup.h), all before the call looks at the file itself.
#pragma once

#include <string>

#include "platform/posix/name_rules.h"
#include "platform/posix/win32_types.h"

namespace posix {

struct ResolvedName {
    std::string path;                // the POSIX path, components spelled as the directories hold them
    std::string given;               // the same with the last component as the caller wrote it
    bool trailingSeparator = false;  // the name ended in a separator (path keeps a "/")
    DosDevice device = DosDevice::None;
};

// True when the name holds "*" or "?".
bool HasWildcard(const std::string& name);

// True when the name has more than MAX_PATH characters: the ANSI calls refuse it
// (ERROR_FILENAME_EXCED_RANGE) before they look at it.
bool NameTooLong(LPCSTR name);

// Resolves a Win32 name: a name longer than MAX_PATH gives 206 (unless limitLength is
// false: the target of a move or copy may be longer, as on Windows, and so may a
// "\\?\" name), an empty or missing name 3, then the rules of NormalizeName (123,
// 206), an unmapped or vanished drive 3 and share 53. A relative name is taken from
// the current directory. DOS device names come back with their kind in device.
bool ResolveName(LPCSTR name, ResolvedName& resolved, DWORD& error, NameUse use = NameUse::Plain,
                 bool limitLength = true);

// The same for the calls that cannot take a device: a DOS device name gives 2, or 5
// for NUL, which exists but is no file to make, change or remove.
bool ResolveName(LPCSTR name, std::string& posixPath, DWORD& error, bool limitLength = true);

// The path without trailing separators ("/" stays "/").
std::string WithoutTrailingSlash(const std::string& path);

// The last component of a POSIX path (trailing separators ignored).
std::string LastComponent(const std::string& path);

}  // namespace posix
