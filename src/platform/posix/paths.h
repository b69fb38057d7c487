// Drives and Win32 path names over a POSIX file system.
//
// Z: is the root "/", as Wine maps it. The environment variable DRAVIK_DRIVES maps
// more drive letters and UNC share roots to directories, for example
//   DRAVIK_DRIVES='X=/srv/x;\\files\share=/mnt/share'
// A Win32 path is translated by its drive or share prefix; "\" and "/" both separate.
// A path without a drive (relative, or rooted at "\") is taken on the current
// directory's drive, which is Z:. Z: may be mapped too (Z=/mnt/under-test), so that a
// run stays on one file system; a process that starts outside every mapped directory
// then starts in Z:'s root, since a Win32 process is always on some drive.
//
// Each mapped root's identity (device and inode) is taken when the map is made. A root
// that has gone since (an sshfs mount that lost its connection unmounts itself, and
// its mount point is then an empty folder of another file system) makes every later
// name on it fail with 3, or 53 for a share root, instead of reaching the folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/win32_types.h"

namespace posix {

// A set of drive and share mappings, as DRAVIK_DRIVES gives them.
class DriveMap {
public:
    // Parses "X=/dir;\\server\share=/dir"; malformed items are skipped. Z: maps to "/"
    // unless the text maps it elsewhere.
    explicit DriveMap(std::string_view mappings);

    // See ToPosixPath.
    bool translate(const char* win32Path, std::string& posixPath, DWORD& error) const;
    std::string driveRoot(char letter) const;
    bool isRoot(const std::string& posixPath) const;
    // See ToWin32Path; empty when the path is under no mapped root.
    std::string win32Form(const std::string& posixPath) const;

private:
    struct Mapping {
        std::string prefix;  // "X:" or "\\SERVER\SHARE", upper-cased
        std::string root;    // POSIX directory, without a trailing "/" (except "/")
        bool known = false;  // the root existed when the map was made:
        dev_t device = 0;    // its identity then
        ino_t inode = 0;
        bool present() const;  // still the same directory
    };
    const Mapping* rootOf(const std::string& absolutePath) const;
    std::vector<Mapping> mappings_;
};

// The mappings of this process, from DRAVIK_DRIVES.
const DriveMap& Drives();

// Translates a Win32 path to a POSIX path. An unmapped drive gives false with 3
// (path not found), an unmapped UNC share root false with 53 (bad network path).
// Separators are turned into "/"; a trailing separator is kept, since Win32 gives
// such names their own meaning.
bool ToPosixPath(const char* win32Path, std::string& posixPath, DWORD& error);

// The Win32 form of an absolute POSIX path: the drive (or share) of the longest mapped
// root that holds it and the rest with backslashes; "Z:" and the whole path when no
// root holds it.
std::string ToWin32Path(const std::string& posixPath);

// The POSIX directory of a drive letter ('A'..'Z', either case), or empty when the
// letter is not mapped.
std::string DriveRoot(char letter);

// True when the POSIX path names the root directory of a mapped drive or share.
bool IsMappedRoot(const std::string& posixPath);

}  // namespace posix
