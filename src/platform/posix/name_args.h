// The name checks shared by the calls that take Win32 names (directories, deletes,
// moves, copies, attributes, searches): translation to a POSIX path and the refusals
// that Win32 makes before it looks at the file system.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// True when the name holds "*" or "?".
bool HasWildcard(const std::string& name);

// True when the name has more than MAX_PATH characters: the ANSI calls refuse it
// (ERROR_FILENAME_EXCED_RANGE) before they look at it.
bool NameTooLong(LPCSTR name);

// Translates a Win32 name for a call that takes no wildcards: a name longer than
// MAX_PATH gives 206 (unless limitLength is false: the target of a move or copy may be
// longer, as on Windows), an empty or missing name 3, a wildcard 123, an unmapped drive
// 3 and an unmapped share 53.
bool ResolveName(LPCSTR name, std::string& posixPath, DWORD& error, bool limitLength = true);

// The path without trailing separators ("/" stays "/").
std::string WithoutTrailingSlash(const std::string& path);

// The last component of a POSIX path (trailing separators ignored).
std::string LastComponent(const std::string& path);

}  // namespace posix
