// The Win32 attribute bits of a file over POSIX. DIRECTORY comes from the file type,
// READONLY of a file is the absence of the owner's write bit, and HIDDEN, SYSTEM and
// ARCHIVE (and READONLY of a directory, which must stay writable for its entries) live
// in the extended attribute user.DOSATTRIB as the text "0x<hex>" (the form that Wine
// writes and Samba reads).
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/posix/win32_types.h"

namespace posix {

// The bits of the file at path, whose stat is st. The bits read back are the bits
// set; none set reads FILE_ATTRIBUTE_NORMAL. A file without user.DOSATTRIB (made by
// another program) reports ARCHIVE, plus HIDDEN when its name begins with "." on a
// volume that keeps extended attributes; directories report DIRECTORY plus their
// stored bits.
DWORD GetAttributeBits(const std::string& path, const struct stat& st);

// The same, with the extended attribute read through xattrPath (for example
// /proc/self/fd/N of an open file) and the dot rule applied to fileName.
DWORD GetAttributeBits(const std::string& xattrPath, const std::string& fileName, const struct stat& st);

// Stores READONLY (chmod for a file, or user.DOSATTRIB where the mode does not keep
// it) and HIDDEN, SYSTEM, ARCHIVE (user.DOSATTRIB); other bits are ignored. Gives 0 or
// a Win32 error code: 19 on a read-only mount, 5 (and nothing changed) where the bits
// cannot be kept: the file system has no extended attributes and they differ from
// what a file reads back without one, or READONLY is neither kept by chmod nor in
// the attribute.
DWORD SetAttributeBits(const std::string& path, DWORD bits);

// The same for a file that will bear fileName (a copy made under a temporary name):
// what it reads back without user.DOSATTRIB is judged by that name.
DWORD SetAttributeBits(const std::string& path, const std::string& fileName, DWORD bits);

// True when the file system of path keeps user extended attributes.
bool KeepsUserAttributes(const std::string& path);

// True when the file at path (stat st) is READONLY.
bool IsReadOnly(const std::string& path, const struct stat& st);

}  // namespace posix
