// The command and option keyword tables and their lookups.
#pragma once

#include <cstdint>
#include <string>

enum class CommandId : std::uint8_t {
    None = 0,
    Open = 1,
    Read = 2,
    Write = 3,
    ChgPtr = 4,
    Close = 5,
    Copy = 6,
    Move = 7,
    Delete = 8,
    Rd = 9,
    Cd = 10,
    Commit = 11,
    ChgEof = 12,
    GetAttributes = 13,
    SetAttributes = 14,
    Create = 15,
    FindFirst = 16,
    FindNext = 17,
    FindClose = 18,
    Attach = 19,
    Detach = 20,
    QSpace = 21,
    Md = 22,
    Help = 23,
    FreeDir = 24,
    Rename = 25,
    Lock = 26,
    Unlock = 27,
    Exit = 28,
    Prompt = 29,
    Timer = 30,
    LockUnlock = 31,
    DupHandle = 32,
    DevIoctl = 33,
    SetDefaultPath = 34,
    GetVolumeInfo = 35,
    GetFileSize = 36,
    ServerIoctl = 37,
    Map = 38,
    Unmap = 39,
};

enum class OptionId : std::uint8_t {
    None = 0,
    Sync = 1,
    DenyNone = 2,
    DenyRead = 3,
    DenyWrite = 4,
    DenyAll = 5,
    ReadAccess = 6,
    WriteAccess = 7,
    ReadWriteAccess = 8,
    BaseOffset = 9,
    Timeout = 10,
    Mandatory = 11,
    Advisory = 12,
    Exclusive = 13,
    Shared = 14,
    Size = 15,
    ReadOnly = 16,
    Hidden = 17,
    System = 18,
    Archive = 19,
    NoOpen = 20,
    Replace = 21,
    NoCreate = 22,
    Ea = 23,
    AllEa = 24,
    NoneAttr = 25,
    All = 26,
    ChangeDate = 27,
    ChangeTime = 28,
    AccessDate = 29,
    AccessTime = 30,
    CreateDate = 31,
    CreateTime = 32,
    FromName = 33,
    Prompt = 34,
    Suppress = 35,
    Rc = 36,
    BeginOrdinal = 37,
    Append = 38,
    NoReplace = 39,
    MatchCriteria = 40,
    GetCount = 41,
    Start = 42,
    Reset = 43,
    Stop = 44,
    Print = 45,
    Atomic = 46,
    Current = 47,
    Count = 48,
    BuffSize = 49,
    FileTime = 50,
    AsyncIo = 51,
    Callback = 52,
    Expected = 53,
    Verify = 54,
    Beginning = 55,
    End = 56,
};

// The form of an option's value.
enum class ValueForm : std::uint8_t { None, Unsigned32, Unsigned16, Date, Time };

// Upper-cases the command word in place and gives its CommandId; None for an absent
// word or a word not in the table.
CommandId LookupCommand(std::string& word);

// Upper-cases the keyword in place and gives its OptionId; None for a word not in the
// table. Exact words only, no abbreviations.
OptionId LookupOption(std::string& keyword);

ValueForm OptionValueForm(OptionId id);
