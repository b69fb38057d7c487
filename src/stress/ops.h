// The commands a generated script is made of, before the model has predicted them:
// what the line does, without its checks. The shrinker edits lists of these and asks
// the model again for every check.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace stress {

enum class Cmd {
    Create,
    Open,
    Close,
    Write,
    Read,
    ChgPtr,
    ChgEof,
    GetFileSize,
    Commit,
    Map,
    Unmap,
    Lock,
    Unlock,
    LockUnlock,
    DupHandle,
    Rename,
    Move,
    Copy,
    Delete,
    Md,
    Rd,
    SetAttr,
    FindFirst,
    FindNext,
    FindClose,
};
constexpr int CmdCount = static_cast<int>(Cmd::FindClose) + 1;

// The command word as the command table names it, upper case.
std::string_view cmdWord(Cmd cmd);
// The lower-case key of the generator's mix option ("read", "findfirst").
std::string_view cmdKey(Cmd cmd);

// Access and share bits, as the model and the share rule use them.
constexpr int AccessRead = 1, AccessWrite = 2;
constexpr int ShareRead = 1, ShareWrite = 2;

enum class Existing { Open, Fail, Replace };  // CREATE: default, /NOOPEN, /REPLACE
enum class Origin { Current, Beginning, End };

struct Op {
    Cmd cmd = Cmd::Close;
    int slot = 0;   // file slot, or search slot for the FIND commands
    int slot2 = 0;  // DUPHANDLE's new slot
    std::string name, name2;
    std::uint32_t off = 0, len = 0;    // transfers, locks, CHGPTR amount, CHGEOF size
    std::uint32_t off2 = 0, len2 = 0;  // LOCKUNLOCK's unlock range
    std::uint32_t count = 1;           // /COUNT=
    bool countGiven = false;
    int access = AccessRead | AccessWrite;
    bool accessGiven = false;
    int share = 0;  // share bits; deny all (0) is the default
    bool shareGiven = false;
    Existing existing = Existing::Open;
    bool noCreate = false, readOnly = false, async = false, sync = false;
    std::int64_t size = -1;  // CREATE /SIZE=, -1 for none
    bool current = false, callback = false, noReplace = false;
    Origin origin = Origin::Current;
    bool setReadOnly = false;  // SETATTR: set or clear READONLY
    bool lockOptions = false;  // LOCK: /TIMEOUT and /SHARED, which change nothing
};

}  // namespace stress
