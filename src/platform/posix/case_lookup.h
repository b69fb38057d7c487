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
// components exist; the rest stays as written. The exact path, when it exists, comes
// back unchanged at the cost of one lstat.
std::string ExistingSpelling(const std::string& path);

// True unless DRAVIK_CASE=sensitive.
bool CaseInsensitiveNames();

}  // namespace posix
