// The DOS date and time words of FAT directory entries. The date holds the year since
// 1980 (seven bits), the month (four) and the day (five); the time the hour (five), the
// minute (six) and the second halved (five). Packing does not check the fields: each
// must fit its bits.
#pragma once

#include <cstdint>

constexpr unsigned kFirstDosYear = 1980;
constexpr unsigned kLastDosYear = kFirstDosYear + 127;
constexpr unsigned kLargestDosHour = 31;

struct DosDate {
    unsigned year, month, day;
};

struct DosTime {
    unsigned hour, minute, second;
};

constexpr std::uint16_t PackDosDate(unsigned year, unsigned month, unsigned day) {
    return static_cast<std::uint16_t>((year - kFirstDosYear) << 9 | month << 5 | day);
}

constexpr std::uint16_t PackDosTime(unsigned hour, unsigned minute, unsigned second) {
    return static_cast<std::uint16_t>(hour << 11 | minute << 5 | second / 2);
}

constexpr DosDate UnpackDosDate(std::uint16_t date) {
    return {kFirstDosYear + (date >> 9), (date >> 5) & 0x0Fu, date & 0x1Fu};
}

constexpr DosTime UnpackDosTime(std::uint16_t time) {
    return {static_cast<unsigned>(time >> 11), (time >> 5) & 0x3Fu, (time & 0x1Fu) * 2};
}
