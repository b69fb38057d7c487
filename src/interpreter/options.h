// The option words of a command line: an id for each option, its words and the form
// of its value.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// An option: its words (upper case, without the "/"; an unused place null), its id and the form of its value.
struct OptionRow {
    std::array<const char*, 2> words;
    OptionId id;
    ValueForm form;
};

// Upper-cases the keyword in place and gives its row; null for a word not in the
// table. Exact words only, no abbreviations.
const OptionRow* LookupOption(std::string& keyword);
