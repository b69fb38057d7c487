// The faults that faultfs plants, chosen by file name from a rules file.
//
// One rule a line: FAULT GLOB [ERRNO]. GLOB is matched (fnmatch) against the last
// component of the name an operation is given; the first rule of that fault whose
// glob matches applies. Blank lines and lines starting with '#' are ignored.
//
//   read     every read fails (the file is opened with direct I/O, so each read
//            reaches the file system and the file cannot be mapped)
//   write    every write fails (direct I/O, as for read)
//   fsync    fsync and fdatasync fail
//   flush    closing a descriptor fails (as a network mount refuses data at close)
//   readdir  reading the directory fails
//   pagein   every read fails, but the file is opened through the page cache, so it
//            can be mapped and the fault comes when the view is paged in
//   stale    reads return what the file held when it was opened (direct I/O)
//   drop     writes report success and change nothing (direct I/O)
//   keepold  a rename copies the file to the new name and leaves the old one
//   unlink   every unlink of the name fails
//   busy     the first three unlinks of the name fail, later ones work (as a server
//            that holds the file a moment longer); give it EBUSY
//   stat     looking up the name fails where the file exists (so a listing shows
//            the entry, and its status cannot be read); an open file's status works
//   poison   looking up the name fails, and from then on every lookup and listing
//            of the volume fails (as smbnetfs does once a server refused a name)
//
// The faults of a file are chosen when it is opened.
// ERRNO names the error of the failing faults (EIO unless given): EIO, ENOSPC,
// EDQUOT, ENOTCONN, ESTALE, ETIMEDOUT, ECONNRESET, EBUSY, ENXIO, EACCES, EROFS.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faultfs {

enum class Fault { Read, Write, Fsync, Flush, Readdir, Pagein, Stale, Drop, KeepOld, Unlink, Busy, Stat, Poison };

struct Rule {
    Fault fault;
    std::string glob;
    int error;
};

// The rules of a rules file's text; a line that is not a rule is an error, given in
// `problem` with its line number, and then nothing is returned.
std::optional<std::vector<Rule>> ParseRules(std::string_view text, std::string& problem);

// The rule for `fault` that matches the last component of `path`, if any.
const Rule* Find(const std::vector<Rule>& rules, Fault fault, std::string_view path);

// Whether the file's reads and writes must bypass the page cache to be seen.
bool NeedsDirectIo(const std::vector<Rule>& rules, std::string_view path);

}  // namespace faultfs
