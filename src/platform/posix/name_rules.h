// The Win32 name rules that apply to the text of a name, before any system call:
// prefixes, characters no name may hold, component lengths, the normal forms that
// Win32 gives a name before a file system sees it, and the DOS device names.
#pragma once

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// A separator of a Win32 name: a backslash or a slash.
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The longest name component (NTFS and Linux alike).
constexpr std::size_t kLongestComponent = 255;

// Whether the last component of a name may hold the wildcards "*" and "?".
enum class NameUse { Plain, Pattern };

// The DOS device that a name's last component stands for, in any folder and with or
// without an extension ("nul", "C:\dir\com1.txt"). Only NUL exists here; the others
// are devices that this machine lacks.
enum class DosDevice { None, Nul, Absent };

struct NormalName {
    std::string name;  // the Win32 name after the normal forms, drive or share first
    bool trailingSeparator = false;
    DosDevice device = DosDevice::None;
};

// Applies the rules, as Win32 does:
// - "\\?\X:\..." and "\\?\UNC\server\share\..." lose their prefix and are otherwise
//   taken as written; "\\.\X:..." is "X:...".
// - A component holding a byte 1-31 or one of < > : " | (a colon only after the drive
//   letter), or a wildcard outside the last component of a pattern, gives 123; a
//   component over 255 characters gives 206.
// - Repeated separators count once; "." and ".." are resolved textually, and ".." stops
//   at the root of the drive or share ("Z:\..\x" is "Z:\x"); a relative name keeps the
//   ".." that climb above its start. A component that ends in one dot loses it; the
//   last component loses all its trailing dots and blanks ("a.dat. " is "a.dat").
bool NormalizeName(const std::string& name, NameUse use, NormalName& result, DWORD& error);

}  // namespace posix
