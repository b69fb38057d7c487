// The date and time values of SETATTRIBUTES: "mm/dd/yy" (or yyyy; "-" and "." also
// separate) and "hh:mm:ss" (or "."-separated) into packed DOS date and time words.
// Both give 0 for a text they refuse; a time whose word would be 0 (midnight) is
// therefore refused too.
#pragma once

#include <cstdint>
#include <string_view>

std::uint16_t parseDate(std::string_view text);
std::uint16_t parseTime(std::string_view text);
