// AttributeRecord: what the system reports about one file's status: its three time
// stamps as packed DOS date and time words (local time) and as Win32 FILETIMEs (UTC),
// its size (low 32 bits), its attribute bits and, for search results, its name.
// A new record has every field zero and no name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32.h"

class AttributeRecord {
public:
    std::uint16_t createDate = 0;
    std::uint16_t createTime = 0;
    std::uint16_t accessDate = 0;
    std::uint16_t accessTime = 0;
    std::uint16_t changeDate = 0;  // "change" is the last write
    std::uint16_t changeTime = 0;
    std::uint32_t fileSize = 0;
    std::uint32_t attributes = 0;
    FILETIME createFileTime{};
    FILETIME accessFileTime{};
    FILETIME changeFileTime{};

    // Stores a copy of the text in place of any previous name.
    void setName(const char* text);
    // Copies the name with its terminator; a name longer than the destination is cut
    // to fit. A record without a name gives an empty text.
    void copyName(std::array<char, MAX_PATH>& destination) const;

    // Stores the DOS words of the three stamps from their UTC FILETIMEs, each stamp on
    // its own, in the order creation, last access, last write (see StoreDosStamp).
    void storeDosStamps(const FILETIME& creation, const FILETIME& lastAccess, const FILETIME& lastWrite);

private:
    std::optional<std::string> name_;
};

// Win32 time to DOS words: FileTimeToLocalFileTime, then FileTimeToDosDateTime. Only
// when both succeed are the two words stored; otherwise both keep their values.
void StoreDosStamp(const FILETIME& utc, std::uint16_t& date, std::uint16_t& time);

// DOS words to Win32 time: DosDateTimeToFileTime gives a local FILETIME, and
// LocalFileTimeToFileTime turns it into UTC. False when either call fails.
bool DosStampToFileTime(std::uint16_t date, std::uint16_t time, FILETIME& utc);
