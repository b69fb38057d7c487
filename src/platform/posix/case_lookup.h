// Win32 names are case-insensitive and case-preserving. A POSIX path is looked up
// exactly first; when that finds nothing, each component that does not exist as
// written is matched against its directory's entries without regard to case (ASCII
// and the simple Unicode case mapping of UTF-8 names). A directory holding several
// spellings of one name (possible on Linux) resolves to the exact spelling, else to
// the first of them in the order that FindFirstFileA lists them.
//
// DRAVIK_CASE=sensitive keeps the plain POSIX lookup.
#pragma once

#include <string>

namespace posix {

// True when the two names are the same without regard to case.
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

// The path with every component spelled as its directory holds it, as far as the
// components exist; the rest stays as written (and, on a volume of StoredSpelling,
// spelled as stored). The exact path, when it exists on a volume already known to
// give one inode per name, comes back unchanged at the cost of one lstat.
std::string ExistingSpelling(const std::string& path);

// On a volume that itself finds names without regard to case, a FUSE file system may
// give each spelling of a name its own inode (smbnetfs, exfat-fuse: "a.fil" 572,
// "A.FIL" 573), and open files, share modes, locks and pending deletes are keyed by
// the inode. There the path is spelled as the directories store their entries, so
// that every spelling of a name reaches one inode. An absolute path only.
std::string StoredSpelling(const std::string& path);

// True when the volume of the directory finds names without regard to case, as a
// probe at the first use of its device found (case_lookup.cpp: no file is made).
bool FindsNamesWithoutCase(const std::string& directory);

// True unless DRAVIK_CASE=sensitive.
bool CaseInsensitiveNames();

}  // namespace posix
